// The programmer pages of the channel window: the program tree with its pop-up menu and
// buttons, the program editor's segment and program controls, and the profile page.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/TfrmMainWindow.h"
#include "app/TfrmPanelControl.h"
#include "channel/ChannelTexts.h"
#include "channel/TmdiSubWindow.h"
#include "chart/engine/TChartAxis.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TSeriesMarks.h"
#include "chart/series/TAreaSeries.h"
#include "platform/Dialogs.h"
#include "platform/Round.h"
#include "platform/TextLines.h"
#include "platform/UiThread.h"
#include "programmer/CProgrammer.h"

using namespace resources;

namespace {

void Warn(TextRow row)
{
    platform::dialogs().MessageBox(ChannelText(row), ChannelText(RowWarning), MB_OK | MB_ICONWARNING);
}

// Segment labels keep to this many characters.
constexpr int SegmentLabelLength = 27;
// A segment added from the editor lasts this long until the user applies a duration.
constexpr int NewSegmentDuration = 180;

// A label goes into program files whose fields end at ';'.
AnsiString CleanLabel(const QString& text, int maximum)
{
    QString t = text;
    t.replace(';', ',');
    t.replace('\n', ' ');
    t.replace('\r', ' ');
    if (maximum > 0 && t.size() > maximum) t.truncate(maximum);
    return A(t);
}

// An editor with a mask: the tree and the panel must not take Enter from it.
QLineEdit* Edit(QWidget* parent, const char* name, const char* text)
{
    auto* e = new QLineEdit(QString::fromUtf8(text), parent);
    e->setObjectName(name);
    e->setMinimumWidth(60);
    e->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    return e;
}

QComboBox* List(QWidget* parent, const char* name, std::initializer_list<AnsiString> items, int selected)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    // Wide enough for the longest entry of the language in force (the list's own minimum
    // keeps the entries it had first).
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    QObject::connect(box->model(), &QAbstractItemModel::rowsInserted, box,
                     [box] { box->setMinimumWidth(box->sizeHint().width()); });
    for (const AnsiString& item : items) box->addItem(Q(item));
    box->setCurrentIndex(selected);
    return box;
}

QLabel* TextLabel(QWidget* parent, const char* name, TextRow row)
{
    auto* l = new QLabel(Q(ChannelText(row)), parent);
    l->setObjectName(name);
    return l;
}

// The tree widget reports Enter to the window (label editing starts with it).
class TTreeKeyFilter : public QObject {
public:
    TTreeKeyFilter(QObject* parent, std::function<void(int)> onKey) : QObject(parent), FOnKey(std::move(onKey)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                platform::GuardedCall([this] { FOnKey(VK_RETURN); });
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(int)> FOnKey;
};

}  // namespace

// ---------------------------------------------------------------- building the pages

void TmdiSubWindow::BuildProgrammerPages()
{
    BuildProgramTree(tabScout);
    BuildEditorControls(tabScout);

    txtHint1 = new QLabel(Q(ChannelText(RowTemporaryChanges1)), tabScout);
    txtHint1->setObjectName("txtHint1");
    txtHint2 = new QLabel(Q(ChannelText(RowTemporaryChanges2)), tabScout);
    txtHint2->setObjectName("txtHint2");
    txtRunWaits = new QLabel(tabScout);
    txtRunWaits->setObjectName("txtRunWaits");
    txtRunWaits->setWordWrap(true);
    txtRunWaits->setStyleSheet("QLabel { color: #a00000; font-weight: bold; }");
    txtRunWaits->setVisible(false);

    auto* treeButtons = new QGridLayout;
    int i = 0;
    for (QPushButton* b : {btnCreateTP, btnDeleteTP, btnLoadTP, btnSaveTP, btnAddSegment, btnDeleteSegment})
        treeButtons->addWidget(b, i / 2, i % 2), ++i;
    grpScout = new QGroupBox(Q(ChannelText(RowScout)), tabScout);
    grpScout->setObjectName("grpScout");
    auto* left = new QVBoxLayout(grpScout);
    left->addWidget(treeTProgram, 1);
    left->addLayout(treeButtons);
    auto* runButtons = new QHBoxLayout;
    for (QPushButton* b : {btnTPStartStop, btnPauseSegment, btnCancelSegment}) runButtons->addWidget(b);
    grpProgrammeditor = new QGroupBox(Q(ChannelText(RowProgramEditor)), tabScout);
    grpProgrammeditor->setObjectName("grpProgrammeditor");
    // The segment's and the program's properties side by side.
    auto* segment = new QVBoxLayout;
    segment->addWidget(txtSegmentProperties);
    segment->addWidget(grpSegment);
    segment->addStretch(1);
    auto* program = new QVBoxLayout;
    program->addWidget(txtProgramProperties);
    program->addWidget(grpProgram);
    program->addStretch(1);
    auto* properties = new QHBoxLayout;
    properties->addLayout(segment, 1);
    properties->addLayout(program, 1);
    auto* right = new QVBoxLayout(grpProgrammeditor);
    right->addLayout(properties);
    right->addWidget(btnApplyValues);
    right->addLayout(runButtons);
    right->addWidget(txtRunWaits);
    right->addWidget(txtHint1);
    right->addWidget(txtHint2);
    right->addStretch(1);
    auto* scout = new QHBoxLayout(tabScout);
    scout->setContentsMargins(4, 4, 4, 4);
    scout->addWidget(grpScout, 2);
    scout->addWidget(grpProgrammeditor, 5);

    graProgrammerGraph = new TChart(tabProgrammerGraph);
    graProgrammerGraph->setObjectName("graProgrammerGraph");
    graProgrammerGraph->SetView3D(false);
    graProgrammerGraph->GetLegend()->SetVisible(false);
    graProgrammerGraph->BottomAxis()->GetTitle()->SetCaption(ChannelText(RowSegmentNumber));
    graProgrammerGraph->LeftAxis()->GetTitle()->SetCaption(ChannelText(RowTemperatureAxisTitle));
    Series1 = new TAreaSeries(graProgrammerGraph);
    Series1->setObjectName("Series1");
    Series1->SetColorEachPoint(true);
    graProgrammerGraph->AddSeries(Series1);
    Memo3 = new QPlainTextEdit(tabProgrammerGraph);
    Memo3->setObjectName("Memo3");
    Memo3->setReadOnly(true);
    memProtocol = new QPlainTextEdit(tabProgrammerGraph);
    memProtocol->setObjectName("memProtocol");
    memProtocol->setReadOnly(true);
    // Its lines are sentences the user reads whole: they wrap at the pane's edge.
    memProtocol->setLineWrapMode(QPlainTextEdit::WidgetWidth);

    grpProgrammerGraph = new QGroupBox(Q(ChannelText(RowProgramProfileTitle)), tabProgrammerGraph);
    grpProgrammerGraph->setObjectName("grpProgrammerGraph");
    (new QVBoxLayout(grpProgrammerGraph))->addWidget(graProgrammerGraph);
    grpProgrammerLegend = new QGroupBox(Q(ChannelText(RowLegend)), tabProgrammerGraph);
    grpProgrammerLegend->setObjectName("grpProgrammerLegend");
    (new QVBoxLayout(grpProgrammerLegend))->addWidget(Memo3);
    grpProgrammerProtocol = new QGroupBox(Q(ChannelText(RowProgrammerProtocol)), tabProgrammerGraph);
    grpProgrammerProtocol->setObjectName("grpProgrammerProtocol");
    (new QVBoxLayout(grpProgrammerProtocol))->addWidget(memProtocol);
    auto* split = new QSplitter(Qt::Vertical, tabProgrammerGraph);
    auto* top = new QSplitter(Qt::Horizontal, split);
    top->addWidget(grpProgrammerGraph);
    top->addWidget(grpProgrammerLegend);
    top->setStretchFactor(0, 3);
    top->setStretchFactor(1, 1);
    split->addWidget(top);
    split->addWidget(grpProgrammerProtocol);
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 1);
    split->setSizes({280, 140});
    auto* layout = new QVBoxLayout(tabProgrammerGraph);
    layout->addWidget(split);

    ConnectEditor();
}

