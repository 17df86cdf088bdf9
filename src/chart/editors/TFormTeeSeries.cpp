#include "chart/editors/TFormTeeSeries.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <memory>

#include "chart/editors/TButtonPen.h"
#include "chart/editors/TChartListBox.h"
#include "chart/editors/TCustomChartGrid.h"
#include "chart/editors/TFormTeeShape.h"
#include "chart/editors/TFormatEditor.h"
#include "chart/editors/TSeriesPointerEditor.h"
#include "chart/editors/TeeEditorBitmaps.h"
#include "chart/editors/TeeEditorClasses.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TChartAxes.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomAxisPanel.h"
#include "chart/engine/TSeriesPointer.h"
#include "chart/engine/TTeeFunction.h"
#include "chart/engine/TTeeSeriesSource.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"
#include "chart/engine/TeeSeriesEdit.h"
#include "chart/series/TPieSeries.h"
#include "platform/TBitmap.h"
#include "platform/TCanvas.h"

std::function<void(TFormTeeSeries*, TCustomAxisPanel*)> InternalOnCreateEditSeries;
std::function<void(TFormTeeSeries*, TCustomAxisPanel*)> InternalOnCreateEditSeriesObj;

namespace {

// The data source styles before the registered source classes.
enum { dsManual, dsRandom, dsFunction };
// The class name of the function editor kept as the object of the "Function" item.
const char* const FunctionEditorClass = "TTeeFuncEditor";

QWidget* Group(QWidget* Parent, const char* Caption, int X, int Y, int W, int H)
{
    auto* box = TeePlace(new QGroupBox(Caption, Parent), X, Y, W, H);
    return box;
}

// The registered source class of a data-source item (items after "Function").
const TTeeSourceClass* SourceClassOf(const QComboBox* Combo, int Index)
{
    if (Index <= dsFunction) return nullptr;
    const auto i = Combo->itemData(Index).toInt();
    const auto& sources = TeeSources();
    return i >= 0 && i < int(sources.size()) ? &sources[std::size_t(i)] : nullptr;
}

std::unique_ptr<TTeeSeriesSource> Sample(const TTeeSourceClass* Class)
{
    return std::unique_ptr<TTeeSeriesSource>(Class && Class->Create ? Class->Create(nullptr) : nullptr);
}

}  // namespace

void TSeriesColorBox::paintEvent(QPaintEvent*)
{
    TChartSeries* series = GetSeries ? GetSeries() : nullptr;
    TBitmap bitmap;
    bitmap.SetSize(width(), height());
    bitmap.Canvas()->Brush()->SetColor(ColorToRGB(clBtnFace));
    bitmap.Canvas()->FillRect(TRect{0, 0, width(), height()});
    if (series) PaintSeriesLegend(series, bitmap.Canvas(), TRect{0, 4, width(), height() - 4}, ChartOf(series));
    QPainter painter(this);
    painter.drawImage(0, 0, bitmap.Image());
}

void TSeriesColorBox::mouseReleaseEvent(QMouseEvent* Event)
{
    if (Event->button() == Qt::LeftButton && OnClick) TTeeForm::Guard(OnClick);
}

TTeeFormClass SeriesEditorForm(const TChartSeries* Series)
{
    return Series ? FindTeeEditorClass(Series->GetEditorClass()) : nullptr;
}

