#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>

#include "EditorTestSupport.h"
#include "chart/editors/TTeeExportForm.h"
#include "chart/engine/TCustomChart.h"
#include "chart/series/TBarSeries.h"
#include "chart/series/TLineSeries.h"
#include "chart/series/TeeStandardSeries.h"
#include "chart/storage/TeePictureFormats.h"
#include "chart/storage/TeePictureOptions.h"
#include "chart/storage/TeeSeriesData.h"
#include "chart/storage/TeeStore.h"
#include "platform/FileSave.h"
#include "platform/TextCodec.h"
#include "support/HangingFileSystem.h"
#include "support/ScriptedDialogs.h"

namespace {

// The dialog's files are written on the background saver; their results come back through
// the event loop.
void AwaitSaves()
{
    QDeadlineTimer deadline(15000);
    while (!platform::BackgroundSavesIdle() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(platform::BackgroundSavesIdle());
}

struct ExportFixture {
    ExportFixture()
    {
        RegisterTeeStandardSeries();  // chart files name the series classes
        chart.resize(400, 300);
        auto* line = new TLineSeries(&chart);
        line->setObjectName("Line1");
        line->SetParentChart(&chart);
        line->FillSampleValues(6);
        auto* bar = new TBarSeries(&chart);
        bar->setObjectName("Bar1");
        bar->SetParentChart(&chart);
        bar->FillSampleValues(4);
        support::TestDialogs().Clear();
    }
    std::string File(const char* Name) const { return dir.filePath(Name).toStdString(); }
    static std::string Read(const std::string& Name)
    {
        std::string bytes;
        platform::ReadFileBytes(Name, bytes);
        return bytes;
    }
    // Shows the dialog on the chart and hands it to Script.
    void Run(const std::function<void(TTeeExportForm&)>& Script)
    {
        ModalScript script([&](TTeeForm& f) { Script(static_cast<TTeeExportForm&>(f)); });
        TeeExport(nullptr, &chart);
        EXPECT_EQ(script.Shown, 1);
    }
    QTemporaryDir dir;
    TChart chart;
};

}  // namespace

TEST(ExportDialog, PictureSizeKeepsTheAspectAndTheFilterStaysTheSameOnEveryShow)
{
    ExportFixture f;
    TTeeExportForm form;
    form.SetPanel(&f.chart);
    form.show();
    EXPECT_EQ(form.UDWidth->value(), 400);
    EXPECT_EQ(form.UDHeight->value(), 300);
    form.UDWidth->setValue(800);
    EXPECT_EQ(form.UDHeight->value(), 600);
    form.CBAspect->setChecked(false);
    form.UDWidth->setValue(500);
    EXPECT_EQ(form.UDHeight->value(), 600);
    ASSERT_EQ(form.LBFormat->count(), 4);
    EXPECT_EQ(form.LBFormat->item(2)->text(), "as GIF");
    const AnsiString filter = form.SaveDialogPicture.filter;
    form.Close();
    EXPECT_EQ(form.LBFormat->count(), 0);

    // Shown again: the same entries once, and the formats' indexes point at them.
    form.show();
    EXPECT_EQ(form.SaveDialogPicture.filter, filter);
    ASSERT_EQ(form.Formats().size(), 4u);
    EXPECT_EQ(form.Formats()[3].Format->FileFilterIndex(), 5);
    form.Close();

    // A panel without height keeps no aspect: each size stays as typed.
    f.chart.resize(400, 0);
    form.CBAspect->setChecked(true);
    form.show();
    form.UDHeight->setValue(100);
    EXPECT_EQ(form.UDWidth->value(), 400);
    form.UDWidth->setValue(300);
    EXPECT_EQ(form.UDHeight->value(), 100);
    form.Close();
}

TEST(ExportDialog, PictureSavesInTheFormatOfTheExtensionOrTheChosenEntry)
{
    ExportFixture f;
    auto& dialogs = support::TestDialogs();
    f.Run([&](TTeeExportForm& d) {
        d.LBFormat->setCurrentRow(3);  // JPEG
        EXPECT_TRUE(d.PageOptions->isTabVisible(0));
        d.UDWidth->setValue(200);
        dialogs.QueueFileName(f.File("a.gif"));
        d.BSave->click();
        AwaitSaves();
        EXPECT_EQ(dialogs.LastFileRequest().defaultExt, "jpg");
        EXPECT_EQ(dialogs.LastFileRequest().filterIndex, 5);
        TGIFImage gif;
        gif.LoadFromFile(f.File("a.gif"));
        EXPECT_EQ(gif.GetWidth(), 200);
        EXPECT_EQ(gif.GetHeight(), 150);

        // ".wmf" is the metafile's old-style variant; its enhanced entry switches it back.
        auto* emf = dynamic_cast<TEMFExportFormat*>(d.Formats()[1].Format.get());
        ASSERT_NE(emf, nullptr);
        dialogs.QueueFileName(f.File("b.wmf"));
        d.BSave->click();
        AwaitSaves();
        EXPECT_FALSE(emf->GetEnhanced());
        dialogs.QueueFileName(f.File("c.pic"), 2);
        d.BSave->click();
        AwaitSaves();
        EXPECT_TRUE(emf->GetEnhanced());
        // The second entry chooses the old-style variant whatever the name says.
        dialogs.QueueFileName(f.File("d.pic"), 3);
        d.BSave->click();
        AwaitSaves();
        EXPECT_FALSE(emf->GetEnhanced());
        const auto head = [&](const char* name) {
            QFile file(QString::fromStdString(f.File(name)));
            return file.open(QIODevice::ReadOnly) ? file.read(44) : QByteArray();
        };
        const QByteArray placeable("\xD7\xCD\xC6\x9A", 4);
        EXPECT_EQ(head("b.wmf").left(4), placeable);
        EXPECT_EQ(head("c.pic").mid(40, 4), QByteArray(" EMF"));
        EXPECT_EQ(head("d.pic").left(4), placeable);
        d.BClose->click();
    });
}

TEST(ExportDialog, DataAndChartFileFollowTheChoices)
{
    ExportFixture f;
    auto& dialogs = support::TestDialogs();
    f.Run([&](TTeeExportForm& d) {
        d.Tabs->setCurrentWidget(d.TabData);
        ASSERT_EQ(d.CBSeries->count(), 3);
        EXPECT_EQ(d.CBSeries->itemText(0), "(all)");
        EXPECT_TRUE(d.BCopy->isEnabled());
        d.RGText->Buttons()->button(3)->click();  // Excel
        EXPECT_FALSE(d.BCopy->isEnabled());
        EXPECT_TRUE(d.BSave->isEnabled());
        EXPECT_FALSE(d.CBDelim->isEnabled());
        d.RGText->Buttons()->button(0)->click();

        // Each delimiter writes what the text exporter makes with it.
        const char delimiters[] = {' ', '\t', ',', ';', '|'};
        d.CBSeries->setCurrentIndex(2);
        d.ECustom->setText("|");
        for (int i = 0; i < 5; ++i) {
            d.CBDelim->setCurrentIndex(i);
            EXPECT_EQ(d.ECustom->isEnabled(), i == 4);
            EXPECT_EQ(d.GetDataFilterIndex(), i + 1);
            const std::string name = f.File("data.txt");
            dialogs.QueueFileName(name);
            d.BSave->click();
            AwaitSaves();
            TSeriesDataText expected(&f.chart, f.chart.GetSeries(1));
            expected.TextDelimiter = delimiters[i];
            expected.IncludeHeader = true;
            EXPECT_EQ(ExportFixture::Read(name), platform::Utf8ToCp1252(expected.AsString())) << i;
        }

        // The HTML entry of the save dialog switches the format before saving.
        d.CBSeries->setCurrentIndex(0);
        dialogs.QueueFileName(f.File("data.htm"), 7);
        d.BSave->click();
        AwaitSaves();
        EXPECT_EQ(d.RGText->ItemIndex(), 2);
        TSeriesDataHTML html(&f.chart, nullptr);
        html.IncludeHeader = true;
        EXPECT_EQ(ExportFixture::Read(f.File("data.htm")), platform::Utf8ToCp1252(html.AsString()));

        // A chart file from the Native tab loads back into an equal chart.
        d.Tabs->setCurrentWidget(d.TabNative);
        EXPECT_FALSE(d.BCopy->isEnabled());
        d.CBFileSize->click();
        EXPECT_TRUE(d.LabelSize->text().endsWith(" bytes"));
        dialogs.QueueFileName(f.File("chart.dat"));
        d.BSave->click();
        AwaitSaves();
        d.CBNativeFormat->setCurrentIndex(1);
        EXPECT_TRUE(d.BCopy->isEnabled());
        d.BCopy->click();
        EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith("object"));
        d.BClose->click();
    });
    TChart loaded;
    LoadChartFromFile(&loaded, f.File("chart.tee"));
    TMemoryStream a, b;
    SaveChartToStream(&f.chart, &a, true, true);
    SaveChartToStream(&loaded, &b, true, true);
    EXPECT_EQ(a.Bytes(), b.Bytes());
    EXPECT_EQ(loaded.SeriesCount(), 2);
}

