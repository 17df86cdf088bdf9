#include "chart/editors/TChartEditForm.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTabBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <climits>

#include "chart/editors/TChartListBox.h"
#include "chart/editors/TCustomChartGrid.h"
#include "chart/editors/TFormTee3D.h"
#include "chart/editors/TFormTeeAxis.h"
#include "chart/editors/TFormTeeGeneral.h"
#include "chart/editors/TFormTeeLegend.h"
#include "chart/editors/TFormTeePage.h"
#include "chart/editors/TFormTeePanel.h"
#include "chart/editors/TFormTeeSeries.h"
#include "chart/editors/TFormTeeTitle.h"
#include "chart/editors/TFormTeeTools.h"
#include "chart/editors/TFormTeeWall.h"
#include "chart/editors/TTeeFontEditor.h"
#include "chart/editors/TeeEditorClasses.h"
#include "chart/editors/TeeEditors.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/ChartTextFormat.h"
#include "chart/engine/TChartAxes.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TSeriesGroup.h"
#include "chart/engine/TTeeSeriesSource.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeConst.h"
#include "chart/engine/TeeProcs.h"
#include "chart/engine/TeeSeriesTypes.h"
#include "platform/Dialogs.h"
#include "platform/FormatSettings.h"
#include "platform/TCanvas.h"

bool TeeSeriesNamesRuntime = false;
std::function<AnsiString()> TeeEditorHelpFile;
std::function<void(const AnsiString&, int)> TeeEditorShowHelp;

std::vector<TTeeOnShowEditor>& TeeOnShowEditor()
{
    static std::vector<TTeeOnShowEditor> list;
    return list;
}

TChartEditorPageHooks& TeeChartEditorPageHooks()
{
    static TChartEditorPageHooks hooks;
    return hooks;
}

namespace {

// What a tree node stands for.
enum TNodeKind { nkTab, nkSubPage, nkSeries, nkTool, nkAxis, nkTitle };
constexpr int KindRole = Qt::UserRole + 1;

int StoredInt(const AnsiString& Text)
{
    int value = 0;
    TryStrToInt(Text, value);
    return value;
}

int ScreenDpi()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? int(screen->logicalDotsPerInch()) : 96;
}

// The default size: the library's default editor size for this screen, widened by a
// quarter because this toolkit's controls take more room than those the pages were laid
// out with. The caption is the window manager's, outside the client area.
int DefaultSize(const AnsiString& Text)
{
    return StoredInt(Text) * ScreenDpi() * 5 / (96 * 4);
}

QToolButton* ToggleButton(QWidget* Parent, const char* Text, const char* Hint)
{
    auto* b = new QToolButton(Parent);
    b->setText(Text);
    b->setToolTip(Hint);
    b->setCheckable(true);
    b->setAutoRaise(true);
    b->setFixedSize(24, 22);
    return b;
}

}  // namespace

TChartEditForm::TChartEditForm(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("ChartEditForm");
    RegisterTeeEditors();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 0);
    layout->setSpacing(2);

    TreeSplitter = new QSplitter(Qt::Horizontal, this);
    Tree = new QTreeWidget(TreeSplitter);
    Tree->setHeaderHidden(true);
    Tree->setMinimumWidth(60);
    Tree->resize(126, Tree->height());
    Tree->hide();
    MainPage = new TTeePageControl(TreeSplitter);
    TreeSplitter->setStretchFactor(1, 1);
    layout->addWidget(TreeSplitter, 1);

    TabChart = TeeAddTab(MainPage, "Chart");
    SubPage = TeeAlignClient(new TTeePageControl(TabChart));
    TabSeriesList = TeeAddTab(SubPage, "Series");
    TabGeneral = TeeAddTab(SubPage, "General");
    TabAxis = TeeAddTab(SubPage, "Axis");
    TabTitle = TeeAddTab(SubPage, "Titles");
    TabLegend = TeeAddTab(SubPage, "Legend");
    TabPanel = TeeAddTab(SubPage, "Panel");
    TabPaging = TeeAddTab(SubPage, "Paging");
    TabWalls = TeeAddTab(SubPage, "Walls");
    Tab3D = TeeAddTab(SubPage, "3D");
    TabSeries = TeeAddTab(MainPage, "Series");
    TabData = TeeAddTab(MainPage, "Data");
    TabTools = TeeAddTab(MainPage, "Tools");
    TabExport = TeeAddTab(MainPage, "Export");
    TabPrint = TeeAddTab(MainPage, "Print");
    BuildSeriesList();
    BuildDataPage();

    PanBottom = new QWidget(this);
    PanBottom->setFixedHeight(33);
    auto* bottom = new QHBoxLayout(PanBottom);
    bottom->setContentsMargins(4, 4, 4, 4);
    ButtonHelp = new QPushButton("&Help...", PanBottom);
    bottom->addWidget(ButtonHelp);
    bottom->addStretch();
    BClose = new QPushButton("Close", PanBottom);
    bottom->addWidget(BClose);
    layout->addWidget(PanBottom);
    SetDefaultButton(BClose);
    SetCancelButton(BClose);

    // FormCreate
    resize(DefaultWidth(), DefaultHeight());
    SetChart(nullptr);
    setWindowTitle(QString());
    MainPage->SetActivePage(TabChart);
    SubPage->SetActivePage(TabSeriesList);
    RememberPosition = TeeReadBoolOption("RememberPosition", true);
    RememberSize = TeeReadBoolOption("RememberSize", true);
    Tree->setVisible(TeeReadBoolOption("TreeMode", false));
    ButtonHelp->hide();

    MainPage->OnChanging = [this] { return MainPageChanging(); };
    MainPage->OnChange = [this] { MainPageChange(); };
    SubPage->OnChanging = [this] {
        SubPageChanging();
        return true;
    };
    SubPage->OnChange = [this] { SubPageChange(SubPage); };
    Bind(Tree, &QTreeWidget::currentItemChanged, [this] { TreeChange(); });
    Bind(ButtonHelp, &QPushButton::clicked, [this] { ButtonHelpClick(); });
    BindModal(BClose, mrCancel);
}

TChartEditForm::~TChartEditForm()
{
    TTeeForm::Guard([this] { SaveGeometry(); });
    // The series page goes first: its events must not reach a half-destroyed shell.
    delete SeriesForm;
}