TFormTeeSeries::TFormTeeSeries(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("FormTeeSeries");
    SetClientSize(436, 290);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    // ---- header
    Panel1 = new QWidget(this);
    Panel1->setFixedHeight(25);
    auto* header = new QHBoxLayout(Panel1);
    header->setContentsMargins(2, 1, 2, 1);
    CBSeries = new TComboFlat(Panel1);
    CBSeries->setMaxVisibleItems(16);
    CBSeries->setMinimumWidth(120);
    header->addWidget(CBSeries);
    ImageSeries = new QLabel(Panel1);
    ImageSeries->setFixedSize(24, 24);
    header->addWidget(ImageSeries);
    LabelSeriesClass = new QLabel(Panel1);
    header->addWidget(LabelSeriesClass, 1);
    CBPersistent = new QCheckBox("Persistent", Panel1);
    CBPersistent->hide();
    header->addWidget(CBPersistent);
    PaintBox1 = new TSeriesColorBox(Panel1);
    PaintBox1->setFixedWidth(20);
    PaintBox1->setCursor(Qt::PointingHandCursor);
    PaintBox1->GetSeries = [this] { return EditedSeries.data(); };
    PaintBox1->OnClick = [this] { PaintBox1Click(); };
    header->addWidget(PaintBox1);
    layout->addWidget(Panel1);

    PageSeries = new TTeePageControl(this);
    layout->addWidget(PageSeries, 1);
    TheTabSheet = TeeAddTab(PageSeries, "Format");

    // ---- General
    TabGeneral = TeeAddTab(PageSeries, "General");
    QWidget* gb5 = Group(TabGeneral, "General:", 4, 4, 200, 100);
    CBShowInLegend = TeeAddCheck(gb5, "&Show In Legend", 8, 18);
    CBShowInLegend->setChecked(true);
    QLabel* l27 = TeeAddLabel(gb5, "&Cursor:", 8, 44);
    CBCursor = TeePlace(new TComboFlat(gb5), 60, 40, 130, 21);
    l27->setBuddy(CBCursor);
    LDepth = TeeAddLabel(gb5, "&Depth:", 8, 72);
    EDepth = TeeAddSpin(gb5, 60, 68, 60, 0, 1200, 1, LDepth);
    CBDepth = TeeAddCheck(gb5, "Auto", 128, 70);
    QWidget* gb2 = Group(TabGeneral, "Formats:", 4, 108, 200, 76);
    CBFormat = TeeAddCombo(gb2, 64, 18, 100, {}, TeeAddLabel(gb2, "&Values:", 8, 22));
    CBFormat->setEditable(true);
    Button1 = TeeAddButton(gb2, "...", 168, 18, 24, 21);
    QLabel* l21 = TeeAddLabel(gb2, "&Percents:", 8, 50);
    EPercentFormat = TeePlace(new QLineEdit(gb2), 64, 46, 100, 21);
    l21->setBuddy(EPercentFormat);
    Button2 = TeeAddButton(gb2, "...", 168, 46, 24, 21);
    GBHorizAxis = Group(TabGeneral, "Horizontal Axis:", 210, 4, 200, 52);
    CBHorizAxis = TeeAddCombo(GBHorizAxis, 8, 20, 110, {"Top", "Bottom", "Top and Bottom"});
    CBXDateTime = TeeAddCheck(GBHorizAxis, "Dat&eTime", 124, 22);
    GBVertAxis = Group(TabGeneral, "Vertical Axis:", 210, 60, 200, 52);
    CBVertAxis = TeeAddCombo(GBVertAxis, 8, 20, 110, {"Left", "Right", "Left and Right"});
    CBYDateTime = TeeAddCheck(GBVertAxis, "D&ateTime", 124, 22);
    LSort = TeeAddLabel(TabGeneral, "S&ort:", 214, 124);
    CBSort = TeeAddCombo(TabGeneral, 260, 120, 110, {"Ascending", "Descending", "None"}, LSort);
    CBZDateTime = TeeAddCheck(TabGeneral, "&Z DateTime", 214, 150);
    CBZDateTime->hide();

    // ---- Marks
    TabMarks = TeeAddTab(PageSeries, "Marks");
    PageControlMarks = TeeAlignClient(new QTabWidget(TabMarks));
    QWidget* marksStyle = TeeAddTab(PageControlMarks, "Style");
    CBMarksVisible = TeeAddCheck(marksStyle, "&Visible", 8, 8);
    CBAllVisible = TeeAddCheck(marksStyle, "All Series Visi&ble", 120, 8);
    QLabel* label1 = TeeAddLabel(marksStyle, "&Style:", 8, 40);
    RGMarkStyle = TeeAddCombo(marksStyle, 70, 36, 150,
                              {"Value", "Percent", "Label", "Label and Percent", "Label and Value", "Legend",
                               "Percent Total", "Label and Percent Total", "X value", "X and Y values"},
                              label1);
    EMarksEvery = TeeAddSpin(marksStyle, 90, 68, 60, 1, 5000, 1, TeeAddLabel(marksStyle, "Draw &every:", 8, 72));
    CBMarkClip = TeeAddCheck(marksStyle, "Cl&ipped", 170, 70);
    SEMarksAngle = TeeAddSpin(marksStyle, 90, 100, 60, 0, 360, 5, TeeAddLabel(marksStyle, "&Angle:", 8, 104));
    SEMarksAngle->setWrapping(true);
    CBMultiLine = TeeAddCheck(marksStyle, "&Multi line", 170, 102);
    QWidget* arrows = TeeAddTab(PageControlMarks, "Arrows");
    BMarkLinCol = TeeAddButton<TButtonPen>(arrows, "&Border...", 8, 8, 80);
    QPushButton* pointer = TeeAddButton(arrows, "&Pointer...", 8, 40, 80);
    SEArrowLength = TeeAddSpin(arrows, 180, 8, 60, -1000, 1000, 1, TeeAddLabel(arrows, "&Length:", 110, 12));
    EArrowDist = TeeAddSpin(arrows, 180, 40, 60, -1000, 1000, 1, TeeAddLabel(arrows, "&Distance:", 110, 44));
    CBHead = TeeAddCombo(arrows, 90, 76, 80, {"None", "Line", "Solid"}, TeeAddLabel(arrows, "&Arrow head:", 8, 80));
    Edit1 = TeeAddSpin(arrows, 220, 76, 60, -1000, 1000, 1, TeeAddLabel(arrows, "&Size:", 180, 80));
    TabSymbol = TeeAddTab(PageControlMarks, "Symbol");

    // ---- Data Source
    TabDataSource = TeeAddTab(PageSeries, "Data Source");
    auto* dsLayout = new QVBoxLayout(TabDataSource);
    dsLayout->setContentsMargins(0, 0, 0, 0);
    auto* sourceBar = new QWidget(TabDataSource);
    sourceBar->setFixedHeight(29);
    CBDataSourcestyle = TeeAddCombo(sourceBar, 4, 4, 150, {"Manual", "Random", "Function"});
    CBDataSourcestyle->setMaxVisibleItems(12);
    NewDataButton = TeeAddButton(sourceBar, "&New...", 160, 2);
    EditDataButton = TeeAddButton(sourceBar, "&Edit...", 240, 2);
    DeleteDataButton = TeeAddButton(sourceBar, "&Delete", 320, 2);
    NewDataButton->hide();
    EditDataButton->hide();
    DeleteDataButton->hide();
    dsLayout->addWidget(sourceBar);
    Panel2 = new QWidget(TabDataSource);
    auto* p2 = new QVBoxLayout(Panel2);
    p2->setContentsMargins(0, 0, 0, 0);
    ChartGridNavigator1 = new TChartGridNavigator(Panel2);
    ChartGridNavigator1->setFixedHeight(22);
    p2->addWidget(ChartGridNavigator1, 0, Qt::AlignLeft);
    ChartGrid1 = new TChartGrid(Panel2);
    ChartGrid1->SetShowColors(true);
    p2->addWidget(ChartGrid1, 1);
    ChartGridNavigator1->SetGrid(ChartGrid1);
    dsLayout->addWidget(Panel2, 1);
    Panel4 = new QWidget(TabDataSource);
    Panel4->setFixedHeight(64);
    QLabel* label2 = TeeAddLabel(Panel4, "&Number of sample values:", 8, 8);
    ESamples = TeePlace(new QLineEdit("0", Panel4), 160, 4, 60, 21);
    label2->setBuddy(ESamples);
    CBSamplesDefault = TeeAddCheck(Panel4, "&Default", 230, 6);
    BApplyRandom = TeeAddButton(Panel4, "&Apply", 8, 34);
    BApplyRandom->setEnabled(false);
    Button3 = TeeAddButton(Panel4, "&Clear", 90, 34);
    Panel4->hide();
    dsLayout->addWidget(Panel4);
    // The rows of "Function" and the registered sources keep what makes their editor.
    CBDataSourcestyle->setItemData(dsFunction, QString(FunctionEditorClass), Qt::UserRole + 1);

    PageSeries->SetActivePage(TheTabSheet);
    PageControlMarks->setCurrentWidget(marksStyle);

    PageSeries->OnChanging = [this] { return PageSeriesChanging(); };
    PageSeries->OnChange = [this] { PageSeriesChange(); };
    Bind(CBSeries, &QComboBox::activated, [this] { CBSeriesChange(); });
    Bind(CBShowInLegend, &QCheckBox::clicked, [this] { CBShowInLegendClick(); });
    Bind(CBCursor, &QComboBox::currentIndexChanged, [this] { CBCursorChange(); });
    Bind(EDepth, &QSpinBox::valueChanged, [this] { EDepthChange(); });
    Bind(CBDepth, &QCheckBox::clicked, [this] { CBDepthClick(); });
    Bind(CBFormat, &QComboBox::editTextChanged, [this] { CBFormatChange(); });
    Bind(Button1, &QPushButton::clicked, [this] { Button1Click(); });
    Bind(EPercentFormat, &QLineEdit::textChanged, [this] { EPercentFormatChange(); });
    Bind(Button2, &QPushButton::clicked, [this] { Button2Click(); });
    Bind(CBHorizAxis, &QComboBox::activated, [this] { CBHorizAxisChange(); });
    Bind(CBVertAxis, &QComboBox::activated, [this] { CBVertAxisChange(); });
    Bind(CBXDateTime, &QCheckBox::clicked, [this] { CBXDateTimeClick(); });
    Bind(CBYDateTime, &QCheckBox::clicked, [this] { CBYDateTimeClick(); });
    Bind(CBZDateTime, &QCheckBox::clicked, [this] { CBZDateTimeClick(); });
    Bind(CBSort, &QComboBox::activated, [this] { CBSortChange(); });
    Bind(CBPersistent, &QCheckBox::clicked, [this] { CBPersistentClick(); });
    Bind(RGMarkStyle, &QComboBox::activated, [this] { RGMarkStyleClick(); });
    Bind(CBMarksVisible, &QCheckBox::clicked, [this] { CBMarksVisibleClick(); });
    Bind(CBAllVisible, &QCheckBox::clicked, [this] { CBAllVisibleClick(); });
    Bind(CBMarkClip, &QCheckBox::clicked, [this] { CBMarkClipClick(); });
    Bind(CBMultiLine, &QCheckBox::clicked, [this] { CBMultiLineClick(); });
    Bind(SEMarksAngle, &QSpinBox::valueChanged, [this] { SEMarksAngleChange(); });
    Bind(EMarksEvery, &QSpinBox::valueChanged, [this] { EMarksEveryChange(); });
    Bind(SEArrowLength, &QSpinBox::valueChanged, [this] { SEArrowLengthChange(); });
    Bind(EArrowDist, &QSpinBox::valueChanged, [this] { EArrowDistChange(); });
    Bind(CBHead, &QComboBox::activated, [this] { CBHeadChange(); });
    Bind(Edit1, &QSpinBox::valueChanged, [this] { Edit1Change(); });
    Bind(pointer, &QPushButton::clicked, [this] { BCalloutPointerClick(); });
    Bind(CBDataSourcestyle, &QComboBox::activated, [this] { CBDataSourcestyleChange(); });
    Bind(ESamples, &QLineEdit::textChanged, [this] { ESamplesChange(); });
    Bind(CBSamplesDefault, &QCheckBox::clicked, [this] { CBSamplesDefaultClick(); });
    Bind(BApplyRandom, &QPushButton::clicked, [this] { BApplyRandomClick(); });
    Bind(Button3, &QPushButton::clicked, [this] { Button3Click(); });
    ChartGrid1->OnSetEditText = [this](QObject*, int, int, const AnsiString&) {
        if (EditedSeries) EditedSeries->RefreshSeries();
    };
}