// A chart file saved to a drive that stops answering: the Save button returns with the file
// on its way and the dialog goes on; the file is there once the drive answers. A write that
// fails is reported when it comes back, naming the file, as a failed save always was.
TEST(ExportDialog, SavesToADriveThatHangsHoldUpNothing)
{
    ExportFixture f;
    auto& dialogs = support::TestDialogs();
    const std::string file = f.File("hung.tee");
    support::HangingFileSystem drive([file](const std::string& path, bool write) { return write && path == file; });
    f.Run([&](TTeeExportForm& d) {
        d.Tabs->setCurrentWidget(d.TabNative);
        dialogs.QueueFileName(f.File("hung.dat"));
        d.BSave->click();
        ASSERT_TRUE(drive.AwaitHang());
        EXPECT_FALSE(platform::BackgroundSavesIdle());
        EXPECT_FALSE(QFile::exists(QString::fromStdString(file)));
        d.CBNativeFormat->setCurrentIndex(1);
        EXPECT_TRUE(d.BCopy->isEnabled());
        drive.Release();
        AwaitSaves();
        EXPECT_TRUE(QFile::exists(QString::fromStdString(file)));
        EXPECT_EQ(dialogs.MessageCount(), 0u);

        const std::string missing = f.File("missing/data.txt");
        d.Tabs->setCurrentWidget(d.TabData);
        dialogs.QueueFileName(missing);
        d.BSave->click();
        AwaitSaves();
        ASSERT_EQ(dialogs.MessageCount(), 1u);
        EXPECT_EQ(dialogs.LastMessage().text.rfind("Cannot create file \"" + missing + "\". ", 0), 0u)
            << dialogs.LastMessage().text;
        EXPECT_NE(dialogs.LastMessage().text.find("No such file or directory"), AnsiString::npos);
        d.BClose->click();
    });
    TChart loaded;
    LoadChartFromFile(&loaded, file);
    EXPECT_EQ(loaded.SeriesCount(), 2);
}

