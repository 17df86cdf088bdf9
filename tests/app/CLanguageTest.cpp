#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "app/CLanguage.h"
#include "app/ReasonWords.h"
#include "platform/TextCodec.h"
#include "resources/LanguageTable.h"
#include "resources/TextRows.h"

namespace {

AnsiString Text(int language, int row)
{
    AnsiString out = "stale";
    return CLanguage::Instance()->LookupText(language, row, out);
}

// Every test leaves the shared object in German, as a freshly created one is.
class CLanguageTest : public ::testing::Test {
protected:
    void TearDown() override { CLanguage::Instance()->SetCurrentLanguage(CLanguage::German); }
};

}  // namespace

TEST_F(CLanguageTest, TableHasAllRowsAndOnlyTheKnownGaps)
{
    ASSERT_EQ(std::size(resources::LanguageTable), std::size_t(resources::LanguageTableRows) * 3u);
    // Only these (row, language) entries are empty; everything else has a text in both languages.
    const std::set<std::pair<int, int>> empty = {{129, 0}, {129, 1}, {338, 0}, {338, 1}, {295, 1}};
    for (int row = 0; row < resources::LanguageTableRows; ++row) {
        EXPECT_EQ(Text(2, row), "") << "row " << row;
        for (int language = 0; language < 2; ++language) {
            const AnsiString text = Text(language, row);
            EXPECT_EQ(text.empty(), empty.count({row, language}) == 1) << "row " << row << " language " << language;
            // Texts reach the program's files in Windows-1252: each must survive the trip.
            EXPECT_TRUE(platform::IsValidUtf8(text)) << "row " << row;
            EXPECT_EQ(platform::Cp1252ToUtf8(platform::Utf8ToCp1252(text)), text) << "row " << row;
            // Key names follow the language of the text.
            EXPECT_EQ(text.find(language == 0 ? "Ctrl+" : "Strg+"), AnsiString::npos) << "row " << row;
        }
    }
}

TEST_F(CLanguageTest, RowsKeepTheirExactTexts)
{
    EXPECT_EQ(Text(0, 0), "&Datei");
    EXPECT_EQ(Text(1, 426), "Setup single ramp");
    EXPECT_EQ(Text(0, 123), "Wollen Sie ALLE offenen Datenkanäle und die Anwendung schließen?");
    EXPECT_EQ(Text(1, 123), "Close ALL data channels and end the program?");
    EXPECT_EQ(Text(0, 295), " identifiziert.");
    EXPECT_EQ(Text(1, 295), "");
    EXPECT_EQ(Text(0, 339), "In der Anwendung NoxControl werden genau zehn Datenkanäle unterstützt!");
    EXPECT_EQ(Text(1, 339), "The NoxControl program supports ten data channels!");
    EXPECT_EQ(Text(0, 369), "Analogausgang 1 [‰]");
    EXPECT_EQ(Text(1, 369), "Analogue output 1 [‰]");
    EXPECT_EQ(platform::Utf8ToCp1252(Text(1, 369)), "Analogue output 1 [\x89]");
    // Blanks at both ends, accelerators and separators are part of the text.
    EXPECT_EQ(Text(0, 280), "  Analoge Stellgröße (in %): ");
    EXPECT_EQ(Text(1, 119), " Start of new data recording!");
    EXPECT_EQ(Text(1, 4), "S&prache / &Language");
    EXPECT_EQ(Text(1, resources::RowProgramWasHeld),
              " The program was held from $1 to $2 ($3 s): the unit's values are fetched anew.");
    EXPECT_EQ(Text(0, resources::RowClockSetBack) + Text(0, resources::RowClockStepTimesAhead),
              " Die Uhr des Computers wurde um $1 s zurückgestellt: die Zeiten der Punkte gehen nicht zurück und "
              "bleiben ihr $2 s voraus.");
    EXPECT_EQ(Text(0, 43), "Öffnen|Datei öffnen");
    EXPECT_EQ(Text(1, 361), "Data files (*.csv,*.qzv)|*.csv;*.qzv");
    // The rows on either side of the unused ones stay in place.
    EXPECT_EQ(Text(1, 128), "View");
    EXPECT_EQ(Text(1, 130), "Attention");
    EXPECT_EQ(Text(1, 337), "No data to be saved!");
    EXPECT_EQ(Text(1, 340), "Remaining time: ");
}

