#include "chart/editors/TTeeExportForm.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabWidget>
#include <QVBoxLayout>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "chart/editors/TeeHourGlass.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TChartSeries.h"
#include "chart/engine/TCustomAxisPanel.h"
#include "chart/engine/TTeeSeriesSource.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"
#include "chart/storage/TeeComponentPersist.h"
#include "chart/storage/TeePictureOptions.h"
#include "chart/storage/TeeSeriesData.h"
#include "chart/storage/TeeStore.h"
#include "chart/storage/TeeToolStorage.h"
#include "platform/FileSave.h"
#include "platform/Round.h"
#include "platform/TStream.h"
#include "platform/TextCodec.h"

namespace {

const char* const kEmailError = "Can not email DodUdudu. Mapi Error: %d";

// The name with its extension replaced by Extension (with its dot), or added when it has
// none.
AnsiString ChangeFileExt(const AnsiString& FileName, const AnsiString& Extension)
{
    const std::size_t slash = FileName.find_last_of('/');
    const std::size_t dot = FileName.find_last_of('.');
    if (dot != AnsiString::npos && (slash == AnsiString::npos || dot > slash))
        return FileName.substr(0, dot) + Extension;
    return FileName + Extension;
}

AnsiString FileExtensionOf(const AnsiString& FileName)
{
    return QFileInfo(QString::fromStdString(FileName)).suffix().toStdString();
}

QLabel* AddLabel(QWidget* Parent, const char* Caption, int X, int Y, QWidget* Buddy)
{
    auto* label = new QLabel(Caption, Parent);
    label->move(X, Y);
    label->adjustSize();
    label->setBuddy(Buddy);
    return label;
}

// The mail program: the installed launcher, else the desktop's, looked for once.
std::optional<TTeeMailLauncher>& InstalledLauncher()
{
    static std::optional<TTeeMailLauncher> launcher;
    return launcher;
}

const TTeeMailLauncher& DesktopLauncher()
{
    static const TTeeMailLauncher launcher = []() -> TTeeMailLauncher {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
        if (program.isEmpty()) return {};
        // The mail program may stay open for as long as the user writes: it runs on its own
        // and reads the attachment when it likes.
        return [program](const AnsiString& FileName, const AnsiString& Subject) {
            const QStringList args{QStringLiteral("--subject"), QString::fromStdString(Subject),
                                   QStringLiteral("--attach"), QString::fromStdString(FileName)};
            return QProcess::startDetached(program, args) ? 0 : 1;
        };
    }();
    return launcher;
}

}  // namespace

// ---- TTeeExportFormBase