void TmdiSubWindow::BuildProgramTree(QWidget* page)
{
    treeTProgram = new QTreeWidget(page);
    treeTProgram->setObjectName("treeTProgram");
    treeTProgram->setHeaderHidden(true);
    treeTProgram->setColumnCount(1);
    treeTProgram->setEditTriggers(QAbstractItemView::NoEditTriggers);
    treeTProgram->setContextMenuPolicy(Qt::CustomContextMenu);
    treeTProgram->installEventFilter(new TTreeKeyFilter(treeTProgram, [this](int key) { treeTProgramKeyDown(key); }));

    PopupProgrammer = new QMenu(this);
    PopupProgrammer->setObjectName("PopupProgrammer");
    auto item = [this](const char* name, TextRow row, void (TmdiSubWindow::*handler)()) {
        QAction* a = PopupProgrammer->addAction(Q(ChannelText(row)));
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, platform::GuardedSlot(this, handler));
        return a;
    };
    // An editing item offered while no run went on (or while one did) does nothing once a run
    // has begun or ended since the menu opened: it acts on what the user saw.
    auto editItem = [this](const char* name, TextRow row, void (TmdiSubWindow::*handler)()) {
        QAction* a = PopupProgrammer->addAction(Q(ChannelText(row)));
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, [this, handler] {
            platform::GuardedCall([this, handler] {
                if (ProgramLockSeen() == FMenuLocked) (this->*handler)();
            });
        });
        return a;
    };
    mnuCreateProgram = editItem("mnuCreateProgram", RowCreateProgram, &TmdiSubWindow::mnuCreateProgramClick);
    mnuDeleteProgram = editItem("mnuDeleteProgram", RowDeleteProgram, &TmdiSubWindow::mnuDeleteProgramClick);
    mnuLoadProgram = editItem("mnuLoadProgram", RowLoadProgram, &TmdiSubWindow::mnuLoadProgramClick);
    mnuSaveProgram = item("mnuSaveProgram", RowSaveProgram, &TmdiSubWindow::mnuSaveProgramClick);
    PopupProgrammer->addSeparator();
    mnuAddSegment = editItem("mnuAddSegment", RowAppendSegment, &TmdiSubWindow::mnuAddSegmentClick);
    mnuPasteSegment = editItem("mnuPasteSegment", RowInsertSegment, &TmdiSubWindow::mnuPasteSegmentClick);
    mnuDeleteSegment = editItem("mnuDeleteSegment", RowDeleteSegment, &TmdiSubWindow::mnuDeleteSegmentClick);
    PopupProgrammer->addSeparator();
    mnuStartStopProgram = item("mnuStartStopProgram", RowPanelStartProgram, &TmdiSubWindow::mnuStartStopProgramClick);
    mnuCancelSegment = item("mnuCancelSegment", RowCancelSegment, &TmdiSubWindow::mnuCancelSegmentClick);
    mnuPauseSegment = item("mnuPauseSegment", RowHoldContinueSegment, &TmdiSubWindow::mnuPauseSegmentClick);
    // The menu offers what the run was when it opened, and its start/stop item does that:
    // a tick that ends the run while the menu is open changes neither.
    connect(PopupProgrammer, &QMenu::aboutToShow, this, [this] {
        FMenuStartStopTag = btnTPStartStopTag;
        FMenuRun = FRun ? FRun->RunSerial() : 0;
        FMenuProgram = FRun ? FRun->RunProgramName() : AnsiString();
        FMenuLocked = ProgramLockSeen();
        FMenuOpen = true;
    });
    connect(PopupProgrammer, &QMenu::aboutToHide, this, [this] {
        FMenuOpen = false;
        platform::GuardedCall([this] { UpdateProgramCommands(); });
    });

    auto button = [this, page](const char* name, TextRow row, void (TmdiSubWindow::*handler)()) {
        auto* b = new QPushButton(Q(ChannelText(row)), page);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, platform::GuardedSlot(this, handler));
        return b;
    };
    btnCreateTP = button("btnCreateTP", RowShortCreateProgram, &TmdiSubWindow::mnuCreateProgramClick);
    btnDeleteTP = button("btnDeleteTP", RowShortDeleteProgram, &TmdiSubWindow::mnuDeleteProgramClick);
    btnLoadTP = button("btnLoadTP", RowShortLoadProgram, &TmdiSubWindow::btnLoadTP2Click);
    btnSaveTP = button("btnSaveTP", RowShortSaveProgram, &TmdiSubWindow::mnuSaveProgramClick);
    btnAddSegment = button("btnAddSegment", RowAppendSegment, &TmdiSubWindow::mnuAddSegmentClick);
    btnDeleteSegment = button("btnDeleteSegment", RowDeleteSegment, &TmdiSubWindow::mnuDeleteSegmentClick);
    btnApplyValues = button("btnApplyValues", RowApplyValues, &TmdiSubWindow::btnApplyValuesClick);
    btnTPStartStop = button("btnTPStartStop", RowPanelStartProgram, &TmdiSubWindow::btnTPStartStopClick);
    FStartStopPressed.Watch(btnTPStartStop, [this] { return btnTPStartStopTag; });
    btnPauseSegment = button("btnPauseSegment", RowHoldContinueSegment, &TmdiSubWindow::btnPauseSegmentClick);
    btnCancelSegment = button("btnCancelSegment", RowCancelSegment, &TmdiSubWindow::btnCancelSegmentClick);
}