void TChartEditForm::BuildSeriesList()
{
    auto* row = new QHBoxLayout(TabSeriesList);
    row->setContentsMargins(4, 4, 4, 4);
    auto* splitter = new QSplitter(Qt::Horizontal, TabSeriesList);
    PanelGroups = new QWidget(splitter);
    PanelGroups->setFixedWidth(112);
    auto* groupsLayout = new QVBoxLayout(PanelGroups);
    groupsLayout->setContentsMargins(0, 0, 0, 0);
    Groups = new QListWidget(PanelGroups);
    groupsLayout->addWidget(Groups, 1);
    auto* groupButtons = new QHBoxLayout;
    BAddGroup = new QToolButton(PanelGroups);
    BAddGroup->setText("+");
    BDeleteGroup = new QToolButton(PanelGroups);
    BDeleteGroup->setText("-");
    BDeleteGroup->setEnabled(false);
    BRenameGroup = new QToolButton(PanelGroups);
    BRenameGroup->setText("...");
    BRenameGroup->setEnabled(false);
    for (QToolButton* b : {BAddGroup, BDeleteGroup, BRenameGroup}) groupButtons->addWidget(b);
    groupsLayout->addLayout(groupButtons);
    PanelGroups->hide();

    auto* left = new QWidget(splitter);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    LBSeries = new TChartListBox(left);
    leftLayout->addWidget(LBSeries, 1);
    CBNames = new QCheckBox("&View Series Names", left);
    leftLayout->addWidget(CBNames);
    splitter->setStretchFactor(1, 1);
    row->addWidget(splitter, 1);

    auto* right = new QVBoxLayout;
    auto* moves = new QHBoxLayout;
    BMoveUP = new QToolButton(TabSeriesList);
    BMoveDown = new QToolButton(TabSeriesList);
    for (QToolButton* b : {BMoveUP, BMoveDown}) {
        b->setAutoRaise(true);
        moves->addWidget(b);
    }
    right->addLayout(moves);
    BAddSeries = new QPushButton("&Add...", TabSeriesList);
    BDeleteSeries = new QPushButton("&Delete", TabSeriesList);
    BRenameSeries = new QPushButton("&Title...", TabSeriesList);
    BCloneSeries = new QPushButton("C&lone", TabSeriesList);
    BChangeTypeSeries = new QPushButton("&Change...", TabSeriesList);
    for (QPushButton* b : {BAddSeries, BDeleteSeries, BRenameSeries, BCloneSeries, BChangeTypeSeries})
        right->addWidget(b);
    right->addStretch();
    row->addLayout(right);

    LBSeries->OnRefresh = [this](QObject*) { LBSeriesRefreshButtons(); };
    LBSeries->OnDblClickSeries = [this](QObject*, int) { LBSeriesEditSeries(); };
    LBSeries->OnOtherItemsChange = [this](QObject*) { LBSeriesOtherItemsChange(); };
    LBSeries->OnChangeActive = [this](QObject*, TChartSeries*) { LBSeriesChangeActive(); };
    Bind(LBSeries, &QListWidget::itemSelectionChanged, [this] { LBSeriesRefreshButtons(); });
    Bind(BAddSeries, &QPushButton::clicked, [this] { BAddSeriesClick(); });
    Bind(BDeleteSeries, &QPushButton::clicked, [this] { BDeleteSeriesClick(); });
    Bind(BRenameSeries, &QPushButton::clicked, [this] { BRenameSeriesClick(); });
    Bind(BCloneSeries, &QPushButton::clicked, [this] { BCloneSeriesClick(); });
    Bind(BChangeTypeSeries, &QPushButton::clicked, [this] { BChangeTypeSeriesClick(); });
    Bind(BMoveUP, &QToolButton::clicked, [this] { BMoveUPClick(); });
    Bind(BMoveDown, &QToolButton::clicked, [this] { BMoveDownClick(); });
    Bind(CBNames, &QCheckBox::clicked, [this] { CBNamesClick(); });
    Bind(Groups, &QListWidget::currentRowChanged, [this] { GroupsClick(); });
    Bind(Groups, &QListWidget::itemChanged, [this](QListWidgetItem* Item) { GroupsClickCheck(Groups->row(Item)); });
    Bind(BAddGroup, &QToolButton::clicked, [this] { BAddGroupClick(); });
    Bind(BRenameGroup, &QToolButton::clicked, [this] { BRenameGroupClick(); });
    Bind(BDeleteGroup, &QToolButton::clicked, [this] { BDeleteGroupClick(); });
    // A series dragged from the list and let go over a group joins that group.
    LBSeries->viewport()->installEventFilter(this);
}

void TChartEditForm::BuildDataPage()
{
    auto* layout = new QVBoxLayout(TabData);
    layout->setContentsMargins(2, 2, 2, 2);
    auto* top = new QHBoxLayout;
    auto* navigator = new TChartGridNavigator(TabData);
    navigator->setFixedHeight(22);
    top->addWidget(navigator);
    top->addStretch();
    SBGridText = ToggleButton(TabData, "T", "Show labels");
    SBGridCol = ToggleButton(TabData, "C", "Show colors");
    SBGrid3D = ToggleButton(TabData, "3D", "XYZ series");
    SBGridX = ToggleButton(TabData, "X", "Show X values");
    for (QToolButton* b : {SBGridText, SBGridCol, SBGrid3D, SBGridX}) top->addWidget(b);
    layout->addLayout(top);
    ChartGrid1 = new TChartGrid(TabData);
    layout->addWidget(ChartGrid1, 1);
    navigator->SetGrid(ChartGrid1);
    ChartGrid1->viewport()->installEventFilter(this);

    PopupData = new QMenu(this);
    auto item = [this](const char* Caption, void (TChartEditForm::*Click)()) {
        QAction* action = PopupData->addAction(Caption);
        Bind(action, &QAction::triggered, [this, Click] { (this->*Click)(); });
        return action;
    };
    EditColor1 = item("&Edit Color...", &TChartEditForm::EditColor1Click);
    DefaultColor1 = item("Default &Color", &TChartEditForm::DefaultColor1Click);
    Makenullpoint1 = item("Make &null point", &TChartEditForm::Makenullpoint1Click);
    N1 = PopupData->addSeparator();
    item("&Append row", &TChartEditForm::Insertrow1Click);
    item("&Delete row", &TChartEditForm::Deleterow1Click);
    PopupData->addSeparator();
    item("&Text font...", &TChartEditForm::extfont1Click);
    ChartGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ChartGrid1, &QWidget::customContextMenuRequested, this, [this](const QPoint& P) {
        Guard([this] { PopupDataPopup(); });
        PopupData->popup(ChartGrid1->viewport()->mapToGlobal(P));
    });
    Bind(SBGridText, &QToolButton::clicked, [this] { SBGridTextClick(); });
    Bind(SBGridCol, &QToolButton::clicked, [this] { SBGridColClick(); });
    Bind(SBGrid3D, &QToolButton::clicked, [this] { SBGrid3DClick(); });
    Bind(SBGridX, &QToolButton::clicked, [this] { SBGridXClick(); });
}