TTeeExportFormBase::TTeeExportFormBase(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("TeeExportForm");
    setWindowTitle("Export Dialog");
    // Taller than the 238 pixels of the design: the GIF options need the room with Qt's
    // controls.
    SetClientSize(379, 262);

    Tabs = TeePlace(new QTabWidget(this), 4, 4, 371, 222);
    TabPicture = new QWidget;
    TabNative = new QWidget;
    TabData = new QWidget;
    Tabs->addTab(TabPicture, "Picture");
    Tabs->addTab(TabNative, "Native");
    Tabs->addTab(TabData, "Data");

    // ---- Picture: the format list, then the options and size pages.
    auto* pictureLayout = new QHBoxLayout(TabPicture);
    pictureLayout->setContentsMargins(4, 4, 4, 4);
    auto* splitter = new QSplitter(Qt::Horizontal, TabPicture);
    pictureLayout->addWidget(splitter);
    auto* format = new QGroupBox("&Format", splitter);
    auto* formatLayout = new QVBoxLayout(format);
    formatLayout->setContentsMargins(4, 4, 4, 4);
    LBFormat = new QListWidget(format);
    formatLayout->addWidget(LBFormat);
    PageOptions = new QTabWidget(splitter);
    TabOptions = new QWidget;
    (new QVBoxLayout(TabOptions))->setContentsMargins(0, 0, 0, 0);
    TabSize = new QWidget;
    PageOptions->addTab(TabOptions, "Options");
    PageOptions->addTab(TabSize, "Size");
    splitter->addWidget(format);
    splitter->addWidget(PageOptions);
    splitter->setSizes({110, 245});

    UDWidth = TeePlace(new QSpinBox(TabSize), 70, 10, 70, 21);
    UDWidth->setRange(0, 3000);
    AddLabel(TabSize, "&Width:", 8, 14, UDWidth);
    UDHeight = TeePlace(new QSpinBox(TabSize), 70, 38, 70, 21);
    UDHeight->setRange(0, 3000);
    AddLabel(TabSize, "&Height:", 8, 42, UDHeight);
    CBAspect = TeePlace(new QCheckBox("&Keep aspect ratio", TabSize), 8, 70, 200, 17);
    CBAspect->setChecked(true);

    // ---- Native
    CBNativeData = TeePlace(new QCheckBox("&Include Series data", TabNative), 12, 12, 200, 17);
    CBNativeData->setChecked(true);
    CBFileSize = TeePlace(new QCheckBox("&File size:", TabNative), 12, 40, 100, 17);
    LabelSize = TeePlace(new QLabel("?", TabNative), 116, 40, 200, 17);
    CBNativeFormat = TeePlace(new QComboBox(TabNative), 80, 68, 100, 21);
    CBNativeFormat->addItems({"Binary", "Text"});
    AddLabel(TabNative, "&Format:", 12, 72, CBNativeFormat);

    // ---- Data
    CBSeries = TeePlace(new QComboBox(TabData), 60, 8, 180, 21);
    AddLabel(TabData, "Se&ries:", 8, 12, CBSeries);
    RGText =
        TeePlace(new TOptionsRadioGroup("&Format:", {"Text", "XML", "HTML Table", "Excel"}, TabData), 8, 36, 104, 126);
    RGText->SetItemIndex(0);
    CBDelim = TeePlace(new QComboBox(TabData), 180, 36, 80, 21);
    CBDelim->addItems({"Space", "Tab", "Comma", "Colon", "Custom"});
    AddLabel(TabData, "&Delimiter:", 120, 40, CBDelim);
    ECustom = TeePlace(new QLineEdit(TabData), 266, 36, 24, 21);
    ECustom->setMaxLength(1);
    ECustom->setEnabled(false);
    auto* included = TeePlace(new QGroupBox("&Include:", TabData), 120, 64, 130, 98);
    CBIndex = TeePlace(new QCheckBox("Point &Index", included), 8, 18, 118, 17);
    CBLabels = TeePlace(new QCheckBox("Point &Labels", included), 8, 37, 118, 17);
    CBLabels->setChecked(true);
    CBHeader = TeePlace(new QCheckBox("&Header", included), 8, 56, 118, 17);
    CBHeader->setChecked(true);
    CBColors = TeePlace(new QCheckBox("Point &Colors", included), 8, 75, 118, 17);
    EQuotes = TeePlace(new QLineEdit(TabData), 328, 68, 24, 21);
    EQuotes->setMaxLength(1);
    AddLabel(TabData, "Text &Quotes:", 258, 72, EQuotes);

    // ---- Buttons
    BCopy = TeePlace(new QPushButton("&Copy", this), 4, 232, 75, 25);
    BSave = TeePlace(new QPushButton("&Save...", this), 84, 232, 75, 25);
    BSend = TeePlace(new QPushButton("S&end...", this), 164, 232, 75, 25);
    BClose = TeePlace(new QPushButton("Close", this), 300, 232, 75, 25);
    BindModal(BClose, mrCancel);
    SetDefaultButton(BClose);
    SetCancelButton(BClose);

    Bind(LBFormat, &QListWidget::currentRowChanged, [this] { LBFormatClick(); });
    Bind(UDWidth, &QSpinBox::valueChanged, [this] { EWidthChange(); });
    Bind(UDHeight, &QSpinBox::valueChanged, [this] { EHeightChange(); });
    Bind(Tabs, &QTabWidget::currentChanged, [this] { EnableButtons(); });
    Bind(RGText->Buttons(), &QButtonGroup::idClicked, [this] { RGTextClick(); });
    Bind(CBDelim, &QComboBox::currentIndexChanged, [this] { CBDelimChange(); });
    Bind(CBFileSize, &QCheckBox::clicked, [this] { CBFileSizeClick(); });
    Bind(CBNativeData, &QCheckBox::clicked, [this] { CBNativeDataClick(); });
    Bind(CBNativeFormat, &QComboBox::currentIndexChanged, [this] { CBNativeFormatChange(); });
    Bind(BCopy, &QPushButton::clicked, [this] { BCopyClick(); });
    Bind(BSave, &QPushButton::clicked, [this] { BSaveClick(); });
    Bind(BSend, &QPushButton::clicked, [this] { BSendClick(); });

    // Creating
    FTeeExtension = "tee";
    FTeeFilter = "DodUdudu files (*.tee)|*.tee";
    FTeeName = "DodUdudu";
    Tabs->setCurrentWidget(TabPicture);
    CBNativeFormat->setCurrentIndex(0);
    for (platform::FileDialogRequest* d : {&SaveDialogPicture, &SaveDialogData, &SaveDialogNative}) {
        d->save = true;
        d->overwritePrompt = true;
    }
    SaveDialogData.defaultExt = "txt";
    SaveDialogData.filter =
        "Space delimited text files|*.txt|Tab delimited text files|*.txt|Comma delimited text files|*.csv|"
        "Colon delimited text files|*.txt|Custom delimited text files|*.txt|XML files|*.xml|HTML files|*.htm|"
        "Microsoft Excel files|*.xls";
    SetBorderStyle(fbsDialog);
    Position = poScreenCenter;
}