void TmdiSubWindow::BuildEditorControls(QWidget* page)
{
    QFont bold = page->font();
    bold.setBold(true);
    txtSegmentProperties = TextLabel(page, "txtSegmentProperties", RowSegmentProperties);
    txtSegmentProperties->setFont(bold);
    grpSegment = new QGroupBox(page);
    grpSegment->setObjectName("grpSegment");
    txtCurrentSegment = Edit(grpSegment, "txtCurrentSegment", "");
    txtCurrentSegment->setReadOnly(true);
    edDuration = Edit(grpSegment, "edDuration", "00:03");
    edDuration->setInputMask("99:99; ");
    edDuration->setText("00:03");
    edTemperature = Edit(grpSegment, "edTemperature", "20");
    edStirrer = Edit(grpSegment, "edStirrer", "");
    edStirrer->setText(Q(ChannelText(RowUnchanged)));
    edStirrer->setEnabled(false);
    cmbPoko2 = List(grpSegment, "cmbPoko2", {ChannelText(RowOff), ChannelText(RowOn), ChannelText(RowUnchanged)}, 2);
    cmbTemperatureControl =
        List(grpSegment, "cmbTemperatureControl", {ChannelText(RowInternal), ChannelText(RowProcess)}, 0);
    cmbExecution = List(grpSegment, "cmbExecution", {ChannelText(RowTimeStable), ChannelText(RowTemperatureStable)}, 0);
    txtInterval = TextLabel(grpSegment, "txtInterval", RowPeriod);
    txtEndTemperature = TextLabel(grpSegment, "txtEndTemperature", RowEndTemperature);
    txtStirrer1 = TextLabel(grpSegment, "txtStirrer1", RowAnalogueOutput1);
    txtPoko2 = TextLabel(grpSegment, "txtPoko2", RowFloatingContactColumn);
    txtTemperatureControl = TextLabel(grpSegment, "txtTemperatureControl", RowTemperatureControlColumn);
    txtSegmentExecution = TextLabel(grpSegment, "txtSegmentExecution", RowSegmentTypeColumn);
    auto* segment = new QGridLayout(grpSegment);
    segment->setContentsMargins(6, 6, 6, 6);
    segment->setVerticalSpacing(3);
    segment->addWidget(TextLabel(grpSegment, "txtSegmentLabel", RowSegmentLabelColon), 0, 0);
    segment->addWidget(txtCurrentSegment, 0, 1);
    AddLabelledRows(segment, 1,
                    {{txtInterval, edDuration},
                     {txtEndTemperature, edTemperature},
                     {txtStirrer1, edStirrer},
                     {txtPoko2, cmbPoko2},
                     {txtTemperatureControl, cmbTemperatureControl},
                     {txtSegmentExecution, cmbExecution}});

    txtProgramProperties = TextLabel(page, "txtProgramProperties", RowProgramProperties);
    txtProgramProperties->setFont(bold);
    grpProgram = new QGroupBox(page);
    grpProgram->setObjectName("grpProgram");
    cmbRepeat = List(grpProgram, "cmbRepeat", {ChannelText(RowCycleNone), ChannelText(RowCycleEndless)}, 0);
    cmbEndofProgram =
        List(grpProgram, "cmbEndofProgram",
             {ChannelText(RowEndStopTemperatureControl), ChannelText(RowEndContinueTemperatureControl)}, 1);
    edStartTemperature = Edit(grpProgram, "edStartTemperature", "20");
    cmbStirrer = List(grpProgram, "cmbStirrer", {ChannelText(RowUnaffected), ChannelText(RowAffected)}, 0);
    cmbPoko = List(grpProgram, "cmbPoko", {ChannelText(RowUnaffected), ChannelText(RowAffected2)}, 0);
    cmbStirrer->setEnabled(false);
    cmbPoko->setEnabled(false);
    txtRepeat = TextLabel(grpProgram, "txtRepeat", RowProgramCycle);
    txtEndofProgram = TextLabel(grpProgram, "txtEndofProgram", RowEndOfProgram);
    txtStartTemperature = TextLabel(grpProgram, "txtStartTemperature", RowStartTemperature);
    txtStirrer = TextLabel(grpProgram, "txtStirrer", RowSetAnalogueValue);
    txtPoko = TextLabel(grpProgram, "txtPoko", RowSetValuePoko);
    auto* program = new QGridLayout(grpProgram);
    program->setContentsMargins(6, 6, 6, 6);
    program->setVerticalSpacing(3);
    AddLabelledRows(program, 0,
                    {{txtRepeat, cmbRepeat},
                     {txtEndofProgram, cmbEndofProgram},
                     {txtStartTemperature, edStartTemperature},
                     {txtStirrer, cmbStirrer},
                     {txtPoko, cmbPoko}});
}