bool TChartEditForm::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Event->type() == QEvent::MouseButtonPress && Watched == ChartGrid1->viewport()) {
        auto* e = static_cast<QMouseEvent*>(Event);
        Guard([&] { GridMouseDown(e->button() == Qt::RightButton, e->modifiers() & Qt::AltModifier); });
    } else if (Event->type() == QEvent::MouseButtonRelease && Watched == LBSeries->viewport() &&
               PanelGroups->isVisible()) {
        auto* e = static_cast<QMouseEvent*>(Event);
        const QPoint p = Groups->viewport()->mapFromGlobal(e->globalPosition().toPoint());
        if (Groups->viewport()->rect().contains(p)) {
            const int row = Groups->row(Groups->itemAt(p));
            Guard([&] {
                if (GroupsDragOver(LBSeries, row)) GroupsDragDrop(row);
            });
        }
    }
    return TTeeForm::eventFilter(Watched, Event);
}

// ---- chart, geometry, help

int TChartEditForm::DefaultWidth()
{
    return DefaultSize(TeeMsg_DefaultEditorSize);
}

int TChartEditForm::DefaultHeight()
{
    return DefaultSize(TeeMsg_DefaultEditorHeight);
}

TCustomChart* TChartEditForm::Chart() const
{
    return FChart;
}

void TChartEditForm::SetChart(TCustomChart* Value)
{
    FChart = Value;
    LBSeries->SetChart(Value);
    MainPage->setEnabled(Value != nullptr);
    SubPage->setEnabled(Value != nullptr);
    if (Value && (RememberPosition || RememberSize)) ReadGeometry();
}

void TChartEditForm::ReadGeometry()
{
    constexpr int none = INT_MIN;
    if (RememberPosition) {
        const int left = TeeReadIntegerOption("Left", none);
        if (left != none) {
            Position = poDesigned;
            move(std::max(0, left), std::max(0, TeeReadIntegerOption("Top", 0)));
        }
    }
    if (RememberSize) {
        const int w = TeeReadIntegerOption("Width", none);
        if (w != none) resize(std::max(100, w), height());
        const int h = TeeReadIntegerOption("Height", none);
        if (h != none) resize(width(), std::max(100, h));
    }
}

void TChartEditForm::SaveGeometry()
{
    if (FGeometryStored || !FChart || !(RememberPosition || RememberSize)) return;
    FGeometryStored = true;
    int w = width();
    if (TreeMode() && FShown) w = OldWidth;
    if (RememberPosition) {
        TeeSaveIntegerOption("Left", x());
        TeeSaveIntegerOption("Top", y());
    }
    if (RememberSize) {
        if (w != DefaultWidth()) TeeSaveIntegerOption("Width", w);
        if (height() != DefaultHeight()) TeeSaveIntegerOption("Height", height());
    }
}

void TChartEditForm::CheckHelpFile()
{
    HelpFile = HasOption(ceHelp) && TeeEditorHelpFile ? TeeEditorHelpFile() : AnsiString();
    // Without a help file there is nothing a help button could show.
    ButtonHelp->setVisible(HasOption(ceHelp) && !HelpFile.empty());
}

void TChartEditForm::ButtonHelpClick()
{
    if (TeeEditorShowHelp && !HelpFile.empty()) TeeEditorShowHelp(HelpFile, HelpContext);
}

bool TChartEditForm::TreeMode() const
{
    return !Tree->isHidden();
}

void TChartEditForm::SetTreeMode(bool Value)
{
    Tree->setVisible(Value);
}

