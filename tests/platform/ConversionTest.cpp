#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/AnsiString.h"
#include "platform/Exception.h"
#include "platform/FormatSettings.h"
#include "platform/Round.h"

TEST(Round, HalvesToEvenSaturatesAndNaN)
{
    EXPECT_EQ(Round(0.5), 0);
    EXPECT_EQ(Round(1.5), 2);
    EXPECT_EQ(Round(2.5), 2);
    EXPECT_EQ(Round(-2.5), -2);
    EXPECT_EQ(Round(-0.6), -1);
    EXPECT_EQ(Round(1e20), INT32_MAX);
    EXPECT_EQ(Round(-1e20), INT32_MIN);
    EXPECT_EQ(Round(std::numeric_limits<double>::infinity()), INT32_MAX);
    EXPECT_EQ(Round(std::nan("")), 0);
    EXPECT_EQ(Trunc(-2.9), -2);
    EXPECT_EQ(Trunc(std::nan("")), 0);
}

TEST(FloatToStr, GeneralFormatWithDecimalComma)
{
    EXPECT_EQ(FloatToStr(38751.25), "38751,25");
    EXPECT_EQ(FloatToStr(25.0), "25");
    EXPECT_EQ(FloatToStr(-3.25), "-3,25");
    EXPECT_EQ(FloatToStr(0.0), "0");
    EXPECT_EQ(FloatToStr(0.1), "0,1");
    EXPECT_EQ(FloatToStr(0.0001), "0,0001");
    EXPECT_EQ(FloatToStr(0.00001), "1E-5");
    EXPECT_EQ(FloatToStr(1e14), "100000000000000");
    EXPECT_EQ(FloatToStr(1.5e20), "1,5E20");
    EXPECT_EQ(FloatToStr(1.0 / 3.0), "0,333333333333333");
    EXPECT_EQ(FloatToStr(38751.2534722222), "38751,2534722222");
}

TEST(FormatFloat, PictureFormats)
{
    EXPECT_EQ(FormatFloat("#,##0.###", 1500.25), "1500,25");
    EXPECT_EQ(FormatFloat("#,##0.###", -3.25), "-3,25");
    EXPECT_EQ(FormatFloat("#,##0.###", 0.0), "0");
    EXPECT_EQ(FormatFloat("#,##0.###", 2.00049), "2");
    EXPECT_EQ(FormatFloat("#,##0.###", 2.0005), "2,001");
    EXPECT_EQ(FormatFloat("0.00", 3.0), "3,00");
    EXPECT_EQ(FormatFloat("0.00", 0.125), "0,13");  // halves away from zero
    EXPECT_EQ(FormatFloat("0.00", -0.001), "0,00");
    EXPECT_EQ(FormatFloat("0", 2.5), "3");
    EXPECT_EQ(FormatFloat("0", -2.5), "-3");
    EXPECT_EQ(FormatFloat("00", 7.0), "07");
    EXPECT_EQ(FormatFloat("0.0 'K'", 4.25), "4,3 K");
    EXPECT_EQ(FormatFloat("0.00E+00", 12345.0), "1,23E+04");
    EXPECT_EQ(FormatFloat("0;(0)", -5.0), "(5)");
    // Formats in turn, with and without their negative and zero sections.
    EXPECT_EQ(FormatFloat("0;(0);'nil'", 0.0), "nil");
    EXPECT_EQ(FormatFloat("0;;'nil'", -5.0), "-5");
    EXPECT_EQ(FormatFloat("0;(0)", 0.0), "0");
    EXPECT_EQ(FormatFloat("0;(0);'nil'", -5.0), "(5)");
    TFormatSettings fs = FormatSettings();
    fs.ThousandSeparator = '.';
    EXPECT_EQ(FormatFloat("#,##0.###", 1234567.5, fs), "1.234.567,5");
    // The same value again, and in other settings.
    EXPECT_EQ(FormatFloat("#,##0.###", 1234567.5), "1234567,5");
    EXPECT_EQ(FormatFloat("#,##0.###", 1234567.5), "1234567,5");
    fs.DecimalSeparator = '.';
    fs.ThousandSeparator = ',';
    EXPECT_EQ(FormatFloat("#,##0.###", 1234567.5, fs), "1,234,567.5");
}