void TmdiSubWindow::ConnectEditor()
{
    // Keys and choices of the user (never the window's own filling) mark the values modified.
    for (QLineEdit* e : {edDuration, edTemperature, edStirrer, edStartTemperature})
        connect(e, &QLineEdit::textEdited, this, [this] { MarkValuesModified(); });
    for (QComboBox* c : {cmbPoko2, cmbTemperatureControl, cmbExecution, cmbRepeat, cmbEndofProgram})
        connect(c, &QComboBox::activated, this, [this] { MarkValuesModified(); });
    connect(cmbStirrer, &QComboBox::activated, this, platform::GuardedSlot(this, &TmdiSubWindow::cmbStirrerSelect));
    connect(cmbPoko, &QComboBox::activated, this, platform::GuardedSlot(this, &TmdiSubWindow::cmbPokoSelect));
    connect(cmbRepeat, &QComboBox::activated, this, platform::GuardedSlot(this, &TmdiSubWindow::cmbRepeatSelect));
    connect(chkLabel, &QCheckBox::clicked, this, platform::GuardedSlot(this, &TmdiSubWindow::chkLabelClick));

    connect(treeTProgram, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem* previous) {
                if (FTreeUpdating) return;
                TTreeNode* node = NodeOfItem(current);
                if (node == FSelectedNode) return;
                platform::GuardedCall([this, node] { SelectNode(node); });
                // A refused change puts the widget's selection back.
                if (FSelectedNode != node) {
                    FTreeUpdating = true;
                    treeTProgram->setCurrentItem(
                        previous && NodeOfItem(previous) == FSelectedNode ? previous : ItemOfNode(FSelectedNode));
                    FTreeUpdating = false;
                }
            });
    connect(treeTProgram, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int) {
        if (FTreeUpdating) return;
        TTreeNode* node = NodeOfItem(item);
        if (!node) return;
        platform::GuardedCall([this, node, item] {
            AnsiString text = A(item->text(0));
            treeTProgramEdited(node, text);
            FTreeUpdating = true;
            item->setText(0, Q(node->Text));
            FTreeUpdating = false;
        });
    });
    connect(treeTProgram, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QTreeWidgetItem* item = treeTProgram->itemAt(at);
        platform::GuardedCall([this, item] { treeTProgramMouseDown(NodeOfItem(item), true); });
        PopupProgrammer->popup(treeTProgram->viewport()->mapToGlobal(at));
    });
    connect(tabDataControl, &QTabWidget::currentChanged, this, [this](int index) {
        QWidget* shown = tabDataControl->widget(index);
        if (shown == tabProgrammerGraph)
            platform::GuardedCall([this] { tabProgrammerGraphShow(); });
        else if (shown == tabScout)
            platform::GuardedCall([this] { tabScoutShow(); });
    });
}

// ---------------------------------------------------------------- the tree

TTreeNode* TmdiSubWindow::NodeOfItem(const QTreeWidgetItem* item) const
{
    NOX_ASSERT_UI_THREAD();
    if (!item) return nullptr;
    auto* node = reinterpret_cast<TTreeNode*>(item->data(0, Qt::UserRole).value<quintptr>());
    return FProgramTree.Contains(node) ? node : nullptr;
}

QTreeWidgetItem* TmdiSubWindow::ItemOfNode(const TTreeNode* node) const
{
    NOX_ASSERT_UI_THREAD();
    if (!node) return nullptr;
    for (int i = 0; i < treeTProgram->topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = treeTProgram->topLevelItem(i);
        if (NodeOfItem(top) == node) return top;
        for (int k = 0; k < top->childCount(); ++k)
            if (NodeOfItem(top->child(k)) == node) return top->child(k);
    }
    return nullptr;
}

void TmdiSubWindow::RefreshProgramTree()
{
    NOX_ASSERT_UI_THREAD();
    FTreeUpdating = true;
    treeTProgram->clear();
    const bool editable = !(FRun && FRun->HasRun());
    auto make = [editable](const TTreeNode* node) {
        auto* item = new QTreeWidgetItem(QStringList{Q(node->Text)});
        item->setData(0, Qt::UserRole, QVariant::fromValue(quintptr(node)));
        Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
        if (editable) flags |= Qt::ItemIsEditable;
        item->setFlags(flags);
        return item;
    };
    for (int i = 0; i < FProgramTree.TopLevelCount(); ++i) {
        const TTreeNode* program = FProgramTree.TopLevelItem(i);
        QTreeWidgetItem* top = make(program);
        for (int k = 0; k < program->Count(); ++k) top->addChild(make(program->Item(k)));
        treeTProgram->addTopLevelItem(top);
        top->setExpanded(true);
    }
    if (QTreeWidgetItem* item = ItemOfNode(FSelectedNode)) treeTProgram->setCurrentItem(item);
    FTreeUpdating = false;
    UpdateProgramCommands();
}

TTreeNode* TmdiSubWindow::ProgramOf(TTreeNode* node) const
{
    if (!node || !FProgramTree.Contains(node)) return nullptr;
    return node->Parent() ? node->Parent() : node;
}

bool TmdiSubWindow::ProgramLocked(const TTreeNode* node) const
{
    // Nothing changes a program while it runs (from its start request on) or while a timed
    // start is armed on the window.
    if (AutomaticStartArmed) return true;
    return node && FRun && FRun->StartedProgram && FRun->StartedProgram == (node->Parent() ? node->Parent() : node);
}

void TmdiSubWindow::SelectNode(TTreeNode* node)
{
    NOX_ASSERT_UI_THREAD();
    if (node && !FProgramTree.Contains(node)) return;
    if (node == FSelectedNode) return;
    bool allow = true;
    treeTProgramChanging(node, allow);
    if (!allow) return;
    ShowNode(node);
}

void TmdiSubWindow::ShowNode(TTreeNode* node)
{
    FSelectedNode = node;
    if (QTreeWidgetItem* item = ItemOfNode(node)) {
        FTreeUpdating = true;
        treeTProgram->setCurrentItem(item);
        FTreeUpdating = false;
    }
    treeTProgramChange(node);
}

void TmdiSubWindow::SelectProgramNode(TTreeNode* node)
{
    NOX_ASSERT_UI_THREAD();
    FSelectedNode = node && FProgramTree.Contains(node) ? node : nullptr;
    RefreshProgramTree();
}

void TmdiSubWindow::treeTProgramMouseDown(TTreeNode* node, bool)
{
    NOX_ASSERT_UI_THREAD();
    // A click in a background window makes it the active one first.
    if (frmMainWindow && frmMainWindow->ActiveChannel() != FChannel) {
        if (QMdiArea* area = mdiArea()) area->setActiveSubWindow(this);
        FormActivate();
    }
    if (node) SelectNode(node);
    UpdateProgramCommands();
}

void TmdiSubWindow::treeTProgramKeyDown(int key)
{
    NOX_ASSERT_UI_THREAD();
    if (key != VK_RETURN || !FSelectedNode || ProgramLocked(FSelectedNode)) return;
    if (QTreeWidgetItem* item = ItemOfNode(FSelectedNode)) treeTProgram->editItem(item, 0);
}