// The format objects own their option forms, which live on the options page: they go
// before the page does.
TTeeExportFormBase::~TTeeExportFormBase()
{
    ClearFormats();
}

void TTeeExportFormBase::ClearFormats()
{
    LBFormat->clear();
    FFormats.clear();
}

std::unique_ptr<TSeriesData> TTeeExportFormBase::CreateData()
{
    return nullptr;
}

void TTeeExportFormBase::DoSaveNativeToFile(const AnsiString& FileName, bool)
{
    SaveTeeToFile(FPanel, FileName);
}

bool TTeeExportFormBase::ExistData()
{
    return false;
}

std::unique_ptr<TMemoryStream> TTeeExportFormBase::CreateNativeStream()
{
    auto stream = std::make_unique<TMemoryStream>();
    SaveTeeToStream(FPanel, stream.get());
    return stream;
}

void TTeeExportFormBase::PrepareOnShow()
{
    ShowDataTab(false);
    CBNativeData->hide();
}

void TTeeExportFormBase::ShowDataTab(bool Show)
{
    Tabs->setTabVisible(Tabs->indexOf(TabData), Show);
}

bool TTeeExportFormBase::NativeAsText() const
{
    return CBNativeFormat->currentIndex() == 1;
}

TTeeExportFormat* TTeeExportFormBase::PictureFormat() const
{
    const int row = LBFormat->currentRow();
    if (row < 0 || row >= int(FFormats.size())) return nullptr;
    return FFormats[std::size_t(row)].Format.get();
}

char TTeeExportFormBase::GetSeparator() const
{
    switch (CBDelim->currentIndex()) {
        case 1: return '\t';
        case 2: return ',';
        // The "Colon" entry has always meant the semicolon, which spreadsheet programs of
        // comma-decimal locales split at.
        case 3: return ';';
        case 4: {
            const QString text = ECustom->text();
            const std::string bytes = platform::Utf8ToCp1252(text.left(1).toStdString());
            return bytes.empty() ? ' ' : bytes[0];
        }
        default: return ' ';
    }
}

int TTeeExportFormBase::GetDataFilterIndex() const
{
    const int format = RGText->ItemIndex();
    if (format > 0) return format + 5;
    return CBDelim->currentIndex() + 1;
}