TEST(StrToFloat, AcceptsOnlyTheProgramsFormat)
{
    EXPECT_DOUBLE_EQ(StrToFloat("38751,25"), 38751.25);
    EXPECT_DOUBLE_EQ(StrToFloat(" -3,5 "), -3.5);
    EXPECT_DOUBLE_EQ(StrToFloat("+2"), 2.0);
    EXPECT_DOUBLE_EQ(StrToFloat(",5"), 0.5);
    EXPECT_DOUBLE_EQ(StrToFloat("1,5E3"), 1500.0);
    double v = 99;
    for (const char* bad :
         {"", " ", "1.5", "abc", "1,5x", "nan", "inf", "0x10", "1,5E", "--1", "1 000", ",", "1e999"}) {
        EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
    }
    EXPECT_EQ(v, 99);
    EXPECT_THROW(StrToFloat("1.5"), EConvertError);
    EXPECT_DOUBLE_EQ(StrToFloatDef("x", 7.0), 7.0);
}

TEST(IntConversions, DecimalHexAndFailures)
{
    EXPECT_EQ(StrToInt("42"), 42);
    EXPECT_EQ(StrToInt(" -17 "), -17);
    EXPECT_EQ(StrToInt("$1F"), 31);
    EXPECT_EQ(StrToInt("0x1f"), 31);
    int v = 5;
    for (const char* bad : {"", "4.2", "12a", "99999999999", "-", "0x"}) EXPECT_FALSE(TryStrToInt(bad, v)) << bad;
    EXPECT_EQ(v, 5);
    EXPECT_THROW(StrToInt("x"), EConvertError);
    EXPECT_EQ(IntToHex(255, 2), "FF");
    EXPECT_EQ(IntToHex(10, 4), "000A");
    EXPECT_EQ(IntToHex(0x1234, 2), "1234");
    EXPECT_EQ(IntToHex(-1, 4), "FFFFFFFF");
}

TEST(StringHelpers, TrimCaseAndSplit)
{
    EXPECT_EQ(Trim("  a b \t\r\n"), "a b");
    EXPECT_EQ(TrimLeft("  x "), "x ");
    EXPECT_EQ(TrimRight("  x "), "  x");
    EXPECT_EQ(UpperCase("VarioQk"), "VARIOQK");
    EXPECT_TRUE(SameText("Abc", "aBC"));
    auto parts = SplitString("a;;b;", ';');
    ASSERT_EQ(parts.size(), 4u);
    EXPECT_EQ(parts[1], "");
    EXPECT_EQ(parts[3], "");
    EXPECT_EQ(Pos("b", "abc"), 2);
    EXPECT_EQ(Pos("x", "abc"), 0);
}

TEST(StringHelpers, FileNamePartsAndHexDigits)
{
    EXPECT_EQ(ExtractFileName("/data/run.1/ramp.tp"), "ramp.tp");
    EXPECT_EQ(ExtractFileName("C:\\progs\\ramp.tp"), "ramp.tp");
    EXPECT_EQ(ExtractFileName("ramp"), "ramp");
    EXPECT_EQ(ExtractFileExt("/data/run.1/chart.TEE"), ".TEE");
    // A dot in a folder name is no extension of the file.
    EXPECT_EQ(ExtractFileExt("/data/run.1/chart"), "");
    EXPECT_EQ(ExtractFileExt("C:\\run.1\\chart"), "");
    EXPECT_EQ(HexDigit('7'), 7);
    EXPECT_EQ(HexDigit('b'), 11);
    EXPECT_EQ(HexDigit('F'), 15);
    EXPECT_EQ(HexDigit('g'), -1);
}