TFormTeeSeries::~TFormTeeSeries()
{
    FDestroying = true;
    DestroySeriesForms();
    if (ListenedChart) ListenedChart->RemoveListener(this);
}

void TFormTeeSeries::Listen(TCustomAxisPanel* Chart)
{
    if (ListenedChart == Chart) return;
    if (ListenedChart) ListenedChart->RemoveListener(this);
    ListenedChart = Chart;
    if (ListenedChart) ListenedChart->Listeners.Add(this);
}

void TFormTeeSeries::FormShow()
{
    ChangingSeries = false;
    if (TCustomAxisPanel* chart = ChartOf(EditedSeries)) {
        if (InternalOnCreateEditSeries) InternalOnCreateEditSeries(this, chart);
        if (InternalOnCreateEditSeriesObj) InternalOnCreateEditSeriesObj(this, chart);
    }
    TeeTranslateControl(this);
}

void TFormTeeSeries::FillSeriesCombo()
{
    const QSignalBlocker block(CBSeries);
    CBSeries->clear();
    if (!SeriesListBox) return;
    for (int i = 0; i < SeriesListBox->count(); ++i)
        if (TChartSeries* s = SeriesListBox->GetSeries(i))
            CBSeries->addItem(SeriesListBox->item(i)->text(), QVariant::fromValue(static_cast<QObject*>(s)));
}