void TmdiSubWindow::treeTProgramChanging(TTreeNode* node, bool& allowChange)
{
    NOX_ASSERT_UI_THREAD();
    allowChange = true;
    if (!ValuesModified || node == FSelectedNode) return;
    if (ChannelAskYesNo(ChannelText(RowAskApplyModifiedValues))) {
        // The selection stays; the values go into the node they were typed for, and the
        // editor shows that node's values as stored.
        allowChange = false;
        btnApplyValuesClick();
        if (FSelectedNode && FSelectedNode->Parent()) {
            EnableEditorControls();
            ShowSegmentValues(FSelectedNode);
        }
        ShowProgramValues(FSelectedNode);
    }
    MarkValuesModified(false);
}

void TmdiSubWindow::treeTProgramChange(TTreeNode* node)
{
    NOX_ASSERT_UI_THREAD();
    if (!node) {
        ClearSegmentEditor();
    } else if (node->Parent()) {
        if (!ProgramLocked(node)) EnableEditorControls();
        ShowSegmentValues(node);
        ShowProgramValues(node);
    } else {
        ClearSegmentEditor();
        ShowProgramValues(node);
    }
    UpdateProgramCommands();
}

void TmdiSubWindow::treeTProgramEdited(TTreeNode* node, AnsiString& text)
{
    NOX_ASSERT_UI_THREAD();
    if (!node || !FProgrammer || ProgramLocked(node)) {
        if (node) text = node->Text;
        return;
    }
    if (node->Parent()) {
        text = CleanLabel(Q(text), SegmentLabelLength);
        FProgrammer->RenameSegment(node, text);
    } else {
        text = CleanLabel(Q(text), 0);
        FProgrammer->RenameProgram(CProgrammer::GetProgramIndex(node), text);
    }
    node->Text = text;
    if (node == FSelectedNode && node->Parent()) txtCurrentSegment->setText(Q(text));
}

// ---------------------------------------------------------------- showing values

void TmdiSubWindow::ShowSegmentValues(TTreeNode* node)
{
    NOX_ASSERT_UI_THREAD();
    if (!FProgrammer || !node) return;
    txtCurrentSegment->setText(Q(FProgrammer->GetSegmentName(node)));
    const int duration = FProgrammer->GetSegmentDuration(node);
    edDuration->setText(QString::asprintf("%02d:%02d", std::min(99, duration / 3600), (duration % 3600) / 60));
    edTemperature->setText(Q(FloatToStr(FProgrammer->GetSegmentSetpoint(node))));
    const int output = FProgrammer->GetSegmentAnalogOutput(node);
    edStirrer->setText(output == -1 ? Q(ChannelText(RowUnchanged)) : QString::number(output));
    cmbPoko2->setCurrentIndex(std::clamp(FProgrammer->GetSegmentContact(node), 0, 2));
    cmbTemperatureControl->setCurrentIndex(FProgrammer->GetSegmentControlMode(node) != 0 ? 1 : 0);
    cmbExecution->setCurrentIndex(FProgrammer->GetSegmentWaitFlag(node) != 0 ? 1 : 0);
    ApplyOptionChoice(TProgramOption::Contact);
    ApplyOptionChoice(TProgramOption::Stirrer);
}

void TmdiSubWindow::ShowEditorValues()
{
    NOX_ASSERT_UI_THREAD();
    if (!FProgrammer || !FSelectedNode || !FProgramTree.Contains(FSelectedNode)) return;
    if (FSelectedNode->Parent()) ShowSegmentValues(FSelectedNode);
    ShowProgramValues(FSelectedNode);
    MarkValuesModified(false);
}

void TmdiSubWindow::ShowProgramValues(TTreeNode* node)
{
    NOX_ASSERT_UI_THREAD();
    TTreeNode* program = ProgramOf(node);
    if (!FProgrammer || !program) return;
    const int slot = CProgrammer::GetProgramIndex(program);
    cmbRepeat->setCurrentIndex(FProgrammer->GetRepeatMode(slot) != 0 ? 1 : 0);
    cmbEndofProgram->setCurrentIndex(FProgrammer->GetEndAction(slot) != 0 ? 1 : 0);
    edStartTemperature->setText(Q(FloatToStr(FProgrammer->GetStartTemperature(slot))));
    cmbStirrer->setCurrentIndex(FProgrammer->IsStirrerUsed(slot) ? 1 : 0);
    cmbPoko->setCurrentIndex(FProgrammer->IsContactUsed(slot) ? 1 : 0);
    if (!ProgramLocked(program)) cmbEndofProgram->setEnabled(cmbRepeat->currentIndex() == 0);
}

void TmdiSubWindow::EnableEditorControls()
{
    NOX_ASSERT_UI_THREAD();
    for (QWidget* w : std::initializer_list<QWidget*>{edDuration, edTemperature, cmbRepeat, edStartTemperature,
                                                      cmbTemperatureControl, cmbExecution, cmbStirrer, cmbPoko})
        w->setEnabled(true);
    edStirrer->setEnabled(cmbStirrer->currentIndex() == 1);
    cmbPoko2->setEnabled(cmbPoko->currentIndex() == 1);
    cmbEndofProgram->setEnabled(cmbRepeat->currentIndex() == 0);
    UpdateProgramCommands();
}

void TmdiSubWindow::DisableEditorControls()
{
    NOX_ASSERT_UI_THREAD();
    for (QWidget* w : std::initializer_list<QWidget*>{edDuration, edTemperature, edStirrer, cmbPoko2, cmbRepeat,
                                                      cmbEndofProgram, edStartTemperature, cmbTemperatureControl,
                                                      cmbExecution, cmbStirrer, cmbPoko, btnApplyValues})
        w->setEnabled(false);
}

void TmdiSubWindow::ClearSegmentEditor()
{
    NOX_ASSERT_UI_THREAD();
    for (QWidget* w : std::initializer_list<QWidget*>{edDuration, edTemperature, edStirrer, cmbPoko2,
                                                      cmbTemperatureControl, cmbExecution})
        w->setEnabled(false);
    txtCurrentSegment->clear();
}

void TmdiSubWindow::MarkValuesModified(bool modified)
{
    NOX_ASSERT_UI_THREAD();
    ValuesModified = modified ? 1 : 0;
    QFont f = btnApplyValues->font();
    f.setBold(modified);
    f.setUnderline(modified);
    btnApplyValues->setFont(f);
    // The disabled look stays the style's own.
    QPalette p = btnApplyValues->palette();
    const QColor text = modified ? TColorToQColor(clMaroon) : QApplication::palette().color(QPalette::ButtonText);
    p.setColor(QPalette::Active, QPalette::ButtonText, text);
    p.setColor(QPalette::Inactive, QPalette::ButtonText, text);
    btnApplyValues->setPalette(p);
}

