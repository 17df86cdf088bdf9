#include <gtest/gtest.h>

#include <cmath>

#include "platform/DateTime.h"
#include "platform/Exception.h"

TEST(DateTime, SerialsOfKnownDates)
{
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(2000, 2, 29), 36585.0);
    EXPECT_EQ(EncodeDate(1899, 12, 29), -1.0);
    EXPECT_THROW(EncodeDate(2001, 2, 29), EConvertError);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_DOUBLE_EQ(EncodeTime(6, 0, 0, 0), 0.25);
}

TEST(DateTime, RoundTripsAndNegativeSerials)
{
    for (int serial = -693593; serial <= 2900000; serial += 997) {
        int y, m, d;
        DecodeDate(serial, y, m, d);
        EXPECT_EQ(EncodeDate(y, m, d), double(serial));
    }
    int y, m, d, h, n, s, ms;
    DecodeDate(-1.25, y, m, d);
    DecodeTime(-1.25, h, n, s, ms);
    EXPECT_EQ(d, 29);
    EXPECT_EQ(m, 12);
    EXPECT_EQ(y, 1899);
    EXPECT_EQ(h, 6);
    TDateTime t = EncodeDate(2024, 3, 1) + EncodeTime(23, 59, 59, 999);
    DecodeTime(t, h, n, s, ms);
    EXPECT_EQ(h, 23);
    EXPECT_EQ(n, 59);
    EXPECT_EQ(s, 59);
    EXPECT_EQ(ms, 999);

    // Serials no calendar can name decode to zeros without overflowing on the way.
    for (double bad : {1e300, -1e300, 9.3e18, 2958466.0, -693594.5, HUGE_VAL, -HUGE_VAL}) {
        DecodeDate(bad, y, m, d);
        EXPECT_EQ(y + m + d, 0) << bad;
        EXPECT_EQ(FormatDateTime("dd.mm.yyyy", bad), "00.00.0000") << bad;
    }
}

TEST(DateTime, FormatsAndParses)
{
    TDateTime t = EncodeDate(2026, 12, 7) + EncodeTime(8, 5, 3, 0);
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy", t), "07.12.2026");
    EXPECT_EQ(FormatDateTime("hh:nn:ss", t), "08:05:03");
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss", t), "07.12.2026 08:05:03");
    EXPECT_EQ(FormatDateTime("d/m/yy h:m", t), "7.12.26 8:5");
    EXPECT_EQ(FormatDateTime("\"Start\" hh:nn", t), "Start 08:05");
    EXPECT_EQ(DateTimeToStr(t), "07.12.2026 08:05:03");
    EXPECT_EQ(DateToStr(0), "30.12.1899");
    TDateTime p;
    ASSERT_TRUE(TryStrToDateTime("07.12.2026 08:05:03", p));
    EXPECT_NEAR(p, t, 1e-9);
    EXPECT_FALSE(TryStrToDate("31.02.2026", p));
    EXPECT_FALSE(TryStrToTime("25:00", p));
}

TEST(Clock, ManualClockDrivesNow)
{
    platform::ManualClock c(EncodeDate(2026, 1, 1));
    platform::SetClock(&c);
    EXPECT_EQ(Now(), EncodeDate(2026, 1, 1));
    c.AdvanceMs(90 * 60 * 1000);
    EXPECT_NEAR(Time(), EncodeTime(1, 30, 0, 0), 1e-9);
    EXPECT_EQ(Date(), EncodeDate(2026, 1, 1));
    EXPECT_EQ(c.MilliTicks(), 90 * 60 * 1000);
    platform::SetClock(nullptr);
    EXPECT_GT(Now(), EncodeDate(2020, 1, 1));
}