void TTeeExportFormBase::EnableButtons()
{
    QWidget* tab = Tabs->currentWidget();
    bool copy = false;
    if (tab == TabPicture)
        copy = true;
    else if (tab == TabData)
        copy = ExistData();
    else if (tab == TabNative)
        copy = NativeAsText();
    const bool save = copy || tab == TabNative;
    if (tab == TabData && RGText->ItemIndex() == 3) copy = false;
    BCopy->setEnabled(copy);
    BSave->setEnabled(save);
    BSend->setEnabled(save && bool(TeeMailLauncher()));
}

void TTeeExportFormBase::FormShow()
{
    {
        TFilling filling(this);
        RGText->SetItemIndex(0);
        if (auto* panel = qobject_cast<TCustomTeePanel*>(TagObject())) FPanel = panel;
        if (FPanel) {
            FChanging = true;
            UDWidth->setValue(FPanel->Width());
            UDHeight->setValue(FPanel->Height());
            // A panel without height has no aspect to keep.
            FRatio = FPanel->Height() != 0 ? double(FPanel->Width()) / FPanel->Height() : 0.0;
            PrepareOnShow();
            ClearFormats();
            // The filter is built anew at every show, so a dialog shown again neither
            // repeats its entries nor points its formats at stale ones.
            SaveDialogPicture.filter.clear();
            TeeFillPictureDialog(&SaveDialogPicture, FPanel, &FFormats);
            for (const TTeeExportFormatItem& item : FFormats) LBFormat->addItem(QString::fromStdString(item.Text));
            CBDelim->setCurrentIndex(1);
            if (LBFormat->count() > 0) LBFormat->setCurrentRow(0);
        }
    }
    if (FPanel) {
        LBFormatClick();
        RGTextClick();
        FChanging = false;
    }
    TeeTranslateControl(this);
}

void TTeeExportFormBase::FormClose()
{
    ClearFormats();
}

void TTeeExportFormBase::LBFormatClick()
{
    for (QWidget* w : TabOptions->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) w->hide();
    TTeeExportFormat* format = PictureFormat();
    QWidget* options = format ? format->Options(true) : nullptr;
    const bool visible = options && !options->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).isEmpty();
    PageOptions->setTabVisible(PageOptions->indexOf(TabOptions), visible);
    if (visible) {
        PageOptions->setCurrentWidget(TabOptions);
        if (options->parentWidget() != TabOptions) {
            options->setParent(TabOptions);
            TabOptions->layout()->addWidget(options);
        }
        options->show();
        TeeTranslateControl(options);
    } else {
        PageOptions->setCurrentWidget(TabSize);
    }
}

void TTeeExportFormBase::EWidthChange()
{
    if (!isVisible() || FChanging || !CBAspect->isChecked() || FRatio == 0) return;
    FChanging = true;
    UDHeight->setValue(Round(UDWidth->value() / FRatio));
    FChanging = false;
}

void TTeeExportFormBase::EHeightChange()
{
    if (!isVisible() || FChanging || !CBAspect->isChecked() || FRatio == 0) return;
    FChanging = true;
    UDWidth->setValue(Round(UDHeight->value() * FRatio));
    FChanging = false;
}

void TTeeExportFormBase::RGTextClick()
{
    CBDelim->setEnabled(RGText->ItemIndex() == 0);
    ECustom->setEnabled(CBDelim->isEnabled() && CBDelim->currentIndex() == 4);
    EnableButtons();
}

void TTeeExportFormBase::CBDelimChange()
{
    ECustom->setEnabled(CBDelim->currentIndex() == 4);
    if (ECustom->isEnabled() && isVisible()) ECustom->setFocus();
}

void TTeeExportFormBase::CBFileSizeClick()
{
    if (CBFileSize->isChecked())
        LabelSize->setText(QString("%1 bytes").arg(CreateNativeStream()->GetSize()));
    else
        LabelSize->setText("?");
}