// ---------------------------------------------------------------- applying values

bool TmdiSubWindow::ReadSegmentEditor(int& duration, double& setpoint, int& analogOutput) const
{
    const QStringList parts = edDuration->text().split(':');
    bool okHours = false, okMinutes = false;
    const int hours = parts.size() == 2 ? parts[0].trimmed().toInt(&okHours) : 0;
    const int minutes = parts.size() == 2 ? parts[1].trimmed().toInt(&okMinutes) : 0;
    if (!okHours || !okMinutes) return false;
    duration = (hours * 60 + minutes) * 60;
    if (!TryStrToFloat(Trim(A(edTemperature->text())), setpoint)) return false;
    setpoint = double(Round64(setpoint * 100.0)) / 100.0;
    const AnsiString output = Trim(A(edStirrer->text()));
    if (output == ChannelText(RowUnchanged) || !cmbStirrer->currentIndex()) {
        analogOutput = -1;
        return true;
    }
    return TryStrToInt(output, analogOutput);
}

bool TmdiSubWindow::SetpointAllowed(double value) const
{
    NOX_ASSERT_UI_THREAD();
    return FRun ? FRun->SetpointSendable(value) : true;
}

bool TmdiSubWindow::StoreProgramSettings(TTreeNode* program)
{
    double start = 0.0;
    if (!TryStrToFloat(Trim(A(edStartTemperature->text())), start)) {
        Warn(RowInputMaskError);
        return false;
    }
    if (!SetpointAllowed(start)) {
        Warn(RowValueOutOfBounds);
        return false;
    }
    FProgrammer->SetProgramSettings(CProgrammer::GetProgramIndex(program), cmbRepeat->currentIndex() != 0,
                                    cmbPoko->currentIndex() != 0, cmbStirrer->currentIndex() != 0, start,
                                    cmbEndofProgram->currentIndex() != 0);
    return true;
}

void TmdiSubWindow::btnApplyValuesClick()
{
    NOX_ASSERT_UI_THREAD();
    TTreeNode* node = FSelectedNode;
    if (!FProgrammer || !node || !FProgramTree.Contains(node)) return;
    struct Done {
        TmdiSubWindow* w;
        ~Done() { w->MarkValuesModified(false); }
    } done{this};
    if (ProgramLocked(node)) {
        Warn(RowNoChangeNow);
        return;
    }
    TTreeNode* program = ProgramOf(node);
    if (!node->Parent()) {
        Warn(RowNoSegmentSelected);
        StoreProgramSettings(program);
        return;
    }
    int duration = 0, output = -1;
    double setpoint = 0.0;
    if (!ReadSegmentEditor(duration, setpoint, output)) {
        Warn(RowInputMaskError);
        return;
    }
    // A value the unit cannot take is refused; the segment keeps what it had.
    if (!SetpointAllowed(setpoint) || output < -1 || output > 1000) {
        Warn(RowValueOutOfBounds);
        return;
    }
    if (!StoreProgramSettings(program)) return;
    FProgrammer->SetSegmentValues(node, duration, cmbExecution->currentIndex() != 0 ? 1 : 0,
                                  cmbTemperatureControl->currentIndex() != 0 ? 1 : 0, cmbPoko2->currentIndex(), output,
                                  setpoint);
    ShowSegmentValues(node);
}

// ---------------------------------------------------------------- segments

void TmdiSubWindow::InsertSegment(TTreeNode* before)
{
    TTreeNode* program = ProgramOf(FSelectedNode);
    if (!FProgrammer || !program) {
        Warn(RowSelectAProgram);
        return;
    }
    if (ProgramLocked(program)) {
        Warn(RowNoChangeNow);
        return;
    }
    const int slot = CProgrammer::GetProgramIndex(program);
    const AnsiString name = CProgrammer::GetSegmentCount(program) >= CProgrammer::MaxSegments
                                ? AnsiString()
                                : FProgrammer->NewSegmentName(slot);
    if (name.empty()) {
        Warn(RowMaxSegmentsReached);
        return;
    }
    TTreeNode* node = before ? FProgramTree.Insert(before, name) : FProgramTree.AddChild(program, name);
    node->ImageIndex = node->SelectedIndex = SegmentNodeImage;
    const bool added =
        before ? FProgrammer->PasteSegment(before, node, slot, name) : FProgrammer->AddSegment(node, name, slot);
    if (!added) {
        FProgramTree.Delete(node);
        Warn(RowMaxSegmentsReached);
        return;
    }
    // The new segment takes the editor's values; what cannot be read or sent is replaced,
    // so the segment never stays without values.
    int duration = 0, output = -1;
    double setpoint = 20.0;
    if (!ReadSegmentEditor(duration, setpoint, output)) {
        Warn(RowInputMaskError);
        setpoint = 20.0;
        output = -1;
    } else if (!SetpointAllowed(setpoint) || output < -1 || output > 1000) {
        Warn(RowValueOutOfBounds);
        setpoint = 20.0;
        output = -1;
    }
    FProgrammer->SetSegmentValues(node, NewSegmentDuration, cmbExecution->currentIndex() != 0 ? 1 : 0,
                                  cmbTemperatureControl->currentIndex() != 0 ? 1 : 0, cmbPoko2->currentIndex(), output,
                                  setpoint);
    MarkValuesModified(false);
    FSelectedNode = node;
    RefreshProgramTree();
    treeTProgramChange(node);
}

void TmdiSubWindow::mnuAddSegmentClick()
{
    NOX_ASSERT_UI_THREAD();
    InsertSegment(nullptr);
}

void TmdiSubWindow::mnuPasteSegmentClick()
{
    NOX_ASSERT_UI_THREAD();
    if (!FSelectedNode || !FSelectedNode->Parent()) return;
    InsertSegment(FSelectedNode);
}