void TFormTeeSeries::SetCBSeries()
{
    if (!EditedSeries) {
        PageSeries->hide();
        return;
    }
    {
        const QSignalBlocker block(CBSeries);
        int index = -1;
        for (int i = 0; i < CBSeries->count(); ++i)
            if (CBSeries->itemData(i).value<QObject*>() == EditedSeries) index = i;
        if (index < 0) {
            // A series the list does not show (another group): the chooser offers it too.
            CBSeries->addItem(QString::fromStdString(SeriesTitleOrName(EditedSeries)),
                              QVariant::fromValue(static_cast<QObject*>(EditedSeries.data())));
            index = CBSeries->count() - 1;
        }
        CBSeries->setCurrentIndex(index);
    }
    CBSeriesChange();
}

void TFormTeeSeries::CBSeriesChange()
{
    ChangingSeries = true;
    QWidget* active = PageSeries->ActivePage();
    const AnsiString caption = active ? PageSeries->tabText(PageSeries->indexOf(active)).toStdString() : AnsiString();
    TChartSeries* series = nullptr;
    if (CBSeries->currentIndex() >= 0) {
        series = qobject_cast<TChartSeries*>(CBSeries->currentData().value<QObject*>());
        EditedSeries = series;
    }
    if (series) {
        if (SeriesListBox) {
            SeriesListBox->clearSelection();
            SeriesListBox->SetSelectedSeries(series);
        }
        if (series != LastSeries) {
            BuildTabs(caption);
            LastSeries = series;
        }
    } else {
        ImageSeries->hide();
        LabelSeriesClass->clear();
        PageSeries->hide();
    }
    ChangingSeries = false;
}

void TFormTeeSeries::BuildTabs(const AnsiString& ActiveCaption)
{
    TChartSeries* series = EditedSeries;
    Listen(ChartOf(series));
    FillDataSourceStyles();
    TBitmap icon;
    icon.SetSize(16, 16);
    icon.Canvas()->Brush()->SetColor(ColorToRGB(clBtnFace));
    icon.Canvas()->FillRect(TRect{0, 0, 16, 16});
    TeeDrawBitmapEditor(icon.Canvas(), series, 0, 0);
    ImageSeries->setPixmap(QPixmap::fromImage(icon.Image()));
    PaintBox1->setVisible(!qobject_cast<TPieSeries*>(series));
    LabelSeriesClass->setText(QString::fromStdString(GetGallerySeriesName(series) + ": " + SeriesTitleOrName(series)));
    ImageSeries->show();
    PageSeries->show();
    TeeSetTabVisible(TabGeneral, ShowGeneralTab);
    TeeSetTabVisible(TabMarks, ShowMarksTab);
    TeeSetTabVisible(TabDataSource, ShowDataSourceTab && !(series->Style & (tssIsTemplate | tssHideDataSource)));
    ShowControls(series->UseAxis(), {GBHorizAxis, GBVertAxis});
    CBPersistent->setVisible(ShowPersistentBox && !(series->Style & tssIsTemplate));
    if (CBPersistent->isVisible()) {
        const QSignalBlocker block(CBPersistent);
        CBPersistent->setChecked(series->Style & tssIsPersistent);
    }

    DestroySeriesForms();
    if (TTeeFormClass cls = SeriesEditorForm(series)) {
        TeeSetTabVisible(TheTabSheet, true);
        AddToTab(CreateTeeEditorForm(cls, this), TheTabSheet, series);
    } else
        TeeSetTabVisible(TheTabSheet, false);

    QWidget* target = nullptr;
    for (int i = 0; i < PageSeries->count(); ++i)
        if (PageSeries->tabText(i).toStdString() == ActiveCaption && PageSeries->isTabVisible(i))
            target = PageSeries->widget(i);
    if (!target) target = TheTabSheet;
    if (!TeeTabVisible(target)) target = TabGeneral;
    PageSeries->SetActivePage(target);

    {
        const QSignalBlocker block(CBDataSourcestyle);
        CBDataSourcestyle->setCurrentIndex(-1);
    }
    PageSeriesChange();
    PaintBox1->update();
}

TTeeForm* TFormTeeSeries::InsertSeriesForm(TTeeFormClass FormClass, int APosition, const AnsiString& Caption,
                                           QObject* Object)
{
    auto* tab = new QWidget;
    tab->setObjectName("InsertedTab");
    PageSeries->insertTab(APosition, tab, QString::fromStdString(Caption));
    TTeeForm* form = CreateTeeEditorForm(FormClass, this);
    AddToTab(form, tab, Object);
    return form;
}