TTeeForm* TChartEditForm::PageForm(QWidget* Tab) const
{
    return Tab ? Tab->findChild<TTeeForm*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

TFormTeeTools* TChartEditForm::ToolsForm() const
{
    return qobject_cast<TFormTeeTools*>(PageForm(TabTools));
}

// ---- first show

void TChartEditForm::FormShow()
{
    if (FShown || !FChart) return;
    FShown = true;
    CBNames->setVisible(TeeSeriesNamesRuntime);
    TeeSetArrowIcons(BMoveUP, BMoveDown);
    if (TeeToolTypes().empty()) TeeSetTabVisible(TabTools, false);
    LBSeries->SetChart(FChart);
    if (windowTitle().isEmpty())
        setWindowTitle(QString::fromStdString(FormatChartText(TeeMsg_Editing, {FChart->objectName().toStdString()})));

    const std::pair<TChartEditorTab, QWidget*> tabs[] = {
        {cetMain, TabSeriesList},    {cetGeneral, TabGeneral}, {cetAxis, TabAxis},
        {cetTitles, TabTitle},       {cetLegend, TabLegend},   {cetPanel, TabPanel},
        {cetPaging, TabPaging},      {cetWalls, TabWalls},     {cet3D, Tab3D},
        {cetSeriesData, TabData},    {cetExport, TabExport},   {cetTools, TabTools},
        {cetPrintPreview, TabPrint}, {cetAllSeries, TabSeries}};
    for (const auto& [tab, page] : tabs)
        if (TabHidden(tab)) TeeSetTabVisible(page, false);
    // The export and preview pages exist only when their forms are linked in.
    if (!TeeChartEditorPageHooks().CreateExport) TeeSetTabVisible(TabExport, false);
    if (!TeeChartEditorPageHooks().CreatePreview) TeeSetTabVisible(TabPrint, false);
    bool anyChartPage = false;
    for (int i = 0; i < SubPage->count(); ++i) anyChartPage = anyChartPage || SubPage->isTabVisible(i);
    if (!anyChartPage) TeeSetTabVisible(TabChart, false);

    BroadCastShowEditor(nullptr);
    if (TreeMode()) PrepareTree();
    OpenDefaultTab();

    const bool groups = HasOption(ceGroups);
    ShowControls(groups, {BAddGroup, BDeleteGroup, BRenameGroup, PanelGroups});
    if (groups) FillGroups();

    if (InitialSeries) {
        LBSeries->clearSelection();
        LBSeries->SetSelectedSeries(InitialSeries);
        LBSeriesEditSeries();
    } else if (InitialTool && TeeTabVisible(TabTools)) {
        MainPage->SetActivePage(TabTools);
        MainPageChange();
        return;
    } else if (DefaultTab == TeeNoDefaultTab && LBSeries->count() > 0) {
        LBSeries->SelectSeries(0);
        LBSeriesRefreshButtons();
    }

    if (TeeTabVisible(TabSeriesList) && LBSeries->count() > 0) {
        if (DefaultTab == cetSeriesGeneral || DefaultTab == cetSeriesMarks) {
            if (!LBSeries->GetSelectedSeries()) LBSeries->SelectSeries(0);
            LBSeriesEditSeries();
            if (SeriesForm && SeriesForm->CheckCanClose()) {
                SeriesForm->PageSeries->SetActivePage(DefaultTab == cetSeriesGeneral ? SeriesForm->TabGeneral
                                                                                     : SeriesForm->TabMarks);
                SeriesForm->PageSeriesChange();
            }
        } else if (!InitialSeries) {
            // A series opened on purpose stays selected.
            LBSeries->SelectSeries(0);
            LBSeriesRefreshButtons();
        }
    } else
        LBSeriesRefreshButtons();
}

void TChartEditForm::OpenDefaultTab()
{
    if (DefaultTab == TeeNoDefaultTab) return;
    QWidget* mainTab = nullptr;
    switch (DefaultTab) {
        case cetSeriesData: mainTab = TabData; break;
        case cetExport: mainTab = TabExport; break;
        case cetTools: mainTab = TabTools; break;
        case cetPrintPreview: mainTab = TabPrint; break;
        default: break;
    }
    if (mainTab) {
        MainPage->SetActivePage(mainTab);
        MainPageChange();
        return;
    }
    if (DefaultTab > cet3D) return;
    // The first visible chart page from the default one on, else the nearest one before it.
    int found = -1;
    for (int i = DefaultTab; i < SubPage->count() && found < 0; ++i)
        if (SubPage->isTabVisible(i)) found = i;
    if (found < 0) {
        found = 0;
        for (int i = DefaultTab; i >= 0; --i)
            if (SubPage->isTabVisible(i)) {
                found = i;
                break;
            }
    }
    DefaultTab = found;
    if (SubPage->isTabVisible(found)) {
        MainPage->SetActivePage(TabChart);
        SubPage->SetActivePage(SubPage->widget(found));
        SubPageChange();
        return;
    }
    for (QWidget* tab : {TabData, TabTools, TabExport, TabPrint})
        if (TeeTabVisible(tab)) {
            MainPage->SetActivePage(tab);
            MainPageChange();
            return;
        }
}

void TChartEditForm::BroadCastShowEditor(QWidget* Tab)
{
    // A copy: a procedure may register or remove others.
    const std::vector<TTeeOnShowEditor> procs = TeeOnShowEditor();
    for (const TTeeOnShowEditor& p : procs)
        if (p) p(this, Tab);
}

void TChartEditForm::FormCloseQuery(bool& CanClose)
{
    CanClose = !SeriesForm || SeriesForm->CheckCanClose();
}

void TChartEditForm::resizeEvent(QResizeEvent* Event)
{
    TTeeForm::resizeEvent(Event);
    if (TreeMode() && FShown) OldWidth = width() - Tree->width() - TreeSplitter->handleWidth();
}

void TChartEditForm::BCloseClick()
{
    SetModalResult(mrCancel);
}

// ---- page switching

void TChartEditForm::SetHighlight(QTabWidget* Pages, int Index, bool On)
{
    if (!HighLightTabs || Index < 0) return;
    Pages->tabBar()->setTabTextColor(Index, On ? QColor(Qt::blue) : Pages->palette().color(QPalette::WindowText));
}

bool TChartEditForm::MainPageChanging()
{
    const bool allowed = !SeriesForm || SeriesForm->CheckCanClose();
    if (allowed) SetHighlight(MainPage, MainPage->currentIndex(), false);
    return allowed;
}

void TChartEditForm::MainPageChange()
{
    SetHighlight(MainPage, MainPage->currentIndex(), true);
    QWidget* tab = MainPage->ActivePage();
    if (TreeMode()) SelectTreeNodeData(tab);
    if (tab == TabSeries)
        SetTabSeries();
    else if (tab == TabData)
        DataSetup();
    else if (tab == TabTools) {
        if (!ToolsForm())
            CreateToolsForm();
        else
            ToolsForm()->Reload();
    } else if (tab == TabExport)
        ExportSetup();
    else if (tab == TabPrint)
        PreviewSetup();
    else
        BroadCastShowEditor(tab);
}

void TChartEditForm::SubPageChanging()
{
    SetHighlight(SubPage, SubPage->currentIndex(), false);
}

void TChartEditForm::SubPageChange(QObject* Sender)
{
    SetHighlight(SubPage, SubPage->currentIndex(), true);
    QWidget* tab = SubPage->ActivePage();
    if (TreeMode() && Sender == SubPage) SelectTreeNodeData(tab);
    const int index = SubPage->currentIndex();
    if (FChart && index > 0 && !PageForm(tab)) {
        if (TTeeForm* form = CreateChartPage(index)) {
            form->setAutoFillBackground(false);
            AddFormTo(form, tab, FChart.data());
            TeeAlignClient(form);
            TeeTranslateControl(form);
        }
    }
    if (tab == Tab3D) {
        // The 3D page checks which of its controls apply each time it is shown.
        if (auto* form = qobject_cast<TFormTee3D*>(PageForm(Tab3D))) form->CheckControls();
    }
}

TTeeForm* TChartEditForm::CreateChartPage(int Index)
{
    TCustomChart* chart = FChart;
    switch (Index) {
        case 1: return new TFormTeeGeneral(this, chart);
        case 2: {
            auto* form = new TFormTeeAxis(this, InitialAxis ? InitialAxis : chart->LeftAxis());
            form->OnNotifyCustom = [this] { AxisNotifyCustom(); };
            return form;
        }
        case 3: return new TFormTeeTitle(this, chart, InitialTitle ? InitialTitle : chart->GetTitle());
        case 4: return new TFormTeeLegend(this, chart->GetLegend());
        case 5: return new TFormTeePanel(this, chart);
        case 6: return new TFormTeePage(this, chart);
        case 7: return new TFormTeeWall(this, InitialWall ? InitialWall : chart->GetLeftWall());
        case 8: return new TFormTee3D(this, chart);
        default: return nullptr;
    }
}

void TChartEditForm::SetTabSeries()
{
    TChartSeries* selected = LBSeries->GetSelectedSeries();
    if (!SeriesForm) {
        SeriesForm = new TFormTeeSeries(this);
        SeriesForm->SeriesListBox = LBSeries;
        SeriesForm->ShowDataSourceTab = HasOption(ceDataSource);
        SeriesForm->ShowGeneralTab = !TabHidden(cetSeriesGeneral);
        SeriesForm->ShowMarksTab = !TabHidden(cetSeriesMarks);
        SeriesForm->ShowPersistentBox = IsDSSChart;
        SeriesForm->EditedSeries = selected;
        SeriesForm->FillSeriesCombo();
        AddFormTo(SeriesForm, TabSeries);
        TeeAlignClient(SeriesForm);
        TeeTranslateControl(SeriesForm);
    } else
        SeriesForm->EditedSeries = selected;
    SeriesForm->SetCBSeries();
}

void TChartEditForm::InternalSetupFormSeries()
{
    if (!SeriesForm) return;
    SeriesForm->DestroySeriesForms();
    SeriesForm->LastSeries = nullptr;
    SeriesForm->FillSeriesCombo();
    SeriesForm->EditedSeries = LBSeries->GetSelectedSeries();
    SeriesForm->SetCBSeries();
}

void TChartEditForm::DataSetup()
{
    ChartGrid1->SetChart(FChart);
    TChartSeries* first = FChart && FChart->SeriesCount() > 0 ? FChart->GetSeries(0) : nullptr;
    ChartGrid1->SetShowColors(HasColors(first));
    ChartGrid1->RecalcDimensions();
    SBGridText->setChecked(ChartGrid1->GetShowLabels());
    SBGridCol->setChecked(ChartGrid1->GetShowColors());
    SBGridX->setChecked(ChartGrid1->GetShowXValues() != cgsNo);
    SBGrid3D->setChecked(ChartGrid1->GetGrid3DMode());
    SBGrid3D->setEnabled(first && first->HasThirdValues);
    if (!TreeMode()) ChartGrid1->setFocus();
}

void TChartEditForm::ExportSetup()
{
    TChartEditorPageHooks& hooks = TeeChartEditorPageHooks();
    if (!ExportForm && hooks.CreateExport)
        ExportForm = hooks.CreateExport(*this, TabExport);
    else if (ExportForm && hooks.ShowExport)
        hooks.ShowExport(*this, ExportForm);
}

void TChartEditForm::PreviewSetup()
{
    TChartEditorPageHooks& hooks = TeeChartEditorPageHooks();
    if (!PreviewForm && hooks.CreatePreview) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        PreviewForm = hooks.CreatePreview(*this, TabPrint);
        QGuiApplication::restoreOverrideCursor();
    } else if (PreviewForm && hooks.ShowPreview)
        hooks.ShowPreview(*this, PreviewForm);
}

