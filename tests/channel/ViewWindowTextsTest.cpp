// The texts of the windows that show data files and of the data file's dialog, in the
// program's language.
#include <QAction>
#include <QComboBox>
#include <QLineEdit>

#include "ChannelTestSupport.h"
#include "app/CLanguage.h"
#include "app/RecordedDataWriter.h"
#include "app/TFileCommands.h"
#include "app/TfrmMainWindow.h"
#include "channel/ProgramForms.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TChartLegend.h"
#include "chart/engine/TChartTitle.h"
#include "chart/engine/TCustomChart.h"
#include "chart/series/TFastLineSeries.h"
#include "support/FakeDataFileView.h"
#include "support/ScriptedDialogs.h"

using namespace channeltest;

namespace {

class ViewWindowTextsTest : public ChannelFixture {
protected:
    void SetUp() override
    {
        ChannelFixture::SetUp();
        forms = std::make_unique<TProgramForms>(CLanguage::English);
        main = forms->MainWindow.get();
        main->tmrPopUp->stop();
    }
    void TearDown() override
    {
        forms.reset();
        CLanguage::Instance()->SetCurrentLanguage(CLanguage::German);
        ChannelFixture::TearDown();
    }

    TmdiSubWindow* OpenView(const AnsiString& file)
    {
        support::TestDialogs().QueueFileName(file);
        main->mnuVisualisierung->trigger();
        forms->FileCommands->WaitIdle();
        return dynamic_cast<TmdiSubWindow*>(main->ChannelForm(main->ActiveChannel()));
    }

    // The legend's title and the bottom, left and right axes' titles.
    static std::vector<AnsiString> ChartTexts(TmdiSubWindow* w)
    {
        TCustomChart* c = w->graDataGraph;
        return {c->GetLegend()->GetTitle()->GetCaption(), c->BottomAxis()->GetTitle()->GetCaption(),
                c->LeftAxis()->GetTitle()->GetCaption(), c->RightAxis()->GetTitle()->GetCaption()};
    }

    std::unique_ptr<TProgramForms> forms;
    TfrmMainWindow* main = nullptr;
};

const std::vector<AnsiString> kEnglish = {"Value series", "Time in hh:mm:ss",
                                          "Temperature in [\xC2\xB0"
                                          "C]",
                                          "Increment in %"};

}  // namespace

// An English view window, empty or showing a file: its legend and axes speak English, and
// German after a switch; closing it asks about the view, not about a data channel.
TEST_F(ViewWindowTextsTest, AViewWindowSpeaksItsLanguage)
{
    TmdiSubWindow* empty = OpenView("");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(ChartTexts(empty), kEnglish);

    FakeDataFileView v;
    v.Record(3, 4, EncodeDate(2026, 3, 27));
    v.fileName = Path("view.csv");
    ASSERT_TRUE(FileSave1Execute(&v, 1));
    TmdiSubWindow* shown = OpenView(Path("view_11.csv"));
    ASSERT_NE(shown, nullptr);
    ASSERT_GT(shown->Session().ValueSeries(0)->Count(), 0);
    EXPECT_EQ(ChartTexts(shown), kEnglish);

    main->mnuGermanClick();
    EXPECT_EQ(ChartTexts(empty)[0], "Wertereihen");
    EXPECT_EQ(ChartTexts(empty)[2],
              "Temperatur in [\xC2\xB0"
              "C]");
    EXPECT_EQ(ChartTexts(empty)[3], "Angabe in %");
    main->mnuEnglishClick();
    for (const size_t k : {0u, 2u, 3u}) EXPECT_EQ(ChartTexts(empty)[k], kEnglish[k]);

    const int channel = main->ActiveChannel();
    support::TestDialogs().QueueAnswer(IDNO);
    shown->close();
    EXPECT_EQ(support::TestDialogs().LastMessage().text, "Really close view channel " + std::to_string(channel) + "?");
}