void TFormTeeSeries::AddToTab(TTeeForm* Form, QWidget* Tab, QObject* Object)
{
    if (!Form) return;
    SeriesForms.emplace_back(Form);
    TeeTranslateControl(Form);
    AddFormTo(Form, Tab, Object);
    TeeAlignClient(Form);
}

void TFormTeeSeries::DestroySeriesForms(bool AskSource)
{
    for (QPointer<TTeeForm>& form : SeriesForms) {
        if (!form) continue;
        QWidget* tab = form->parentWidget();
        delete form.data();
        // Tabs inserted by the type editors go with their forms.
        if (tab && tab != TheTabSheet && PageSeries->indexOf(tab) > 0 && !FDestroying) delete tab;
    }
    SeriesForms.clear();
    if (DataSourceForm) {
        // Going away with the page or the series: nothing is left to ask about.
        bool canClose = true;
        if (AskSource && !FDestroying) DataSourceForm->FormCloseQuery(canClose);
        if (canClose) delete DataSourceForm.data();
    }
}

bool TFormTeeSeries::CheckCanClose()
{
    if (!DataSourceForm) return true;
    bool canClose = true;
    if (!Guard([&] { DataSourceForm->FormCloseQuery(canClose); })) return false;
    return canClose;
}

void TFormTeeSeries::FormCloseQuery(bool& CanClose)
{
    CanClose = CheckCanClose();
}

bool TFormTeeSeries::PageSeriesChanging()
{
    const bool allowed = CheckCanClose();
    // The fill of the page that becomes active must not write back.
    Updating = allowed;
    return allowed;
}

void TFormTeeSeries::PageSeriesChange()
{
    QWidget* active = PageSeries->ActivePage();
    if (EditedSeries) {
        if (active == TabGeneral)
            FillGeneral();
        else if (active == TabMarks)
            FillMarks();
        else if (active == TabDataSource)
            SetTabDataSource();
    }
    Updating = false;
}

bool TFormTeeSeries::CanModifySeries() const
{
    return !ChangingSeries && !Updating && EditedSeries;
}

void TFormTeeSeries::TeeEvent(TTeeEvent* Event)
{
    if (FDestroying) return;
    auto* e = dynamic_cast<TTeeSeriesEvent*>(Event);
    if (!e) return;
    if (e->Event == seChangeColor)
        PaintBox1->update();
    else if (e->Event == seRemove && e->Series == EditedSeries.data()) {
        DestroySeriesForms(false);
        EditedSeries = nullptr;
        LastSeries = nullptr;
        const int i = CBSeries->findData(QVariant::fromValue(static_cast<QObject*>(e->Series)));
        if (i >= 0) CBSeries->removeItem(i);
        {
            const QSignalBlocker block(CBSeries);
            CBSeries->setCurrentIndex(-1);
        }
        CBSeriesChange();
    }
}

// ---- General tab

void TFormTeeSeries::FillGeneral()
{
    TChartSeries* s = EditedSeries;
    TFilling filling(this);
    CBShowInLegend->setChecked(s->GetShowInLegend());
    CBDepth->setChecked(s->GetDepth() == -1);
    EDepth->setValue(s->GetDepth() == -1 ? 0 : s->GetDepth());
    CBFormat->clear();
    AddDefaultValueFormats(CBFormat);
    const QString format = QString::fromStdString(NeutralToLocalFormat(s->GetValueFormat()));
    if (CBFormat->findText(format, Qt::MatchExactly) < 0) CBFormat->addItem(format);
    CBFormat->setCurrentIndex(CBFormat->findText(format, Qt::MatchExactly));
    CBFormat->setEditText(format);
    EPercentFormat->setText(QString::fromStdString(NeutralToLocalFormat(s->GetPercentFormat())));
    FillAxes();
    if (s->GetHorizAxisKind() == aCustomHorizAxis)
        CBHorizAxis->setCurrentIndex(
            CBHorizAxis->findData(QVariant::fromValue(static_cast<void*>(s->CustomHorizAxis()))));
    else
        CBHorizAxis->setCurrentIndex(int(s->GetHorizAxisKind()));
    if (s->GetVertAxisKind() == aCustomVertAxis)
        CBVertAxis->setCurrentIndex(CBVertAxis->findData(QVariant::fromValue(static_cast<void*>(s->CustomVertAxis()))));
    else
        CBVertAxis->setCurrentIndex(int(s->GetVertAxisKind()));
    CBXDateTime->setChecked(s->XValues()->GetDateTime());
    CBYDateTime->setChecked(s->YValues()->GetDateTime());
    TChartValueList* depth = nullptr;
    if (TCustomAxisPanel* chart = ChartOf(s)) {
        depth = s->ValueListOfAxis(chart->DepthAxis());
        if (!depth) depth = s->ValueListOfAxis(chart->DepthTopAxis());
    }
    CBZDateTime->setVisible(depth != nullptr);
    if (depth) CBZDateTime->setChecked(depth->GetDateTime());
    switch (s->MandatoryValueList()->GetOrder()) {
        case loNone: CBSort->setCurrentIndex(2); break;
        case loAscending: CBSort->setCurrentIndex(0); break;
        case loDescending: CBSort->setCurrentIndex(1); break;
    }
    const bool fewLists = s->ValuesList().Count() < 3;
    ShowControls(fewLists, {LSort, CBSort, LDepth, EDepth, CBDepth});
    TeeFillCursors(CBCursor, s->Cursor);
}