void TTeeExportFormBase::CBNativeDataClick()
{
    CBFileSizeClick();
}

void TTeeExportFormBase::CBNativeFormatChange()
{
    EnableButtons();
    CBFileSizeClick();
}

void TTeeExportFormBase::BCopyClick()
{
    QWidget* tab = Tabs->currentWidget();
    if (tab == TabPicture) {
        TTeeExportFormat* format = PictureFormat();
        if (!format) return;
        format->Width = UDWidth->value();
        format->Height = UDHeight->value();
        format->CopyToClipboard();
    } else if (tab == TabData) {
        TTeeHourGlass wait;
        if (auto exporter = CreateData()) exporter->CopyToClipboard();
    } else if (tab == TabNative && NativeAsText()) {
        const auto stream = CreateNativeStream();
        const auto& bytes = stream->Bytes();
        const AnsiString text =
            platform::DecodeText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        QGuiApplication::clipboard()->setText(QString::fromStdString(text));
    }
}

TTeeExportFormat* TTeeExportFormBase::FormatForFile(const AnsiString& FileName, int FilterIndex) const
{
    const AnsiString extension = FileExtensionOf(FileName);
    for (const TTeeExportFormatItem& item : FFormats)
        if (item.Format->WantsFileExtension(extension)) return item.Format.get();
    for (const TTeeExportFormatItem& item : FFormats)
        if (item.Format->WantsFilterIndex(FilterIndex)) return item.Format.get();
    return PictureFormat();
}

void TTeeExportFormBase::SavePicture(TTeeExportFormat* Format, const AnsiString& FileName)
{
    TTeeHourGlass wait;
    Format->Width = UDWidth->value();
    Format->Height = UDHeight->value();
    Format->SaveToFile(FileName);
}

void TTeeExportFormBase::SaveNative(const AnsiString& FileName)
{
    TTeeHourGlass wait;
    DoSaveNativeToFile(FileName, CBNativeData->isChecked());
}

void TTeeExportFormBase::SaveData(const AnsiString& FileName)
{
    TTeeHourGlass wait;
    if (auto exporter = CreateData()) exporter->SaveToFile(FileName);
}

void TTeeExportFormBase::WriteInBackground(const std::function<void()>& Make, std::function<void()> Then)
{
    std::vector<platform::TDeferredSave> files;
    {
        platform::TDeferredSaves deferred;
        Make();
        files = deferred.Take();
    }
    if (files.empty()) {
        if (Then) platform::GuardedCall(Then);
        return;
    }
    const AnsiString name = files.front().Path;
    platform::SaveInBackground(std::move(files), [name, Then = std::move(Then)](const std::string& error) {
        if (!error.empty())
            platform::GuardedCall([&] { throw EFOpenError("Cannot create file \"" + name + "\". " + error); });
        else if (Then)
            platform::GuardedCall(Then);
    });
}

void TTeeExportFormBase::BSaveClick()
{
    QWidget* tab = Tabs->currentWidget();
    if (tab == TabPicture) {
        TTeeExportFormat* format = PictureFormat();
        if (!format) return;
        SaveDialogPicture.defaultExt = format->FileExtension();
        SaveDialogPicture.filterIndex = format->FileFilterIndex();
        SaveDialogPicture.fileName.clear();
        if (!platform::dialogs().FileDialog(SaveDialogPicture)) return;
        WriteInBackground([&] {
            SavePicture(FormatForFile(SaveDialogPicture.fileName, SaveDialogPicture.filterIndex),
                        SaveDialogPicture.fileName);
        });
    } else if (tab == TabNative) {
        SaveDialogNative.fileName.clear();
        SaveDialogNative.defaultExt = FTeeExtension;
        SaveDialogNative.filter = FTeeFilter;
        if (!platform::dialogs().FileDialog(SaveDialogNative)) return;
        WriteInBackground([&] { SaveNative(ChangeFileExt(SaveDialogNative.fileName, "." + FTeeExtension)); });
    } else if (tab == TabData) {
        SaveDialogData.fileName.clear();
        SaveDialogData.filterIndex = GetDataFilterIndex();
        if (!platform::dialogs().FileDialog(SaveDialogData)) return;
        const int chosen = SaveDialogData.filterIndex;
        RGText->SetItemIndex(chosen > 5 ? chosen - 5 : 0);
        RGTextClick();
        WriteInBackground([&] { SaveData(SaveDialogData.fileName); });
    }
}

