#include "app/classFileReader.h"

#include <QFont>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBlock>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "app/CLanguage.h"
#include "app/RecordedDataReader.h"
#include "chart/engine/TChartSeries.h"
#include "platform/DateTime.h"
#include "platform/TextLines.h"
#include "platform/UiThread.h"
#include "resources/TextRows.h"

using namespace resources;

int ImportColumnCount = 0;

namespace {

constexpr int kProgressMaximum = 86400;
constexpr int kProgressStep = 3;

// Value columns that go on the right axis by default, per column count.
std::vector<int> DefaultRightColumns(int columns)
{
    switch (columns) {
        case 15: return {3, 7, 8, 9, 10};
        case 16: return {3, 7, 8, 9, 10, 14};
        case 20: return {3, 7, 8, 9, 10, 18};
        case 23:
        case 24: return {3, 7, 8, 9, 10, 13, 18};
        default: return {};
    }
}

struct ChartLayout {
    int hiddenFrom = -1, hiddenTo = -1;
    int shownFrom = -1, shownTo = -1;
    std::vector<int> right, left;
};

ChartLayout LayoutFor(int columns)
{
    switch (columns) {
        case 15: return {14, 23, -1, -1, {3, 7, 8, 9, 10, 14}, {13}};
        case 16: return {15, 23, 14, 14, {3, 7, 8, 9, 10, 14}, {13}};
        case 20: return {19, 23, 14, 18, {3, 7, 8, 9, 10, 18}, {13, 14}};
        case 23: return {-1, -1, 14, 20, {7, 8, 9, 10, 13}, {3, 14, 18}};
        default: return {};
    }
}

}  // namespace

TfrmFileReader* frmFileReader = nullptr;

TfrmFileReader::TfrmFileReader(QWidget* parent) : QDialog(parent), FLanguage(CLanguage::Instance())
{
    NOX_ASSERT_UI_THREAD();
    frmFileReader = this;
    setObjectName("frmFileReader");
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(745, 463);
    QFont f = font();
    f.setPointSize(8);
    setFont(f);

    memFileInfo = new QPlainTextEdit(this);
    memFileInfo->setReadOnly(true);
    memFileInfo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memFileInfo->setGeometry(16, 32, 320, 360);
    txtAnalysis = new QLabel(this);
    txtAnalysis->setGeometry(16, 10, 320, 18);
    cmdFileReaderOK = new QPushButton("OK", this);
    cmdFileReaderOK->setGeometry(640, 420, 90, 28);
    txtProgress = new QLabel(this);
    txtProgress->setGeometry(16, 400, 200, 18);
    proProgress = new QProgressBar(this);
    proProgress->setRange(0, kProgressMaximum);
    proProgress->setGeometry(16, 422, 520, 20);
    txtLeftAxis = new QLabel(this);
    txtLeftAxis->setGeometry(352, 10, 170, 18);
    txtRightAxis = new QLabel(this);
    txtRightAxis->setGeometry(565, 10, 170, 18);
    lstLeftAxis = new QListWidget(this);
    lstLeftAxis->setGeometry(352, 32, 170, 360);
    lstRightAxis = new QListWidget(this);
    lstRightAxis->setGeometry(565, 32, 170, 360);
    cmdRight = new QPushButton("--->", this);
    cmdRight->setGeometry(526, 160, 35, 24);
    cmdLeft = new QPushButton("<---", this);
    cmdLeft->setGeometry(526, 200, 35, 24);

    std::fill(std::begin(ImportAxisFlags), std::end(ImportAxisFlags), 1);
    connect(cmdRight, &QPushButton::clicked, this, [this] { cmdRightClick(); });
    connect(cmdLeft, &QPushButton::clicked, this, [this] { cmdLeftClick(); });
    connect(cmdFileReaderOK, &QPushButton::clicked, this, [this] { cmdFileReaderOKClick(); });
}

TfrmFileReader::~TfrmFileReader()
{
    NOX_ASSERT_UI_THREAD();
    if (frmFileReader == this) frmFileReader = nullptr;
}

AnsiString TfrmFileReader::Text(int row) const
{
    AnsiString s;
    return FLanguage->LookupCurrentText(row, s);
}

void TfrmFileReader::AddInfo(const AnsiString& line)
{
    memFileInfo->appendPlainText(Q(line));
}