void TChartEditForm::CreateToolsForm()
{
    auto* form = new TFormTeeTools(this);
    form->OnAddTool = [this](TFormTeeTools*, TTeeCustomTool* Tool) { AddedTool(Tool); };
    form->OnDeleteTool = [this](TFormTeeTools*, TTeeCustomTool* Tool) { DeletedTool(Tool); };
    AddFormTo(form, TabTools, FChart.data());
    TeeAlignClient(form);
    if (InitialTool) {
        form->SelectTool(InitialTool);
        InitialTool = nullptr;
    }
}

void TChartEditForm::AddedTool(TTeeCustomTool* Tool)
{
    if (TreeMode() && ToolsNode)
        AddNode(ToolsNode, QString::fromStdString(Tool->Description()), Tool)->setData(0, KindRole, nkTool);
}

void TChartEditForm::DeletedTool(TTeeCustomTool* Tool)
{
    if (!ToolsNode) return;
    for (int i = 0; i < ToolsNode->childCount(); ++i)
        if (NodeData(ToolsNode->child(i)) == Tool) {
            delete ToolsNode->takeChild(i);
            return;
        }
}

void TChartEditForm::AxisNotifyCustom()
{
    if (SeriesForm) SeriesForm->FillAxes();
}

// ---- tree mode

QTreeWidgetItem* TChartEditForm::AddNode(QTreeWidgetItem* Parent, const QString& Text, const void* Data)
{
    auto* node = Parent ? new QTreeWidgetItem(Parent) : new QTreeWidgetItem(Tree);
    node->setText(0, Text);
    node->setData(0, Qt::UserRole, QVariant::fromValue(quintptr(Data)));
    node->setData(0, KindRole, nkTab);
    return node;
}

const void* TChartEditForm::NodeData(const QTreeWidgetItem* Node)
{
    return Node ? reinterpret_cast<const void*>(Node->data(0, Qt::UserRole).value<quintptr>()) : nullptr;
}

