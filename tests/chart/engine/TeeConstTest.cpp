#include <gtest/gtest.h>

#include <set>
#include <string>

#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProCo.h"

TEST(LibraryTexts, SetEnglishRestoresEveryTextAndBothSwitches)
{
    auto texts = TeeLibraryTexts();
    ASSERT_EQ(texts.size(), 474u);
    std::set<AnsiString*> distinct;
    std::vector<AnsiString> english;
    for (auto& [name, text] : texts) {
        EXPECT_FALSE(text->empty()) << name;
        distinct.insert(text);
        english.push_back(*text);
    }
    EXPECT_EQ(distinct.size(), 474u) << "two variables share storage";

    for (auto& [name, text] : texts) *text = std::string("translated ") + name;
    TeeLanguage = 0x0407;
    TeeLanguageHotKeyAtEnd = true;
    TeeLanguageCanUpper = false;

    TeeSetEnglish();
    for (std::size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(*texts[i].second, english[i]) << texts[i].first;
    EXPECT_EQ(TeeLanguage, TeeEnglishLanguage);
    EXPECT_FALSE(TeeLanguageHotKeyAtEnd);
    EXPECT_TRUE(TeeLanguageCanUpper);
}

TEST(LibraryTexts, EnglishWordingOfMessagesAndFormats)
{
    TeeSetEnglish();
    EXPECT_EQ(TeeMsg_AxisMinMax, "Axis Minimum Value must be <= Maximum");
    EXPECT_EQ(TeeMsg_DefLogValueFormat, "#.0 \"x10\" E+0");
    EXPECT_EQ(TeeMsg_GalleryHorizBar, "Horizontal\rBar");
    EXPECT_EQ(TeeMsg_DefaultPercentOf2, "%s\rof %s");
    EXPECT_EQ(TeeMsg_SeriesDelete, "Series Delete: ValueIndex %d out of bounds (0 to %d).");
    EXPECT_EQ(TeeCommanMsg_Zooming, "Zoom: %d %%");
    EXPECT_EQ(TeeMsg_PeriodRange, TeeProCo::TeeMsg_PeriodRange);
    EXPECT_EQ(TeeDefaultFilterExtension(), "(*.tee)|*.tee");
}