std::vector<AnsiString> TfrmFileReader::FileInfoLines() const
{
    NOX_ASSERT_UI_THREAD();
    std::vector<AnsiString> lines;
    if (memFileInfo->document()->isEmpty()) return lines;
    for (QTextBlock b = memFileInfo->document()->begin(); b.isValid(); b = b.next()) lines.push_back(A(b.text()));
    return lines;
}

int TfrmFileReader::ValueColumns() const
{
    return std::clamp(ImportColumnCount - 1, 0, MaxValueColumns);
}

void TfrmFileReader::SetLanguage(int language)
{
    NOX_ASSERT_UI_THREAD();
    AnsiString s;
    setWindowTitle(Q(FLanguage->LookupText(language, RowImportData, s)));
    txtAnalysis->setText(Q(FLanguage->LookupText(language, RowAnalysis, s)));
    txtProgress->setText(Q(FLanguage->LookupText(language, RowProgress, s)));
    txtLeftAxis->setText(Q(FLanguage->LookupText(language, RowTemperatureAxisDisplay, s)));
    txtRightAxis->setText(Q(FLanguage->LookupText(language, RowIncrementAxisDisplay, s)));
}

int TfrmFileReader::ChannelFromWindowName(const AnsiString& name)
{
    NOX_ASSERT_UI_THREAD();
    if (name == "mdiSubWindow") return 1;
    if (name.size() <= 13 || name.compare(0, 13, "mdiSubWindow_") != 0) return 0;
    int n = 0;
    if (!TryStrToInt(name.substr(13), n) || n < 0) return 0;
    return n + 1;
}

void TfrmFileReader::ForgetWindow(IDataFileView* window)
{
    NOX_ASSERT_UI_THREAD();
    if (FWindow == window) FWindow = nullptr;
}

bool TfrmFileReader::ImportFile(IDataFileView& window, const AnsiString& path)
{
    NOX_ASSERT_UI_THREAD();
    TQzvFile file;
    std::string error;
    const bool opened = file.Open(path, &error);
    return ImportRead(window, path, opened ? &file : nullptr, error);
}

bool TfrmFileReader::ImportRead(IDataFileView& window, const AnsiString& path, TQzvFile* file, const std::string& error)
{
    NOX_ASSERT_UI_THREAD();
    if (!BeginImport(window, path, file, error, nullptr)) return false;
    while (AddRows(std::numeric_limits<int>::max())) {}
    EndImport();
    return true;
}

bool TfrmFileReader::BeginImport(IDataFileView& window, const AnsiString& path, TQzvFile* file,
                                 const std::string& error, TQzvRows* rows)
{
    NOX_ASSERT_UI_THREAD();
    show();
    if (AnalyseQzvFile(file, path, window) != 1) return false;
    if (!file) {
        // The analysis prepares the window without a file; say why nothing came.
        AddInfo(Text(RowCannotOpenFile));
        for (const AnsiString& l : SplitString(error, '\n')) AddInfo(l);
        return false;
    }
    PrepareChart();
    if (!FWindow) return false;
    if (rows && rows->Y.size() == size_t(ValueColumns()))
        FRows = std::move(*rows);
    else
        FRows = ReadQzvRows(*file, ValueColumns());
    if (FRows.TooMany) {
        AddInfo(Text(RowCannotOpenFile));
        for (const AnsiString& l : SplitString(FileRefusalText(TDataFileProblemKind::TooManyLines, path, false), '\n'))
            AddInfo(l);
        return false;
    }
    FNextRow = 0;
    return true;
}

TQzvRows TfrmFileReader::ParseRows(TQzvFile& file)
{
    // The lines the analysis reads before the rows.
    AnsiString line;
    file.ReadLine(line);
    line.clear();
    file.ReadLine(line);
    std::size_t columns = 0;
    ReadQzvColumnNames(line, &columns);
    TQzvRows rows;
    if (IsKnownQzvColumnCount(int(columns))) rows = ReadQzvRows(file, std::clamp(int(columns) - 1, 0, MaxValueColumns));
    file.Rewind();
    return rows;
}