// The recording's file dialog names its files in the program's language.
TEST_F(ViewWindowTextsTest, TheDataFileDialogsTypeIsInTheProgramsLanguage)
{
    support::SimulatedUnitLine line;
    line.AddUnit();
    AnsiString error;
    ASSERT_TRUE(line.StartTcp(0, &error)) << error;
    main->mnuDatenaufzeichnungClick();
    auto* w = dynamic_cast<TmdiSubWindow*>(main->ChannelForm(main->ActiveChannel()));
    ASSERT_NE(w, nullptr);
    w->cmbInterface->setCurrentIndex(w->cmbInterface->findText("TCP/IP"));
    w->edPort->setText(QString::number(line.TcpPort()));
    support::TestDialogs().QueueFileName(Path("rec"));
    w->cmdEstablishConnectionClick();
    ASSERT_NO_FATAL_FAILURE(ConfirmIdentification(w->Session()));
    EXPECT_EQ(support::TestDialogs().LastFileRequest().filter, "Data files (*.csv)|*.csv");
}

// The chart titles that the windows built before a language switch (an empty view's, a
// view's of a file, a running recording's) take the new language's words at the switch;
// the names and numbers in them stay.
TEST_F(ViewWindowTextsTest, ChartTitlesTakeTheLanguageOfASwitch)
{
    // The session's title lines, which the chart shows.
    auto titles = [](TmdiSubWindow* w) {
        const std::vector<AnsiString> lines = w->Session().TitleLines();
        EXPECT_EQ(w->graDataGraph->GetTitle()->Text(), lines);
        return lines;
    };
    // The English labels of `lines` in German.
    auto german = [](std::vector<AnsiString> lines) {
        const std::pair<AnsiString, AnsiString> labels[] = {{"Current file name: ", "Aktueller Dateiname: "},
                                                            {"Date of storage: ", "Datum der Speicherung: "},
                                                            {"Serial number: ", "Seriennummer: "}};
        for (AnsiString& line : lines)
            for (const auto& [english, inGerman] : labels)
                if (line.rfind(english, 0) == 0) line = inGerman + line.substr(english.size());
        return lines;
    };
    TmdiSubWindow* empty = OpenView("");
    ASSERT_NE(empty, nullptr);
    const std::string number = std::to_string(main->ActiveChannel());
    FakeDataFileView v;
    v.Record(3, 4, EncodeDate(2026, 3, 27));
    v.fileName = Path("view.csv");
    ASSERT_TRUE(FileSave1Execute(&v, 1));
    TmdiSubWindow* shown = OpenView(Path("view_11.csv"));
    ASSERT_NE(shown, nullptr);
    support::SimulatedUnitLine line;
    line.AddUnit();
    AnsiString error;
    ASSERT_TRUE(line.StartTcp(0, &error)) << error;
    TmdiSubWindow* recording = nullptr;
    ASSERT_NO_FATAL_FAILURE(OpenRecordingOverTcp(main, line.TcpPort(), Path("rec"), recording));

    EXPECT_EQ(titles(empty), std::vector<AnsiString>{"View / Channel " + number});
    const std::vector<AnsiString> view = titles(shown);
    ASSERT_GE(view.size(), 2u);
    EXPECT_EQ(view[0].rfind("Current file name: ", 0), 0u) << view[0];
    EXPECT_EQ(view[1].rfind("Date of storage: ", 0), 0u) << view[1];
    const std::vector<AnsiString> rec = titles(recording);
    ASSERT_EQ(rec.size(), 3u);
    EXPECT_EQ(rec[1].rfind("Current file name: rec", 0), 0u) << rec[1];
    EXPECT_EQ(rec[2].rfind("Serial number: ", 0), 0u) << rec[2];

    main->mnuGermanClick();
    EXPECT_EQ(titles(empty), std::vector<AnsiString>{"Visualisierung / Kanal " + number});
    EXPECT_EQ(titles(shown), german(view));
    EXPECT_NE(german(view), view);
    EXPECT_EQ(titles(recording), german(rec));
    EXPECT_EQ(titles(recording)[0], rec[0]);

    main->mnuEnglishClick();
    EXPECT_EQ(titles(empty), std::vector<AnsiString>{"View / Channel " + number});
    EXPECT_EQ(titles(shown), view);
    EXPECT_EQ(titles(recording), rec);
}