AnsiString TTeeExportFormBase::DataFilterExtension(int FilterIndex) const
{
    const QStringList parts = QString::fromStdString(SaveDialogData.filter).split('|');
    const int pattern = FilterIndex * 2 - 1;
    if (FilterIndex < 1 || pattern >= parts.size()) return "txt";
    const QString entry = parts[pattern];
    const qsizetype dot = entry.indexOf('.');
    return dot < 0 ? AnsiString("txt") : entry.mid(dot + 1).toStdString();
}

void TTeeExportFormBase::BSendClick()
{
    const QString temp = QDir::tempPath();
    if (temp.isEmpty() || !QDir(temp).exists()) throw Exception(TeeMsg_CanNotFindTempPath);
    const AnsiString base = QDir(temp).filePath(QString::fromStdString(FTeeName)).toStdString();
    AnsiString name;
    QWidget* tab = Tabs->currentWidget();
    std::function<void()> make;
    if (tab == TabPicture) {
        TTeeExportFormat* format = PictureFormat();
        if (!format) return;
        name = base + "." + format->FileExtension();
        make = [this, format, &name] { SavePicture(format, name); };
    } else if (tab == TabNative) {
        name = base + "." + FTeeExtension;
        make = [&] { SaveNative(name); };
    } else if (tab == TabData) {
        name = base + "." + DataFilterExtension(GetDataFilterIndex());
        make = [&] { SaveData(name); };
    } else {
        return;
    }
    // The file stays: the mail program reads it when it sends, which may be long after
    // this returns; the next send writes over it.
    WriteInBackground(make, [name, subject = FTeeName] { TeeEmailFile(name, subject); });
}

// ---- TTeeExportForm

TTeeExportForm::TTeeExportForm(QWidget* Owner) : TTeeExportFormBase(Owner) {}

std::unique_ptr<TSeriesData> TTeeExportForm::CreateData()
{
    auto* chart = qobject_cast<TCustomAxisPanel*>(Panel());
    if (!chart) return nullptr;
    TChartSeries* series = nullptr;
    if (auto* s = qobject_cast<TChartSeries*>(CBSeries->currentData().value<QObject*>())) {
        for (int i = 0; i < chart->SeriesCount(); ++i)
            if (chart->GetSeries(i) == s) series = s;
    }
    std::unique_ptr<TSeriesData> exporter;
    switch (RGText->ItemIndex()) {
        case 1: exporter = std::make_unique<TSeriesDataXML>(chart, series); break;
        case 2: exporter = std::make_unique<TSeriesDataHTML>(chart, series); break;
        case 3: exporter = std::make_unique<TSeriesDataXLS>(chart, series); break;
        default: {
            auto text = std::make_unique<TSeriesDataText>(chart, series);
            text->TextDelimiter = GetSeparator();
            text->TextQuotes = EQuotes->text().toStdString();
            exporter = std::move(text);
        }
    }
    exporter->IncludeLabels = CBLabels->isChecked();
    exporter->IncludeIndex = CBIndex->isChecked();
    exporter->IncludeHeader = CBHeader->isChecked();
    exporter->IncludeColors = CBColors->isChecked();
    return exporter;
}

void TTeeExportForm::DoSaveNativeToFile(const AnsiString& FileName, bool IncludeData)
{
    SaveChartToFile(Panel(), FileName, IncludeData, NativeAsText());
}

bool TTeeExportForm::ExistData()
{
    auto* chart = qobject_cast<TCustomAxisPanel*>(Panel());
    return chart && chart->SeriesCount() > 0;
}