void TChartEditForm::PrepareTree()
{
    const QSignalBlocker block(Tree);
    OldWidth = width();
    constexpr int treeWidth = 126;
    resize(width() + treeWidth + TreeSplitter->handleWidth(), height());
    TreeSplitter->setSizes({treeWidth, OldWidth});
    // The tree chooses the pages: the main page control shows them without its tabs.
    MainPage->tabBar()->hide();
    Tree->clear();
    SeriesNode = AddNode(nullptr, SubPage->tabText(0), TabSeriesList);
    AddSeriesNodes();
    SeriesNode->setExpanded(FChart && FChart->SeriesCount() < 11);

    QTreeWidgetItem* chartNode = AddNode(nullptr, MainPage->tabText(0), SubPage);
    chartNode->setData(0, KindRole, nkSubPage);
    for (int i = 1; i < SubPage->count(); ++i) {
        if (!SubPage->isTabVisible(i)) continue;
        QWidget* tab = SubPage->widget(i);
        QTreeWidgetItem* node = AddNode(chartNode, SubPage->tabText(i), tab);
        if (tab == TabAxis && FChart) {
            const std::pair<const AnsiString*, TChartAxis*> axes[] = {
                {&TeeMsg_LeftAxis, FChart->LeftAxis()},   {&TeeMsg_RightAxis, FChart->RightAxis()},
                {&TeeMsg_TopAxis, FChart->TopAxis()},     {&TeeMsg_BottomAxis, FChart->BottomAxis()},
                {&TeeMsg_DepthAxis, FChart->DepthAxis()}, {&TeeMsg_DepthTopAxis, FChart->DepthTopAxis()}};
            for (const auto& [text, axis] : axes)
                AddNode(node, QString::fromStdString(*text), axis)->setData(0, KindRole, nkAxis);
            TChartAxes* all = FChart->Axes();
            for (int a = 6; a < all->Count(); ++a)
                AddNode(node, QString::fromStdString(TeeMsg_CustomAxesEditor + TeeStr(a - 6)), all->Get(a))
                    ->setData(0, KindRole, nkAxis);
        } else if (tab == TabTitle && FChart) {
            const std::pair<AnsiString, TChartTitle*> titles[] = {{TeeMsg_Title, FChart->GetTitle()},
                                                                  {"SubTitle", FChart->GetSubTitle()},
                                                                  {TeeMsg_Foot, FChart->GetFoot()},
                                                                  {"SubFoot", FChart->GetSubFoot()}};
            for (const auto& [text, title] : titles)
                AddNode(node, QString::fromStdString(text), title)->setData(0, KindRole, nkTitle);
        }
    }
    chartNode->setExpanded(true);
    ToolsNode = nullptr;
    for (int i = 2; i < MainPage->count(); ++i) {
        if (!MainPage->isTabVisible(i)) continue;
        QTreeWidgetItem* node = AddNode(nullptr, MainPage->tabText(i), MainPage->widget(i));
        if (MainPage->widget(i) == TabTools) {
            ToolsNode = node;
            RefillTreeTools();
        }
    }
    Tree->setCurrentItem(SeriesNode);
}

void TChartEditForm::RefillTreeTools()
{
    if (!ToolsNode || !FChart) return;
    while (ToolsNode->childCount() > 0) delete ToolsNode->takeChild(0);
    TChartTools* tools = FChart->Tools();
    for (int t = 0; t < tools->Count(); ++t)
        AddNode(ToolsNode, QString::fromStdString(tools->Items(t)->Description()), tools->Items(t))
            ->setData(0, KindRole, nkTool);
}

void TChartEditForm::AddSeriesNodes()
{
    if (!SeriesNode) return;
    while (SeriesNode->childCount() > 0) delete SeriesNode->takeChild(0);
    for (int i = 0; i < LBSeries->count(); ++i)
        AddNode(SeriesNode, LBSeries->item(i)->text(), LBSeries->GetSeries(i))->setData(0, KindRole, nkSeries);
}

void TChartEditForm::TreeChange()
{
    QTreeWidgetItem* node = Tree->currentItem();
    if (!node) return;
    void* nodeData = const_cast<void*>(NodeData(node));
    auto showSub = [this](QWidget* tab) {
        MainPage->SetActivePage(TabChart);
        SubPage->SetActivePage(tab);
        SubPageChange();
    };
    // Shows a page and has its form select the element of the node.
    auto selectOn = [&](QWidget* tab, const char* select, QObject* element) {
        showSub(tab);
        if (TTeeForm* form = PageForm(tab)) QMetaObject::invokeMethod(form, select, Q_ARG(QObject*, element));
    };
    switch (node->data(0, KindRole).toInt()) {
        case nkTab: {
            auto* tab = static_cast<QWidget*>(nodeData);
            if (TeePageControl(tab) == MainPage) {
                MainPage->SetActivePage(tab);
                MainPageChange();
            } else {
                showSub(tab);
                if (tab == TabSeriesList && LBSeries->isEnabled()) LBSeries->setFocus();
            }
            break;
        }
        case nkSeries: TreeSelectSeries(static_cast<TChartSeries*>(nodeData)); break;
        case nkSubPage: showSub(TabSeriesList); break;
        case nkTool:
            MainPage->SetActivePage(TabTools);
            if (!ToolsForm()) CreateToolsForm();
            if (ToolsForm()->LBTools->count() == 0) ToolsForm()->FillTools();
            ToolsForm()->SelectTool(static_cast<TTeeCustomTool*>(nodeData));
            break;
        case nkAxis: selectOn(TabAxis, "SelectAxis", static_cast<TChartAxis*>(nodeData)); break;
        case nkTitle: selectOn(TabTitle, "SelectTitle", static_cast<TChartTitle*>(nodeData)); break;
    }
}

void TChartEditForm::TreeSelectSeries(TChartSeries* Series)
{
    MainPage->SetActivePage(TabSeries);
    LBSeries->clearSelection();
    LBSeries->SetSelectedSeries(Series);
    SetTabSeries();
}

QTreeWidgetItem* TChartEditForm::TreeNodeCurrentSeries() const
{
    if (!SeriesNode) return nullptr;
    TChartSeries* selected = LBSeries->GetSelectedSeries();
    for (int i = 0; i < SeriesNode->childCount(); ++i)
        if (NodeData(SeriesNode->child(i)) == selected) return SeriesNode->child(i);
    return nullptr;
}

void TChartEditForm::SelectTreeNodeData(const void* Data)
{
    std::function<QTreeWidgetItem*(QTreeWidgetItem*)> find = [&](QTreeWidgetItem* node) -> QTreeWidgetItem* {
        if (NodeData(node) == Data) return node;
        for (int i = 0; i < node->childCount(); ++i)
            if (QTreeWidgetItem* found = find(node->child(i))) return found;
        return nullptr;
    };
    for (int i = 0; i < Tree->topLevelItemCount(); ++i)
        if (QTreeWidgetItem* node = find(Tree->topLevelItem(i))) {
            if (Tree->currentItem() != node) {
                const QSignalBlocker block(Tree);
                Tree->setCurrentItem(node);
            }
            return;
        }
}