TEST_F(CLanguageTest, CurrentLanguageLookup)
{
    CLanguage* language = CLanguage::Instance();
    AnsiString out;
    language->SetCurrentLanguage(CLanguage::English);
    EXPECT_EQ(language->LookupCurrentText(196, out), "&Yes");
    EXPECT_EQ(out, "&Yes");
    // LookupText ignores the current language.
    EXPECT_EQ(language->LookupText(CLanguage::German, 197, out), "&Nein");
    language->SetCurrentLanguage(CLanguage::German);
    EXPECT_EQ(language->LookupCurrentText(196, out), "&Ja");
    language->SetCurrentLanguage(2);
    EXPECT_EQ(language->LookupCurrentText(196, out), "");
}

TEST_F(CLanguageTest, InstanceIsOneObjectUntilReleased)
{
    CLanguage* first = CLanguage::Instance();
    EXPECT_EQ(CLanguage::Instance(), first);
    first->SetCurrentLanguage(CLanguage::English);
    AnsiString out;
    EXPECT_EQ(CLanguage::Instance()->LookupCurrentText(196, out), "&Yes");

    CLanguage::Release();
    CLanguage::Release();  // releasing twice is harmless
    CLanguage* fresh = CLanguage::Instance();
    EXPECT_EQ(fresh->LookupCurrentText(196, out), "&Ja");  // a new object starts in German
    EXPECT_EQ(CLanguage::Instance(), fresh);
}

TEST_F(CLanguageTest, OutOfRangeGivesEmptyTextAndKeepsLanguage)
{
    CLanguage* language = CLanguage::Instance();
    AnsiString out = "stale";
    for (int row : {-1, resources::LanguageTableRows, 100000}) {
        out = "stale";
        EXPECT_EQ(language->LookupText(CLanguage::English, row, out), "") << row;
    }
    for (int lang : {-1, 3, 7}) {
        out = "stale";
        EXPECT_EQ(language->LookupText(lang, 0, out), "") << lang;
    }
    // A bad index does not replace the language in force.
    language->SetCurrentLanguage(CLanguage::English);
    language->SetCurrentLanguage(3);
    language->SetCurrentLanguage(-1);
    EXPECT_EQ(language->LookupCurrentText(196, out), "&Yes");
}

// The platform layer's reasons: the table's English words are the layer's own (what it says
// before a window set a language), and the German ones take the same arguments.
TEST_F(CLanguageTest, EveryReasonOfThePlatformLayerHasItsWordsInBothLanguages)
{
    auto marks = [](const std::string& text) {
        static const std::regex mark("\\$[1-9]");
        std::multiset<std::string> found;
        for (auto it = std::sregex_iterator(text.begin(), text.end(), mark); it != std::sregex_iterator(); ++it)
            found.insert(it->str());
        return found;
    };
    std::set<int> rows;
    for (int r = 0; r < platform::ReasonCount; ++r) {
        const auto reason = static_cast<platform::TReason>(r);
        const int row = ReasonRow(reason);
        rows.insert(row);
        EXPECT_EQ(Text(1, row), platform::EnglishReasonWords(reason)) << "reason " << r;
        EXPECT_EQ(marks(Text(0, row)), marks(Text(1, row))) << "reason " << r;
        EXPECT_NE(Text(0, row), Text(1, row)) << "reason " << r;
    }
    EXPECT_EQ(rows.size(), std::size_t(platform::ReasonCount));
}