void TFormTeeSeries::FillAxes()
{
    TCustomAxisPanel* chart = ChartOf(EditedSeries);
    auto fill = [chart](QComboBox* combo, bool horizontal) {
        while (combo->count() > 3) combo->removeItem(3);
        if (!chart) return;
        TChartAxes* axes = chart->Axes();
        for (int i = 6; i < axes->Count(); ++i) {
            TChartAxis* axis = axes->Get(i);
            if (axis->GetHorizontal() != horizontal) continue;
            combo->addItem(QString::fromStdString(TeeMsg_CustomAxesEditor + " " + TeeStr(i - 6)),
                           QVariant::fromValue(static_cast<void*>(axis)));
        }
    };
    fill(CBHorizAxis, true);
    fill(CBVertAxis, false);
}

void TFormTeeSeries::CBShowInLegendClick()
{
    if (EditedSeries) EditedSeries->SetShowInLegend(CBShowInLegend->isChecked());
}

void TFormTeeSeries::CBCursorChange()
{
    if (EditedSeries) EditedSeries->Cursor = TeeSetCursor(EditedSeries->Cursor, CBCursor->currentText().toStdString());
}

void TFormTeeSeries::EDepthChange()
{
    if (!CanModifySeries()) return;
    EditedSeries->SetDepth(EDepth->value());
    const QSignalBlocker block(CBDepth);
    CBDepth->setChecked(false);
}

void TFormTeeSeries::CBDepthClick()
{
    if (!CanModifySeries()) return;
    EditedSeries->SetDepth(CBDepth->isChecked() ? -1 : EDepth->value());
}

void TFormTeeSeries::CBFormatChange()
{
    if (EditedSeries) EditedSeries->SetValueFormat(LocalToNeutralFormat(CBFormat->currentText().toStdString()));
}

void TFormTeeSeries::Button1Click()
{
    const AnsiString format = TFormatEditor::Change(this, CBFormat->currentText().toStdString(), true);
    CBFormat->setEditText(QString::fromStdString(format));
    CBFormatChange();
}

void TFormTeeSeries::EPercentFormatChange()
{
    if (EditedSeries) EditedSeries->SetPercentFormat(LocalToNeutralFormat(EPercentFormat->text().toStdString()));
}

void TFormTeeSeries::Button2Click()
{
    EPercentFormat->setText(
        QString::fromStdString(TFormatEditor::Change(this, EPercentFormat->text().toStdString(), true)));
    EPercentFormatChange();
}

void TFormTeeSeries::CBHorizAxisChange()
{
    if (!EditedSeries) return;
    const int i = CBHorizAxis->currentIndex();
    if (i >= 3) {
        EditedSeries->SetCustomHorizAxis(static_cast<TChartAxis*>(CBHorizAxis->itemData(i).value<void*>()));
        EditedSeries->SetHorizAxis(aCustomHorizAxis);
    } else if (i >= 0)
        EditedSeries->SetHorizAxis(THorizAxis(i));
}

void TFormTeeSeries::CBVertAxisChange()
{
    if (!EditedSeries) return;
    const int i = CBVertAxis->currentIndex();
    if (i >= 3) {
        EditedSeries->SetCustomVertAxis(static_cast<TChartAxis*>(CBVertAxis->itemData(i).value<void*>()));
        EditedSeries->SetVertAxis(aCustomVertAxis);
    } else if (i >= 0)
        EditedSeries->SetVertAxis(TVertAxis(i));
}

void TFormTeeSeries::CBXDateTimeClick()
{
    if (EditedSeries) EditedSeries->XValues()->SetDateTime(CBXDateTime->isChecked());
}

void TFormTeeSeries::CBYDateTimeClick()
{
    if (EditedSeries) EditedSeries->YValues()->SetDateTime(CBYDateTime->isChecked());
}

void TFormTeeSeries::CBZDateTimeClick()
{
    TCustomAxisPanel* chart = ChartOf(EditedSeries);
    if (!chart) return;
    TChartValueList* depth = EditedSeries->ValueListOfAxis(chart->DepthAxis());
    if (!depth) depth = EditedSeries->ValueListOfAxis(chart->DepthTopAxis());
    if (depth)
        depth->SetDateTime(CBZDateTime->isChecked());
    else
        CBZDateTime->hide();
}

void TFormTeeSeries::CBSortChange()
{
    if (!EditedSeries) return;
    EditedSeries->NotMandatoryValueList()->SetOrder(loNone);
    switch (CBSort->currentIndex()) {
        case 0: EditedSeries->MandatoryValueList()->SetOrder(loAscending); break;
        case 1: EditedSeries->MandatoryValueList()->SetOrder(loDescending); break;
        default: EditedSeries->MandatoryValueList()->SetOrder(loNone); return;
    }
    EditedSeries->CheckOrder();
}

void TFormTeeSeries::CBPersistentClick()
{
    if (!EditedSeries) return;
    if (CBPersistent->isChecked())
        EditedSeries->Style |= tssIsPersistent;
    else
        EditedSeries->Style &= ~tssIsPersistent;
}

void TFormTeeSeries::PaintBox1Click()
{
    if (!EditedSeries) return;
    TColor color = EditedSeries->GetSeriesColor();
    if (EditColorDialog(this, color)) {
        EditedSeries->SetSeriesColor(color);
        PaintBox1->update();
    }
}

// ---- Marks tab