// ---- the series list

void TChartEditForm::LBSeriesRefreshButtons()
{
    TChartSeries* selected = nullptr;
    if (FChart && FChart->SeriesCount() > 0 && LBSeries->isEnabled() && LBSeries->currentRow() != -1)
        selected = LBSeries->GetSelectedSeries();
    const int selectedRows = int(LBSeries->selectedItems().size());
    const int style = selected ? selected->Style : 0;
    BAddSeries->setEnabled(HasOption(ceAdd));
    BDeleteSeries->setEnabled(selected && HasOption(ceDelete) && !(style & (tssIsTemplate | tssDenyDelete)));
    BRenameSeries->setEnabled(selected && selectedRows < 2 && HasOption(ceTitle));
    BChangeTypeSeries->setEnabled(selected && HasOption(ceChange) && !(style & tssDenyChangeType));
    if (!BChangeTypeSeries->isEnabled() && LBSeries->GetShowSection(lbSeriesIcon) && LBSeries->EnableChangeType)
        LBSeries->EnableChangeType = false;
    BCloneSeries->setEnabled(selected && selectedRows < 2 && HasOption(ceClone) &&
                             !(style & (tssIsTemplate | tssDenyClone)));
    if (selected && selectedRows <= 1) {
        BMoveDown->setEnabled(LBSeries->currentRow() < LBSeries->count() - 1);
        BMoveUP->setEnabled(LBSeries->currentRow() > 0);
    } else {
        BMoveDown->setEnabled(false);
        BMoveUP->setEnabled(false);
    }
    if (TreeMode() && SeriesNode && SeriesNode->childCount() != LBSeries->count()) AddSeriesNodes();
}

void TChartEditForm::BAddSeriesClick()
{
    const int before = FChart ? FChart->SeriesCount() : 0;
    LBSeries->AddSeriesGallery();
    TChartSeries* created = FChart && FChart->SeriesCount() > before ? LBSeries->GetSelectedSeries() : nullptr;
    if (created && created->FunctionType()) {
        NewFunctionSeries = created;
        MainPage->SetActivePage(TabSeries);
        SetTabSeries();
        SeriesForm->PageSeries->SetActivePage(SeriesForm->TabDataSource);
        SeriesForm->PageSeriesChange();
        SeriesForm->CBDataSourcestyleChange();
    }
    if (LBSeries->isVisible()) LBSeries->setFocus();
    LBSeriesRefreshButtons();
}

void TChartEditForm::BDeleteSeriesClick()
{
    if (LBSeries->DeleteSeries() && SeriesForm) {
        SeriesForm->EditedSeries = nullptr;
        InternalSetupFormSeries();
    }
    LBSeriesRefreshButtons();
}

void TChartEditForm::BRenameSeriesClick()
{
    if (LBSeries->RenameSeries() && TreeMode())
        if (QTreeWidgetItem* node = TreeNodeCurrentSeries()) node->setText(0, LBSeries->currentItem()->text());
    if (LBSeries->isVisible()) LBSeries->setFocus();
}

void TChartEditForm::BCloneSeriesClick()
{
    LBSeries->CloneSeries();
    LBSeriesRefreshButtons();
}

void TChartEditForm::BChangeTypeSeriesClick()
{
    LBSeries->ChangeTypeSeries(this);
    InternalSetupFormSeries();
    LBSeriesRefreshButtons();
}

void TChartEditForm::BMoveUPClick()
{
    LBSeries->MoveCurrentUp();
    LBSeriesRefreshButtons();
}

void TChartEditForm::BMoveDownClick()
{
    LBSeries->MoveCurrentDown();
    LBSeriesRefreshButtons();
}

void TChartEditForm::LBSeriesEditSeries()
{
    if (LBSeries->currentRow() < 0 || !LBSeries->GetSelectedSeries()) return;
    if (TreeMode()) {
        if (QTreeWidgetItem* node = TreeNodeCurrentSeries()) Tree->setCurrentItem(node);
        return;
    }
    MainPage->SetActivePage(TabSeries);
    SetTabSeries();
}

void TChartEditForm::LBSeriesOtherItemsChange()
{
    if (!SeriesForm) return;
    SeriesForm->FillSeriesCombo();
}

void TChartEditForm::LBSeriesChangeActive()
{
    if (HasOption(ceGroups)) FillGroups();
}

void TChartEditForm::CBNamesClick()
{
    LBSeries->SetNames(CBNames->isChecked());
    BRenameSeries->setText(CBNames->isChecked() ? "&Name..." : "&Title...");
    TeeTranslateControl(BRenameSeries);
}

// ---- series groups

int TChartEditForm::DeltaGroup() const
{
    return HasOption(ceGroupAll) ? 1 : 0;
}

TSeriesGroup* TChartEditForm::CurrentGroup() const
{
    const int row = Groups->currentRow() - DeltaGroup();
    if (!FChart || row < 0) return nullptr;
    TSeriesGroups& groups = FChart->SeriesList()->Groups();
    return row < groups.Count() ? groups.Get(row) : nullptr;
}

void TChartEditForm::FillGroups()
{
    const int index = Groups->currentRow();
    {
        const QSignalBlocker block(Groups);
        Groups->clear();
        if (FChart) {
            auto add = [this](const QString& text, Qt::CheckState state) {
                auto* item = new QListWidgetItem(text, Groups);
                item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
                item->setCheckState(state);
            };
            if (DeltaGroup() == 1)
                add(QString::fromStdString(TeeMsg_All),
                    FChart->SeriesList()->AllActive() ? Qt::Checked : Qt::Unchecked);
            TSeriesGroups& groups = FChart->SeriesList()->Groups();
            for (int i = 0; i < groups.Count(); ++i) {
                const TSeriesGroupActive active = groups.Get(i)->GetActive();
                add(QString::fromStdString(groups.Get(i)->Name),
                    active == gaYes ? Qt::Checked : (active == gaNo ? Qt::Unchecked : Qt::PartiallyChecked));
            }
        }
        Groups->setCurrentRow(std::min(std::max(index, 0), Groups->count() - 1));
    }
    GroupsClick();
}