void TmdiSubWindow::mnuDeleteSegmentClick()
{
    NOX_ASSERT_UI_THREAD();
    TTreeNode* node = FSelectedNode;
    if (!FProgrammer || !node || !node->Parent() || !FProgramTree.Contains(node)) return;
    if (ProgramLocked(node)) {
        Warn(RowNoChangeNow);
        return;
    }
    TTreeNode* program = node->Parent();
    TTreeNode* next = node->GetNextSibling() ? node->GetNextSibling() : node->GetPrevSibling();
    FProgrammer->DeleteSegment(node);
    FProgramTree.Delete(node);
    MarkValuesModified(false);
    FSelectedNode = next ? next : program;
    RefreshProgramTree();
    treeTProgramChange(FSelectedNode);
}

// ---------------------------------------------------------------- programs

void TmdiSubWindow::mnuCreateProgramClick()
{
    NOX_ASSERT_UI_THREAD();
    if (!FProgrammer || AutomaticStartArmed || (FRun && FRun->HasRun())) return;
    // The programmer view holds one program; TP Scout up to ten.
    const int slot = ViewMode == vmProgrammer && FProgramTree.TopLevelCount() > 0 ? -1 : FProgrammer->FindFreeSlot();
    if (slot < 0) {
        Warn(RowMaxProgramsShown);
        return;
    }
    const AnsiString name = FProgrammer->NewProgramName();
    TTreeNode* node = FProgramTree.Add(nullptr, name);
    node->ImageIndex = node->SelectedIndex = ProgramNodeImage;
    FProgrammer->CreateProgram(slot, node, name);
    double start = 20.0;
    if (!TryStrToFloat(Trim(A(edStartTemperature->text())), start) || !SetpointAllowed(start)) start = 20.0;
    FProgrammer->SetProgramSettings(slot, cmbRepeat->currentIndex() != 0, cmbPoko->currentIndex() != 0,
                                    cmbStirrer->currentIndex() != 0, start, cmbEndofProgram->currentIndex() != 0);
    MarkValuesModified(false);
    FSelectedNode = node;
    RefreshProgramTree();
    treeTProgramChange(node);
    // There is a program to save now.
    if (frmMainWindow && frmMainWindow->ActiveChannel() == FChannel) frmMainWindow->SetSaveEnabled(true);
}

void TmdiSubWindow::mnuDeleteProgramClick()
{
    NOX_ASSERT_UI_THREAD();
    TTreeNode* program = ProgramOf(FSelectedNode);
    if (!FProgrammer || !program) return;
    if (ProgramLocked(program)) {
        Warn(RowNoChangeNow);
        return;
    }
    if (!ChannelAskYesNo(ChannelText(RowAskDiscardProgram))) return;
    const int slot = CProgrammer::GetProgramIndex(program);
    FProgrammer->FreeProgram(slot);
    FProgrammer->RemoveProgramSlot(slot);
    FProgramTree.Delete(program);
    MarkValuesModified(false);
    FSelectedNode = FProgramTree.GetFirstNode();
    RefreshProgramTree();
    treeTProgramChange(FSelectedNode);
    if (FProgramTree.Count() == 0) {
        DisableEditorControls();
        ProgramFileName.clear();
        if (frmMainWindow && ViewMode == vmTPScout) frmMainWindow->SetSaveEnabled(false);
        if (frmPanelControl && frmMainWindow && frmMainWindow->ActiveChannel() == FChannel)
            frmPanelControl->cmdTPLoad->setEnabled(true);
    }
}

void TmdiSubWindow::mnuLoadProgramClick()
{
    NOX_ASSERT_UI_THREAD();
    if (!FProgrammer || AutomaticStartArmed || (FRun && FRun->HasRun())) return;
    const bool replace = ViewMode == vmProgrammer && FProgramTree.TopLevelCount() > 0;
    // The question says which channel's program would go, as the single ramp's does.
    if (replace && !ChannelAskYesNo(ChannelText(RowAskReplaceLoadedProgram) + "\n\n" + FSession->ChannelName() +
                                    ": \"" + FProgramTree.TopLevelItem(0)->Text + "\""))
        return;
    const int slot = FProgrammer->FindFreeSlot();
    if (slot < 0) {
        Warn(RowMaxProgramsShown);
        return;
    }
    // The file is read beside the loaded program, which goes only once the new one is in:
    // a cancelled dialog or a faulty file leaves the window as it was.
    TTreeNode* old = replace ? FProgramTree.GetFirstNode() : nullptr;
    MarkValuesModified(false);
    if (ReadProgramFile(*this, slot) != 1) {
        RefreshProgramTree();
        return;
    }
    if (old) {
        const int oldSlot = CProgrammer::GetProgramIndex(old);
        FProgrammer->FreeProgram(oldSlot);
        FProgrammer->RemoveProgramSlot(oldSlot);
        FProgramTree.Delete(old);
    }
    RefreshProgramTree();
    treeTProgramChange(FSelectedNode);
    if (frmMainWindow) frmMainWindow->SetSaveEnabled(true);
    if (frmPanelControl && frmMainWindow && frmMainWindow->ActiveChannel() == FChannel)
        frmPanelControl->cmdTPLoad->setEnabled(true);
}

void TmdiSubWindow::mnuSaveProgramClick()
{
    NOX_ASSERT_UI_THREAD();
    if (!FProgrammer || !FSelectedNode) return;
    SaveProgramOfTree();
    RefreshProgramTree();
}

TProgramFileSettings TmdiSubWindow::ProgramControls()
{
    NOX_ASSERT_UI_THREAD();
    TProgramFileSettings s;
    s.RepeatMode = cmbRepeat->currentIndex();
    s.EndAction = cmbEndofProgram->currentIndex();
    s.StartTemperature = Trim(A(edStartTemperature->text()));
    s.StirrerUsed = cmbStirrer->currentIndex();
    s.ContactUsed = cmbPoko->currentIndex();
    return s;
}

void TmdiSubWindow::SetProgramControls(const TProgramFileSettings& settings)
{
    NOX_ASSERT_UI_THREAD();
    cmbRepeat->setCurrentIndex(settings.RepeatMode != 0 ? 1 : 0);
    cmbEndofProgram->setCurrentIndex(settings.EndAction != 0 ? 1 : 0);
    edStartTemperature->setText(Q(settings.StartTemperature));
    cmbStirrer->setCurrentIndex(settings.StirrerUsed != 0 ? 1 : 0);
    cmbPoko->setCurrentIndex(settings.ContactUsed != 0 ? 1 : 0);
}

void TmdiSubWindow::SetProgramFileName(const AnsiString& name)
{
    NOX_ASSERT_UI_THREAD();
    ProgramFileName = name;
}