TFormTeeShape* MarkSymbolsForm(QWidget* Owner, TSeriesMarksSymbol* Symbol, QWidget* Parent)
{
    TFormTeeShape* form = TFormTeeShape::CreateForm(Owner, Symbol, Parent);
    TeeAlignClient(form);
    form->BBackColor->hide();
    form->PC1->setTabVisible(form->PC1->indexOf(form->TabText), false);
    QCheckBox* visible = TeeAddCheck(form->TabFormat, "&Visible", form->BBackColor->x(), form->BBackColor->y(),
                                     form->BBackColor->width());
    visible->setObjectName("CBVisible");
    visible->setChecked(Symbol && Symbol->GetVisible());
    form->Bind(visible, &QCheckBox::clicked, [form, visible] { form->CBVisibleChecked(visible); });
    return form;
}

void TFormTeeSeries::FillMarks()
{
    TChartSeries* s = EditedSeries;
    TSeriesMarks* marks = s->Marks();
    if (!MarksForm) {
        MarksForm = InsertTeeObjectForm(PageControlMarks, marks);
        SymbolForm = MarkSymbolsForm(this, marks->GetSymbol(), TabSymbol);
    }
    TFilling filling(this);
    TMarksCallout* callout = marks->GetCallout();
    RGMarkStyle->setCurrentIndex(int(marks->GetStyle()));
    SEArrowLength->setValue(callout->GetLength());
    EArrowDist->setValue(callout->GetDistance());
    SEMarksAngle->setValue(marks->GetAngle());
    CBMarkClip->setChecked(marks->GetClip());
    EMarksEvery->setValue(marks->GetDrawEvery());
    CBMultiLine->setChecked(marks->GetMultiLine());
    CBMarksVisible->setChecked(marks->GetVisible());
    BMarkLinCol->LinkPen(callout->GetArrow());
    CBHead->setCurrentIndex(int(callout->GetArrowHead()));
    Edit1->setValue(callout->GetArrowHeadSize());
    SetAllVisible();
    EnableMultiLine();
    MarksForm->RefreshControls(marks);
    SymbolForm->RefreshControls(marks->GetSymbol());
    if (auto* visible = SymbolForm->findChild<QCheckBox*>("CBVisible"))
        visible->setChecked(marks->GetSymbol()->GetVisible());
}

void TFormTeeSeries::SetAllVisible()
{
    bool all = true;
    if (TCustomAxisPanel* chart = ChartOf(EditedSeries))
        for (int i = 0; i < chart->SeriesCount(); ++i) all = all && chart->GetSeries(i)->Marks()->GetVisible();
    const QSignalBlocker block(CBAllVisible);
    CBAllVisible->setChecked(all);
}

void TFormTeeSeries::EnableMultiLine()
{
    switch (RGMarkStyle->currentIndex()) {
        case smsLabelPercent:
        case smsLabelValue:
        case smsPercentTotal:
        case smsLabelPercentTotal:
        case smsXY: CBMultiLine->setEnabled(true); break;
        default: CBMultiLine->setEnabled(false);
    }
}

void TFormTeeSeries::RGMarkStyleClick()
{
    if (EditedSeries) EditedSeries->Marks()->SetStyle(TSeriesMarksStyle(RGMarkStyle->currentIndex()));
    EnableMultiLine();
}

void TFormTeeSeries::CBMarksVisibleClick()
{
    if (!EditedSeries) return;
    EditedSeries->Marks()->SetVisible(CBMarksVisible->isChecked());
    const bool updating = Updating;
    Updating = true;
    SetAllVisible();
    Updating = updating;
}

void TFormTeeSeries::CBAllVisibleClick()
{
    if (!CanModifySeries()) return;
    if (TCustomAxisPanel* chart = ChartOf(EditedSeries))
        for (int i = 0; i < chart->SeriesCount(); ++i)
            chart->GetSeries(i)->Marks()->SetVisible(CBAllVisible->isChecked());
    const QSignalBlocker block(CBMarksVisible);
    CBMarksVisible->setChecked(CBAllVisible->isChecked());
}

void TFormTeeSeries::CBMarkClipClick()
{
    if (EditedSeries) EditedSeries->Marks()->SetClip(CBMarkClip->isChecked());
}

void TFormTeeSeries::CBMultiLineClick()
{
    if (EditedSeries) EditedSeries->Marks()->SetMultiLine(CBMultiLine->isChecked());
}

void TFormTeeSeries::SEMarksAngleChange()
{
    if (CanModifySeries()) EditedSeries->Marks()->SetAngle(SEMarksAngle->value());
}

void TFormTeeSeries::EMarksEveryChange()
{
    if (CanModifySeries()) EditedSeries->Marks()->SetDrawEvery(EMarksEvery->value());
}

void TFormTeeSeries::SEArrowLengthChange()
{
    if (CanModifySeries()) EditedSeries->Marks()->GetCallout()->SetLength(SEArrowLength->value());
}

void TFormTeeSeries::EArrowDistChange()
{
    if (CanModifySeries()) EditedSeries->Marks()->GetCallout()->SetDistance(EArrowDist->value());
}

void TFormTeeSeries::CBHeadChange()
{
    if (CanModifySeries()) EditedSeries->Marks()->GetCallout()->SetArrowHead(TArrowHeadStyle(CBHead->currentIndex()));
}

void TFormTeeSeries::Edit1Change()
{
    if (CanModifySeries()) EditedSeries->Marks()->GetCallout()->SetArrowHeadSize(Edit1->value());
}

void TFormTeeSeries::BCalloutPointerClick()
{
    if (EditedSeries) EditSeriesPointer(this, EditedSeries->Marks()->GetCallout());
}

// ---- Data Source tab