void TChartEditForm::EnableGroupButtons()
{
    const bool group = Groups->currentRow() >= DeltaGroup() && Groups->currentRow() >= 0;
    BDeleteGroup->setEnabled(group);
    BRenameGroup->setEnabled(group);
}

void TChartEditForm::GroupsClick()
{
    LBSeries->SetGroup(CurrentGroup());
    EnableGroupButtons();
}

void TChartEditForm::GroupsClickCheck(int Row)
{
    QListWidgetItem* item = Groups->item(Row);
    if (!item || !FChart) return;
    if (Row < DeltaGroup()) {
        FChart->SeriesList()->SetAllActive(item->checkState() == Qt::Checked);
        FillGroups();
    } else if (TSeriesGroup* group = FChart->SeriesList()->Groups().Get(Row - DeltaGroup())) {
        const Qt::CheckState state = item->checkState();
        group->SetActive(state == Qt::Checked ? gaYes : (state == Qt::Unchecked ? gaNo : gaSome));
        if (DeltaGroup() == 1) {
            const QSignalBlocker block(Groups);
            Groups->item(0)->setCheckState(FChart->SeriesList()->AllActive() ? Qt::Checked : Qt::Unchecked);
        }
    }
    EnableGroupButtons();
}

bool TChartEditForm::GroupsDragOver(QObject* Source, int Row) const
{
    if (Source != LBSeries || Row < DeltaGroup() || Row >= Groups->count() || !FChart) return false;
    TSeriesGroup* group = FChart->SeriesList()->Groups().Get(Row - DeltaGroup());
    TChartSeries* series = LBSeries->GetSelectedSeries();
    return series && !group->Series().Contains(series);
}

void TChartEditForm::GroupsDragDrop(int Row)
{
    TChartSeries* series = LBSeries->GetSelectedSeries();
    if (!series || !FChart || Row < 0) return;
    TSeriesGroup* current = CurrentGroup();
    if (Row >= DeltaGroup()) FChart->SeriesList()->Groups().Get(Row - DeltaGroup())->Add(series);
    if (current) current->Series().Remove(series);
    {
        const QSignalBlocker block(Groups);
        FillGroups();
        Groups->setCurrentRow(Row);
    }
    GroupsClick();
}

void TChartEditForm::BAddGroupClick()
{
    if (!FChart) return;
    AnsiString name;
    if (!platform::dialogs().InputQuery(TeeMsg_AddNewGroup, TeeMsg_GroupName, name)) return;
    FChart->SeriesList()->AddGroup(name);
    FillGroups();
    {
        const QSignalBlocker block(Groups);
        Groups->setCurrentRow(Groups->count() - 1);
    }
    GroupsClick();
}

void TChartEditForm::BRenameGroupClick()
{
    TSeriesGroup* group = CurrentGroup();
    if (!group) return;
    AnsiString name = Groups->currentItem()->text().toStdString();
    if (!platform::dialogs().InputQuery(TeeMsg_ChangeGroupName, TeeMsg_GroupName, name)) return;
    group->Name = name;
    const QSignalBlocker block(Groups);
    Groups->currentItem()->setText(QString::fromStdString(name));
}

void TChartEditForm::BDeleteGroupClick()
{
    TSeriesGroup* group = CurrentGroup();
    if (!group || !TeeYesNoDelete(Groups->currentItem()->text().toStdString(), this)) return;
    TSeriesGroups& groups = FChart->SeriesList()->Groups();
    for (int i = 0; i < groups.Count(); ++i)
        if (groups.Get(i) == group) {
            groups.Delete(i);
            break;
        }
    FillGroups();
}

// ---- the data page

void TChartEditForm::SBGridTextClick()
{
    ChartGrid1->SetShowLabels(SBGridText->isChecked());
}

void TChartEditForm::SBGridColClick()
{
    ChartGrid1->SetShowColors(SBGridCol->isChecked());
}

void TChartEditForm::SBGrid3DClick()
{
    ChartGrid1->SetGrid3DMode(SBGrid3D->isChecked());
}

void TChartEditForm::SBGridXClick()
{
    ChartGrid1->SetShowXValues(SBGridX->isChecked() ? cgsYes : cgsNo);
}

void TChartEditForm::GridMouseDown(bool RightButton, bool Alt)
{
    if (!RightButton || !Alt || !FChart || FChart->SeriesCount() == 0) return;
    if (!FChart->GetSeries(0)->HasThirdValues) return;
    ChartGrid1->SetGrid3DMode(!ChartGrid1->GetGrid3DMode());
    SBGrid3D->setChecked(ChartGrid1->GetGrid3DMode());
}

void TChartEditForm::PopupDataPopup()
{
    const int row = ChartGrid1->Row();
    const bool hasColor =
        ChartGrid1->ColorsColumn() >= 0 && row >= ChartGrid1->FirstRowNum() && row < ChartGrid1->RowCount();
    const TColor color = hasColor ? ChartGrid1->CellColor(row) : clNone;
    EditColor1->setVisible(hasColor);
    N1->setVisible(hasColor);
    DefaultColor1->setVisible(hasColor && color != clDefault);
    Makenullpoint1->setVisible(hasColor && color != clNone);
}

void TChartEditForm::EditColor1Click()
{
    ChartGrid1->ChangeColor();
}

void TChartEditForm::DefaultColor1Click()
{
    ChartGrid1->ChangeColor(clDefault);
}

void TChartEditForm::Makenullpoint1Click()
{
    ChartGrid1->ChangeColor(clNone);
}

void TChartEditForm::Insertrow1Click()
{
    ChartGrid1->Insert();
}

void TChartEditForm::Deleterow1Click()
{
    ChartGrid1->Delete();
}

void TChartEditForm::extfont1Click()
{
    TFont font;
    font.SetName(ChartGrid1->font().family().toStdString());
    font.SetHeight(ChartGrid1->font().pixelSize() > 0 ? -ChartGrid1->font().pixelSize() : -11);
    if (!EditTeeFont(this, &font)) return;
    ChartGrid1->setFont(font.ToQFont());
    ChartGrid1->verticalHeader()->setDefaultSectionSize(QFontMetrics(ChartGrid1->font()).height() + 2);
}