// A panel written with the component writer reads back; what is no panel file changes
// nothing.
TEST(ExportDialog, PanelFileReadsBackIntoAnEqualChart)
{
    ExportFixture f;
    SaveTeeToFile(&f.chart, f.File("panel.bin"));
    TChart loaded;
    LoadTeeFromFile(&loaded, f.File("panel.bin"));
    TMemoryStream a, b;
    SaveChartToStream(&f.chart, &a, false, true);
    SaveChartToStream(&loaded, &b, false, true);
    EXPECT_EQ(a.Bytes(), b.Bytes());
    const std::string junk = "TPF0 no panel";
    TMemoryStream bad(reinterpret_cast<const std::uint8_t*>(junk.data()), junk.size());
    EXPECT_THROW(LoadTeeFromStream(&loaded, &bad), ChartException);
    EXPECT_EQ(loaded.SeriesCount(), 2);
}

TEST(ExportDialog, SendHandsTheFileToTheMailProgramAndKeepsIt)
{
    ExportFixture f;
    // The temporary folder of the test's own.
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", f.dir.path().toLocal8Bit());
    std::vector<std::pair<AnsiString, AnsiString>> sent;
    int answer = 0;
    const auto old = SetTeeMailLauncher(TTeeMailLauncher([&](const AnsiString& file, const AnsiString& subject) {
        sent.emplace_back(file, subject);
        return answer;
    }));
    f.Run([&](TTeeExportForm& d) {
        d.Tabs->setCurrentWidget(d.TabData);
        d.RGText->Buttons()->button(1)->click();  // XML
        ASSERT_TRUE(d.BSend->isEnabled());
        d.BSend->click();
        AwaitSaves();
        ASSERT_EQ(sent.size(), 1u);
        EXPECT_EQ(sent[0].second, "DodUdudu");
        EXPECT_EQ(sent[0].first, f.File("DodUdudu.xml"));
        EXPECT_TRUE(QFile::exists(QString::fromStdString(sent[0].first)));

        // A refusal is reported; the file is still there.
        answer = 3;
        d.Tabs->setCurrentWidget(d.TabPicture);
        d.BSend->click();
        AwaitSaves();
        ASSERT_EQ(sent.size(), 2u);
        EXPECT_EQ(sent[1].first, f.File("DodUdudu.bmp"));
        EXPECT_TRUE(QFile::exists(QString::fromStdString(sent[1].first)));
        EXPECT_EQ(support::TestDialogs().LastMessage().text, "Can not email DodUdudu. Mapi Error: 3");
        d.BClose->click();
    });

    // Without a mail program there is no sending.
    SetTeeMailLauncher(TTeeMailLauncher());
    f.Run([](TTeeExportForm& d) {
        EXPECT_TRUE(d.BSave->isEnabled());
        EXPECT_FALSE(d.BSend->isEnabled());
        d.BClose->click();
    });
    SetTeeMailLauncher(old);
    qputenv("TMPDIR", oldTemp);
}