unsigned char TfrmFileReader::AnalyseQzvFile(TQzvFile* file, const AnsiString& fileName, IDataFileView& window)
{
    NOX_ASSERT_UI_THREAD();
    FWindow = &window;
    memFileInfo->clear();
    ImportColumnCount = 0;
    ImportOk = 1;
    lstLeftAxis->clear();
    lstRightAxis->clear();

    window.ShowGraphPage();
    window.SetMemoLines(TDataFileMemo::Memo, {});
    window.SetMemoLines(TDataFileMemo::Info, {});
    std::vector<AnsiString> title{AnsiString()};
    window.SetChartTitleLines(title);
    window.SetBottomAxisTitle(Text(RowTimeInSeconds));
    for (int k = 0; k < MaxValueColumns && k < window.SeriesCount(); ++k)
        if (TChartSeries* s = window.Series(k)) s->Clear();
    if (!file) return ImportOk;

    AddInfo(Text(RowAnalysingFileHeader));
    AddInfo(AnsiString(35, '-'));
    AddInfo(Text(RowCurrentPathAndFileName) + fileName);

    AnsiString line;
    file->ReadLine(line);
    for (const TQzvHeaderItem& item : ClassifyQzvHeader(line)) {
        // A labelled header line goes to the import's report and to the window's information.
        auto info = [&](TextRow label) {
            const AnsiString text = Text(label) + item.Text;
            AddInfo(text);
            window.AddMemoLine(TDataFileMemo::Info, text);
        };
        switch (item.Kind) {
            case TQzvItemKind::PreviousPath: info(RowPreviousPathAndFileName); break;
            case TQzvItemKind::Date: info(RowDateLabel); break;
            case TQzvItemKind::Time: info(RowTimeLabel); break;
            case TQzvItemKind::Comment:
                AddInfo(Text(RowCommentLabel) + item.Text);
                window.AddMemoLine(TDataFileMemo::Memo, item.Text);
                break;
            case TQzvItemKind::TestData:
                AddInfo(Text(RowTestDataLabel) + item.Text);
                title[0] += " " + item.Text;
                window.SetChartTitleLines(title);
                break;
        }
    }

    line.clear();
    file->ReadLine(line);
    std::size_t count = 0;
    const std::vector<AnsiString> names = ReadQzvColumnNames(line, &count);
    // Names beyond the chart's 24 value series are counted but stored nowhere.
    for (size_t f = 1; f < names.size() && f <= size_t(MaxValueColumns); ++f) {
        const int k = int(f) - 1;
        ImportColumnNames[k] = names[f];
        if (k < window.SeriesCount())
            if (TChartSeries* s = window.Series(k)) s->SetTitle(names[f]);
    }
    ImportColumnCount = int(count);
    AddInfo(IntToStr(ImportColumnCount) + Text(RowValueRowsIdentified));

    if (ImportColumnCount >= QzvFaultyFieldCount) {
        memFileInfo->clear();
        AddInfo(Text(RowFaultyFile));
        AnsiString next;
        file->ReadLine(next);
        AddInfo(Text(RowCurrentFileData));
        AddInfo(next.substr(0, 199));
        ImportOk = 0;
    } else {
        AddInfo(Text(RowReadingProcessData));
    }
    if (!IsKnownQzvColumnCount(ImportColumnCount)) {
        AddInfo(Text(RowUnknownFileFormat));
        ImportOk = 0;
    }
    if (ImportOk == 1) AssignDefaultAxes();
    return ImportOk;
}

void TfrmFileReader::AssignDefaultAxes()
{
    NOX_ASSERT_UI_THREAD();
    if (!IsKnownQzvColumnCount(ImportColumnCount)) return;
    const std::vector<int> right = DefaultRightColumns(ImportColumnCount);
    for (int k = 0; k < ValueColumns(); ++k)
        ImportAxisFlags[k] = std::find(right.begin(), right.end(), k) == right.end() ? 1 : 0;
    FillAxisLists();
}

void TfrmFileReader::FillAxisLists()
{
    NOX_ASSERT_UI_THREAD();
    lstLeftAxis->clear();
    lstRightAxis->clear();
    for (int k = 0; k < ValueColumns(); ++k) {
        const bool left = ImportAxisFlags[k] == 1;
        (left ? lstLeftAxis : lstRightAxis)->addItem(Q(ImportColumnNames[k]));
        if (FWindow && k < FWindow->SeriesCount())
            if (TChartSeries* s = FWindow->Series(k)) s->SetVertAxis(left ? aLeftAxis : aRightAxis);
    }
}

void TfrmFileReader::MoveColumn(QListWidget* list, int axisFlag)
{
    QListWidgetItem* item = list->currentItem();
    if (!item) return;
    const AnsiString name = A(item->text());
    for (int k = 0; k < ValueColumns(); ++k)
        if (ImportColumnNames[k] == name) {
            ImportAxisFlags[k] = axisFlag;
            break;
        }
    FillAxisLists();
}