std::unique_ptr<TMemoryStream> TTeeExportForm::CreateNativeStream()
{
    auto stream = std::make_unique<TMemoryStream>();
    SaveChartToStream(Panel(), stream.get(), CBNativeData->isChecked(), NativeAsText());
    return stream;
}

void TTeeExportForm::PrepareOnShow()
{
    CBSeries->clear();
    CBSeries->addItem("(all)", QVariant::fromValue<QObject*>(nullptr));
    if (auto* chart = qobject_cast<TCustomAxisPanel*>(Panel()))
        for (int i = 0; i < chart->SeriesCount(); ++i) {
            TChartSeries* s = chart->GetSeries(i);
            CBSeries->addItem(QString::fromStdString(SeriesTitleOrName(s)), QVariant::fromValue<QObject*>(s));
        }
    CBSeries->setCurrentIndex(0);
}

// ---- entry points

void TeeExport(QObject* AOwner, TCustomTeePanel* Panel)
{
    auto form = TeeCreateForm<TTeeExportForm>(AOwner);
    form->Position = poScreenCenter;
    form->SetPanel(Panel);
    form->ShowModal();
}

void SaveTeeToStream(TCustomTeePanel* Panel, TStream* Stream)
{
    if (!Panel) throw Exception(TeeMsg_ExportPanelNotSet);
    // The series that tools and groups refer to carry names for the time of the writing.
    const std::vector<QObject*> named = NameReferencedSeries(Panel);
    TStreamComponent component;
    try {
        component = ComponentFromObject(Panel);
    } catch (...) {
        for (QObject* o : named) o->setObjectName(QString());
        throw;
    }
    for (QObject* o : named) o->setObjectName(QString());
    std::vector<std::uint8_t> bytes;
    WriteComponentBinary(component, bytes);
    Stream->WriteBuffer(bytes.data(), std::int64_t(bytes.size()));
}

void SaveTeeToFile(TCustomTeePanel* Panel, const AnsiString& FileName)
{
    TMemoryStream stream;
    SaveTeeToStream(Panel, &stream);
    const auto& bytes = stream.Bytes();
    std::string error;
    if (!platform::SaveFileAtomic(FileName, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                                  &error))
        throw EFOpenError("Cannot create file \"" + FileName + "\". " + error);
}

void LoadTeeFromStream(TCustomTeePanel* Panel, TStream* Stream)
{
    if (!Panel) throw Exception(TeeMsg_ExportPanelNotSet);
    // The component as a chart file reads it: all or nothing.
    TMemoryStream file;
    const std::uint8_t header[4] = {0x60, 0x30, 0x50, 0x01};
    file.WriteBuffer(header, 4);
    const std::int64_t size = Stream->GetSize() - Stream->GetPosition();
    if (size > 0) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
        Stream->ReadBuffer(bytes.data(), size);
        file.WriteBuffer(bytes.data(), size);
    }
    file.SetPosition(0);
    LoadChartFromStream(Panel, &file);
}

void LoadTeeFromFile(TCustomTeePanel* Panel, const AnsiString& FileName)
{
    TFileStream file(FileName, fmOpenRead);
    LoadTeeFromStream(Panel, &file);
}

TTeeMailLauncher TeeMailLauncher()
{
    if (InstalledLauncher()) return *InstalledLauncher();
    return DesktopLauncher();
}

std::optional<TTeeMailLauncher> SetTeeMailLauncher(std::optional<TTeeMailLauncher> Launcher)
{
    std::optional<TTeeMailLauncher> old = std::move(InstalledLauncher());
    InstalledLauncher() = std::move(Launcher);
    return old;
}

void TeeEmailFile(const AnsiString& FileName, const AnsiString& Subject)
{
    const TTeeMailLauncher launcher = TeeMailLauncher();
    const int result = launcher ? launcher(FileName, Subject) : -1;
    if (result != 0) {
        const AnsiString text = kEmailError;
        throw Exception(text.substr(0, text.find("%d")) + IntToStr(result));
    }
}