void TFormTeeSeries::FillDataSourceStyles()
{
    const QSignalBlocker block(CBDataSourcestyle);
    while (CBDataSourcestyle->count() > 3) CBDataSourcestyle->removeItem(3);
    TCustomAxisPanel* chart = ChartOf(EditedSeries);
    const auto& sources = TeeSources();
    for (std::size_t i = 0; i < sources.size(); ++i) {
        std::unique_ptr<TTeeSeriesSource> sample = Sample(&sources[i]);
        if (!sample || !sample->Available(chart)) continue;
        const QString text = QString::fromStdString(sample->Description());
        if (CBDataSourcestyle->findText(text, Qt::MatchExactly) >= 0) continue;
        CBDataSourcestyle->addItem(text, int(i));
    }
}

void TFormTeeSeries::SetTabDataSource()
{
    TChartSeries* s = EditedSeries;
    int index = dsManual;
    if (s->FunctionType())
        index = dsFunction;
    else if (!s->DataSource())
        index = s->Count() > 0 && !s->ManualData ? dsRandom : dsManual;
    else if (qobject_cast<TChartSeries*>(s->DataSource()))
        index = dsFunction;
    else
        for (int i = dsFunction + 1; i < CBDataSourcestyle->count(); ++i) {
            std::unique_ptr<TTeeSeriesSource> sample = Sample(SourceClassOf(CBDataSourcestyle, i));
            if (sample && sample->HasSeries(s)) {
                index = i;
                break;
            }
        }
    if (index != CBDataSourcestyle->currentIndex()) {
        {
            const QSignalBlocker block(CBDataSourcestyle);
            CBDataSourcestyle->setCurrentIndex(index);
        }
        CreateDataSourceForm();
    }
}

void TFormTeeSeries::CreateDataSourceForm()
{
    if (DataSourceForm) {
        bool canClose = true;
        DataSourceForm->FormCloseQuery(canClose);
        if (canClose) delete DataSourceForm.data();
    }
    if (DataSourceForm) return;
    NewDataButton->hide();
    EditDataButton->hide();
    DeleteDataButton->hide();
    ChartGrid1->hide();
    ChartGridNavigator1->hide();
    TChartSeries* s = EditedSeries;
    const int style = CBDataSourcestyle->currentIndex();
    if (style <= dsManual) {
        ChartGrid1->SetSeries(s);
        ChartGrid1->show();
        ChartGridNavigator1->show();
    }
    Panel4->setVisible(style == dsRandom);
    if (style == dsRandom && s) {
        CheckCBSamples();
        TFilling filling(this);
        ESamples->setText(QString::number(s->SampleCount != 0 ? s->SampleCount : s->NumSampleValues()));
    }
    TTeeFormClass cls = nullptr;
    if (style == dsFunction)
        cls = FindTeeEditorClass(CBDataSourcestyle->itemData(dsFunction, Qt::UserRole + 1).toString().toStdString());
    else if (const TTeeSourceClass* source = SourceClassOf(CBDataSourcestyle, style))
        if (std::unique_ptr<TTeeSeriesSource> sample = Sample(source)) cls = FindTeeEditorClass(sample->Editor());
    if (cls && s) {
        TTeeForm* form = CreateTeeEditorForm(cls, this);
        DataSourceForm = form;
        TeeTranslateControl(form);
        AddFormTo(form, Panel2, s);
        TeeAlignClient(form);
    }
}

void TFormTeeSeries::RemoveDataSource()
{
    TChartSeries* s = EditedSeries;
    if (!s) return;
    if (auto* source = qobject_cast<TTeeSeriesSource*>(s->DataSource()); source && source->Series() == s) {
        s->SetDataSource(nullptr);
        delete source;
        s->Clear();
    }
    s->SetFunction(nullptr);
}

void TFormTeeSeries::CBDataSourcestyleChange()
{
    if (DataSourceForm)
        if (auto* apply = DataSourceForm->findChild<QPushButton*>("BApply")) apply->setEnabled(false);
    const int style = CBDataSourcestyle->currentIndex();
    if (style <= dsManual) {
        RemoveDataSource();
        if (EditedSeries) EditedSeries->ManualData = true;
    } else if (style == dsRandom)
        RemoveDataSource();
    CreateDataSourceForm();
}

void TFormTeeSeries::CheckCBSamples()
{
    TChartSeries* s = EditedSeries;
    const bool standard = !s || s->SampleCount == 0 || s->SampleCount == s->NumSampleValues();
    const QSignalBlocker block(CBSamplesDefault);
    CBSamplesDefault->setChecked(standard);
    CBSamplesDefault->setEnabled(!standard);
}

void TFormTeeSeries::ESamplesChange()
{
    if (!EditedSeries) return;
    bool ok = false;
    const int count = ESamples->text().trimmed().toInt(&ok);
    EditedSeries->SampleCount = ok ? count : 0;
    CheckCBSamples();
    BApplyRandom->setEnabled(true);
}

void TFormTeeSeries::CBSamplesDefaultClick()
{
    if (!EditedSeries || !CBSamplesDefault->isChecked()) return;
    ESamples->setText(QString::number(EditedSeries->NumSampleValues()));
    CBSamplesDefault->setEnabled(false);
}

void TFormTeeSeries::BApplyRandomClick()
{
    if (EditedSeries) EditedSeries->FillSampleValues(EditedSeries->SampleCount);
}

void TFormTeeSeries::Button3Click()
{
    if (!EditedSeries) return;
    EditedSeries->Clear();
    {
        const QSignalBlocker block(CBDataSourcestyle);
        CBDataSourcestyle->setCurrentIndex(dsManual);
    }
    CBDataSourcestyleChange();
}