AnsiString TmdiSubWindow::LoadedProgramFile() const
{
    NOX_ASSERT_UI_THREAD();
    return FProgramTree.TopLevelCount() > 0 ? ProgramFileName : AnsiString();
}

bool TmdiSubWindow::LoadedProgramChanged() const
{
    NOX_ASSERT_UI_THREAD();
    const TTreeNode* program = FProgramTree.TopLevelCount() > 0 ? FProgramTree.TopLevelItem(0) : nullptr;
    return program && FProgrammer && !ProgramFileName.empty() &&
           !FProgrammer->IsProgramSaved(CProgrammer::GetProgramIndex(program));
}

void TmdiSubWindow::ProgramFileLoaded(TTreeNode* lastSegment)
{
    NOX_ASSERT_UI_THREAD();
    FSelectedNode = lastSegment && FProgramTree.Contains(lastSegment) ? lastSegment : FSelectedNode;
    EnableEditorControls();
    if (FSelectedNode && FSelectedNode->Parent()) ShowSegmentValues(FSelectedNode);
    ApplyOptionChoice(TProgramOption::Stirrer);
    ApplyOptionChoice(TProgramOption::Contact);
}

// ---------------------------------------------------------------- stirrer and contact

void TmdiSubWindow::cmbStirrerSelect()
{
    OptionSelected(TProgramOption::Stirrer);
}

void TmdiSubWindow::cmbPokoSelect()
{
    OptionSelected(TProgramOption::Contact);
}

// The stirrer and the contact work alike: a list chooses whether the program uses the option
// and a control beside it holds the selected segment's value for it.
void TmdiSubWindow::OptionSelected(TProgramOption Option)
{
    NOX_ASSERT_UI_THREAD();
    const bool stirrer = Option == TProgramOption::Stirrer;
    QComboBox* choice = stirrer ? cmbStirrer : cmbPoko;
    if (choice->currentIndex() == 1) {
        SetOptionUse(Option, true, !(FRun && FRun->HasRun()) && FSelectedNode && FSelectedNode->Parent());
        return;
    }
    if (ChannelAskYesNo(ChannelText(stirrer ? RowAskNoAnalogueValues : RowAskNoContactValues)))
        SetOptionUse(Option, false, false);
    else
        choice->setCurrentIndex(1);
}

void TmdiSubWindow::ApplyOptionChoice(TProgramOption Option)
{
    NOX_ASSERT_UI_THREAD();
    const QComboBox* choice = Option == TProgramOption::Stirrer ? cmbStirrer : cmbPoko;
    SetOptionUse(Option, choice->currentIndex() == 1,
                 FSelectedNode && FSelectedNode->Parent() && !ProgramLocked(FSelectedNode));
}

// An option the program does not use leaves every segment's value unchanged: its control shows
// that and is disabled.
void TmdiSubWindow::SetOptionUse(TProgramOption Option, bool Used, bool Editable)
{
    TTreeNode* program = ProgramOf(FSelectedNode);
    const int slot = program ? CProgrammer::GetProgramIndex(program) : -1;
    const bool stirrer = Option == TProgramOption::Stirrer;
    if (FProgrammer && slot >= 0) {
        if (Used)
            stirrer ? FProgrammer->SetStirrerUsed(slot) : FProgrammer->SetContactUsed(slot);
        else
            stirrer ? FProgrammer->ClearStirrerUse(slot) : FProgrammer->ClearContactUse(slot);
    }
    if (!Used) {
        if (stirrer)
            edStirrer->setText(Q(ChannelText(RowUnchanged)));
        else
            cmbPoko2->setCurrentIndex(2);
    }
    QWidget* value = stirrer ? static_cast<QWidget*>(edStirrer) : cmbPoko2;
    value->setEnabled(Used && Editable);
}

void TmdiSubWindow::cmbRepeatSelect()
{
    NOX_ASSERT_UI_THREAD();
    cmbEndofProgram->setEnabled(cmbRepeat->currentIndex() == 0);
}

// ---------------------------------------------------------------- profile page

void TmdiSubWindow::tabProgrammerGraphShow()
{
    NOX_ASSERT_UI_THREAD();
    if (!FProgrammer || !FRun) return;
    TTreeNode* program = ProgramOf(FSelectedNode);
    if (!program) program = FProgramTree.GetFirstNode();
    if (!program) {
        grpProgrammerLegend->setVisible(false);
        Series1->Clear();
        grpProgrammerGraph->setTitle(Q(ChannelText(RowProgramNotAvailable)));
        return;
    }
    if (grpProgrammerLegend->isHidden()) {
        grpProgrammerLegend->setVisible(true);
        // Back beside the profile, the legend takes a quarter of the width again: the
        // splitter would otherwise hand it the room the profile had while it was alone.
        if (auto* split = qobject_cast<QSplitter*>(grpProgrammerGraph->parentWidget())) {
            const int width = split->width();
            split->setSizes({width - width / 4, width / 4});
        }
    }
    const int slot = CProgrammer::GetProgramIndex(program);
    grpProgrammerGraph->setTitle(Q(ChannelText(RowProgramProfile) + ": " + FProgrammer->GetProgramName(slot)));
    // A running program keeps the profile the run draws (with its progress).
    if (FRun->HasRun() && !FRun->StartRequested) return;
    double start = 0.0;
    if (!TryStrToFloat(Trim(A(edStartTemperature->text())), start)) {
        Warn(RowInputMaskError);
        return;
    }
    FProgrammer->DrawProfile(slot, double(Round64(start * 100.0)) / 100.0);
    ShowProfileLegend();
}

void TmdiSubWindow::ShowProfileLegend()
{
    if (!FRun) return;
    Memo3->setPlainText(JoinLines(FRun->ProfileLegend()));
    SetAxisRange(graProgrammerGraph->LeftAxis(), FRun->ProfileMinimum(), FRun->ProfileMaximum());
    graProgrammerGraph->LeftAxis()->SetAutomatic(false);
    graProgrammerGraph->Invalidate();
}

void TmdiSubWindow::chkLabelClick()
{
    NOX_ASSERT_UI_THREAD();
    TChartSeries* setpoint = FSession->Series(2);
    setpoint->Marks()->SetColor(0x80FFFF);
    setpoint->Marks()->SetVisible(chkLabel->isChecked());
    graDataGraph->Invalidate();
}