void TfrmFileReader::cmdRightClick()
{
    NOX_ASSERT_UI_THREAD();
    MoveColumn(lstLeftAxis, 0);
}

void TfrmFileReader::cmdLeftClick()
{
    NOX_ASSERT_UI_THREAD();
    MoveColumn(lstRightAxis, 1);
}

void TfrmFileReader::cmdFileReaderOKClick()
{
    NOX_ASSERT_UI_THREAD();
    hide();
}

void TfrmFileReader::PrepareChart()
{
    NOX_ASSERT_UI_THREAD();
    if (!FWindow) return;
    IDataFileView& w = *FWindow;
    proProgress->setValue(0);
    w.AddMemoLine(TDataFileMemo::SerialData, DateTimeToStr(Now()) + Text(RowReadingQzvFile));
    const int count = std::min(MaxValueColumns, w.SeriesCount());
    for (int k = 0; k < count; ++k)
        if (TChartSeries* s = w.Series(k)) s->Clear();
    w.SetBottomAxisDateTimeFormat("ss");
    std::vector<AnsiString> choices;
    for (int k = 0; k < ValueColumns() && k < count; ++k) {
        TChartSeries* s = w.Series(k);
        if (!s) continue;
        s->XValues()->SetDateTime(false);
        s->SetActive(true);
        choices.push_back(s->GetTitle());
    }
    w.SetLineSeriesChoices(choices);

    const ChartLayout layout = LayoutFor(ImportColumnCount);
    auto series = [&](int k) { return k >= 0 && k < count ? w.Series(k) : nullptr; };
    for (int k = layout.hiddenFrom; k >= 0 && k <= layout.hiddenTo; ++k)
        if (TChartSeries* s = series(k)) s->SetActive(false);
    for (int k = layout.shownFrom; k >= 0 && k <= layout.shownTo; ++k)
        if (TChartSeries* s = series(k)) s->SetActive(true);
    for (int k : layout.right)
        if (TChartSeries* s = series(k)) s->SetVertAxis(aRightAxis);
    for (int k : layout.left)
        if (TChartSeries* s = series(k)) s->SetVertAxis(aLeftAxis);
}

void TfrmFileReader::ReadQzvData(TQzvFile& file)
{
    NOX_ASSERT_UI_THREAD();
    PrepareChart();
    if (!FWindow) return;
    FRows = ReadQzvRows(file, ValueColumns());
    FNextRow = 0;
    while (AddRows(std::numeric_limits<int>::max())) {}
    EndImport();
}

bool TfrmFileReader::AddRows(int maxPoints)
{
    NOX_ASSERT_UI_THREAD();
    // The window may have been closed between two steps.
    if (!FWindow) return false;
    IDataFileView& w = *FWindow;
    const size_t rows = FRows.X.size();
    const int count = std::min(ValueColumns(), w.SeriesCount());
    const size_t step = std::max<size_t>(1, size_t(std::max(1, maxPoints)) / size_t(std::max(1, count)));
    const size_t to = rows - FNextRow > step ? FNextRow + step : rows;
    for (int k = 0; k < count; ++k) {
        TChartSeries* s = w.Series(k);
        if (!s) continue;
        const TColor color = s->GetSeriesColor();
        TSeriesUpdateGuard guard(*s);
        const std::vector<double>& ys = FRows.Y[size_t(k)];
        for (size_t r = FNextRow; r < to; ++r)
            if (!std::isnan(ys[r])) s->AddXY(FRows.X[r], ys[r], AnsiString(), color);
    }
    FNextRow = to;
    // The bar advances by its step per row and starts again once full.
    proProgress->setValue(int((FNextRow * kProgressStep) % (kProgressMaximum + 1)));
    return FNextRow < rows;
}

void TfrmFileReader::EndImport()
{
    NOX_ASSERT_UI_THREAD();
    const TQzvRows rows = std::exchange(FRows, {});
    FNextRow = 0;
    if (!FWindow) return;
    IDataFileView& w = *FWindow;
    if (!rows.X.empty()) {
        w.SetBottomAxisRange(0, 0);
        const double first = rows.X.front();
        const double last = rows.X.back();
        // A last time below the first cannot be an axis range: the range spans both.
        w.SetBottomAxisRange(std::min(first, last), std::max(first, last));
    }
    proProgress->setValue(kProgressMaximum);
    AddInfo(Text(RowUpdatingGraph));
    if (OnSeriesShowLeft) OnSeriesShowLeft(w);
    w.ShowLoadedDataPages(false);
}
