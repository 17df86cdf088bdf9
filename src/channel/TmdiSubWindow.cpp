// The channel window's form: its pages and controls, the session it shows, and its life.
#include "channel/TmdiSubWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>
#include <optional>

#include "app/TfrmPanelControl.h"
#include "app/TfrmSerialNumber.h"
#include "channel/ChannelTexts.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/series/TAreaSeries.h"
#include "comm/CTCPIP.h"
#include "comm/TZSocket.h"
#include "platform/Dialogs.h"
#include "platform/TextLines.h"
#include "platform/UiThread.h"
#include "programmer/CProgrammer.h"

using namespace resources;

namespace {

// A combo box that tells before it drops its list down (the port list is refreshed then).
class TDropDownComboBox : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> OnDropDown;

protected:
    void showPopup() override
    {
        if (OnDropDown) platform::GuardedCall(OnDropDown);
        QComboBox::showPopup();
    }
};

QComboBox* Combo(QWidget* parent, const char* name, std::initializer_list<const char*> items, int selected)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    for (const char* item : items) box->addItem(QString::fromUtf8(item));
    box->setCurrentIndex(selected);
    return box;
}

QPlainTextEdit* Memo(QWidget* parent, const char* name, bool readOnly)
{
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setReadOnly(readOnly);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    return memo;
}

QLabel* Label(QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    return label;
}

}  // namespace

TmdiSubWindow::TmdiSubWindow(QWidget* owner) : QMdiSubWindow(owner), FSession(std::make_unique<CChannelSession>(0))
{
    NOX_ASSERT_UI_THREAD();
    setObjectName("mdiSubWindow");
    // Design size of the form; the main window sizes each view.
    resize(843, 497);

    // The page control lies on a plain client area that the resize rule fills with it.
    FClient = new QWidget(this);
    FClient->setObjectName("mdiSubWindowClient");
    tabDataControl = new QTabWidget(FClient);
    tabDataControl->setObjectName("tabDataControl");
    auto page = [this](const char* name) {
        auto* w = new QWidget(tabDataControl);
        w->setObjectName(name);
        tabDataControl->addTab(w, QString::fromUtf8(name));
        return w;
    };
    tabDataConnection = page("tabDataConnection");
    tabDataGraph = page("tabDataGraph");
    tabDataOptions = page("tabDataOptions");
    tabDataInfo = page("tabDataInfo");
    tabDataStatus = page("tabDataStatus");
    tabScout = page("tabScout");
    tabProgrammerGraph = page("tabProgrammerGraph");
    tabFunctions = page("tabFunctions");
    // The layout gives the window its minimum size: the pages' controls with their whole texts.
    auto* client = new QVBoxLayout(FClient);
    client->setContentsMargins(0, 0, 0, 0);
    client->addWidget(tabDataControl);
    setWidget(FClient);

    FSocket = std::make_unique<TZSocket>();
    ZTCPSocket = FSocket.get();
    tmrDataUpdate = new QTimer(this);
    tmrDataUpdate->setObjectName("tmrDataUpdate");
    tmrDataUpdate->setInterval(5000);
    tmrProgrammer = new QTimer(this);
    tmrProgrammer->setObjectName("tmrProgrammer");
    tmrProgrammer->setInterval(5000);
    connect(tmrDataUpdate, &QTimer::timeout, this, [this] { platform::GuardedCall([this] { tmrDataUpdateTimer(); }); });
    connect(tmrProgrammer, &QTimer::timeout, this, [this] { platform::GuardedCall([this] { tmrProgrammerTimer(); }); });

    BuildConnectionPage();
    BuildGraphPage();
    BuildOptionsPage();
    BuildMemoPages();
    BuildProgrammerPages();
    SetupChart();
    ConnectSession();
    ConnectChartHandlers();
    ConnectOptionsHandlers();
    InstallMarkTextFilters();
    ConnectActivation();
    connect(tabDataControl, &QTabWidget::currentChanged, this, [this](int index) {
        platform::GuardedCall([this, index] {
            QWidget* shown = tabDataControl->widget(index);
            if (shown == tabDataConnection)
                tabDataConnectionShow();
            else if (shown == tabDataOptions)
                tabDataOptionsShow();
            else if (shown == tabDataGraph)
                tabDataGraphShow();
        });
    });
    FormCreate();
}

TmdiSubWindow::~TmdiSubWindow()
{
    tmrDataUpdate->stop();
    tmrProgrammer->stop();
    // The session's series leave the chart before the session frees them; the session's
    // channel stops its threads before the socket it drives goes with the window.
    for (int i = 0; i < ChannelSeriesCount; ++i)
        if (TChartSeries* s = FSession->Series(i)) graDataGraph->RemoveSeries(s);
    FSession->OnSocket = nullptr;
    FRun.reset();
    FSession.reset();
    FSocket.reset();
    if (FProgrammer) FProgrammer->FreeAllPrograms();
}

int TmdiSubWindow::AddLabelledRows(QGridLayout* grid, int row, std::initializer_list<std::pair<QLabel*, QWidget*>> rows)
{
    for (auto [label, control] : rows) {
        grid->addWidget(label, row, 0);
        grid->addWidget(control, row++, 1);
    }
    return row;
}

void TmdiSubWindow::BuildConnectionPage()
{
    QWidget* p = tabDataConnection;
    auto* grid = new QGridLayout;
    cmbInterface = Combo(p, "cmbInterface", {"RS232", "RS485", "TCP/IP"}, 0);
    auto* portBox = new TDropDownComboBox(p);
    portBox->OnDropDown = [this] { cmbPortDropDown(); };
    cmbPort = portBox;
    cmbPort->setObjectName("cmbPort");
    // A pseudo-terminal or any other device path may be typed in.
    cmbPort->setEditable(true);
    cmbPort->setInsertPolicy(QComboBox::NoInsert);
    cmbBaudrate = Combo(p, "cmbBaudrate", {"19200", "14400", "9600", "4800", "2400", "1200"}, 2);
    cmbDataBits = Combo(p, "cmbDataBits", {"8", "7", "6", "5"}, 0);
    cmbStopBits = Combo(p, "cmbStopBits", {"1", "1.5", "2"}, 0);
    cmbParity = Combo(p, "cmbParity", {"NO", "ODD", "EVEN", "MARK"}, 0);
    cmbActual = Combo(p, "cmbActual", {"1", "3", "5", "10", "20", "30", "60"}, 2);
    cmbTimeAxisStyle = Combo(p, "cmbTimeAxisStyle", {"relativ", "absolut"}, 0);
    cmbSlave = new QComboBox(p);
    cmbSlave->setObjectName("cmbSlave");
    edIPAddress = new QLineEdit("127.0.0.1", p);
    edIPAddress->setObjectName("edIPAddress");
    edIPAddress->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9. ]{0,15}"), edIPAddress));
    edPort = new QLineEdit(QString::fromUtf8(CTCPIP::PortPreset), p);
    edPort->setObjectName("edPort");
    // Any TCP port: a gateway may well listen above 9999.
    edPort->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]{0,5}"), edPort));
    chkLogFile = new QCheckBox(p);
    chkLogFile->setObjectName("chkLogFile");
    cmdEstablishConnection = new QPushButton(p);
    cmdEstablishConnection->setObjectName("cmdEstablishConnection");
    memConnections = Memo(p, "memConnections", true);

    txtInterface = Label(p, "txtInterface");
    txtPort = Label(p, "txtPort");
    txtBaudrate = Label(p, "txtBaudrate");
    txtDataBits = Label(p, "txtDataBits");
    txtStopBits = Label(p, "txtStopBits");
    txtParity = Label(p, "txtParity");
    txtActual = Label(p, "txtActual");
    txtTimeAxisStyle = Label(p, "txtTimeAxisStyle");
    txtSlave = Label(p, "txtSlave");
    txtIPAddress = Label(p, "txtIPAddress");
    txtTCPPort = Label(p, "txtTCPPort");

    int row = AddLabelledRows(grid, 0,
                              {{txtInterface, cmbInterface},
                               {txtPort, cmbPort},
                               {txtBaudrate, cmbBaudrate},
                               {txtDataBits, cmbDataBits},
                               {txtStopBits, cmbStopBits},
                               {txtParity, cmbParity},
                               {txtSlave, cmbSlave},
                               {txtIPAddress, edIPAddress},
                               {txtTCPPort, edPort},
                               {txtActual, cmbActual},
                               {txtTimeAxisStyle, cmbTimeAxisStyle}});
    grid->addWidget(chkLogFile, row++, 1);
    grid->addWidget(cmdEstablishConnection, row++, 1);
    grid->setRowStretch(row, 1);
    grpCommParameters = new QGroupBox(p);
    grpCommParameters->setObjectName("grpCommParameters");
    grpCommParameters->setLayout(grid);
    grpConnections = new QGroupBox(p);
    grpConnections->setObjectName("grpConnections");
    auto* right = new QVBoxLayout(grpConnections);
    right->addWidget(memConnections);
    auto* layout = new QHBoxLayout(p);
    layout->addWidget(grpCommParameters, 0);
    layout->addWidget(grpConnections, 1);

    connect(cmdEstablishConnection, &QPushButton::clicked, this,
            [this] { platform::GuardedCall([this] { cmdEstablishConnectionClick(); }); });
    connect(cmbInterface, &QComboBox::currentIndexChanged, this, [this] {
        if (!FSettingUp) platform::GuardedCall([this] { cmbInterfaceChange(); });
    });
    connect(cmbPort, &QComboBox::currentIndexChanged, this, [this] {
        if (!FSettingUp) platform::GuardedCall([this] { cmbPortChange(); });
    });
    // A port typed into the field (a pseudo-terminal, a stable name) is another line too.
    connect(cmbPort, &QComboBox::editTextChanged, this, [this] {
        if (!FSettingUp && cmbPort->isEnabled()) platform::GuardedCall([this] { cmbPortChange(); });
    });
}

void TmdiSubWindow::BuildGraphPage()
{
    graDataGraph = new TChart(tabDataGraph);
    graDataGraph->setObjectName("graDataGraph");
    auto* layout = new QVBoxLayout(tabDataGraph);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(graDataGraph);
    auto overlay = [this](const char* name, const char* text, int x, int y) {
        QLabel* l = Label(graDataGraph, name);
        l->setText(QString::fromUtf8(text));
        l->setAutoFillBackground(true);
        l->move(x, y);
        return l;
    };
    lblXCoord = overlay("lblXCoord", "X: -", 0, 0);
    lblY1Coord = overlay("lblY1Coord", "Y1: -", 0, 16);
    lblY2Coord = overlay("lblY2Coord", "Y2: -", 0, 32);
    txtSeries = overlay("txtSeries", "Aktuelle Reihe:", 100, 0);
    txtSelection = overlay("txtSelection", "nicht ausgewählt", 192, 0);
    SetChartLabelColour(clWhite);
}

void TmdiSubWindow::BuildMemoPages()
{
    memInfo = Memo(tabDataInfo, "memInfo", true);
    memMemo = Memo(tabDataInfo, "memMemo", false);
    auto* split = new QSplitter(Qt::Vertical, tabDataInfo);
    split->addWidget(memMemo);
    split->addWidget(memInfo);
    auto* info = new QVBoxLayout(tabDataInfo);
    info->addWidget(split);
    memSerialData = Memo(tabDataStatus, "memSerialData", true);
    auto* status = new QVBoxLayout(tabDataStatus);
    status->addWidget(memSerialData);
    // The memo page is the user's own notes: they go into the recording file as typed.
    connect(memMemo, &QPlainTextEdit::textChanged, this,
            [this] { FSession->SetMemo(TSessionMemo::Memo, SplitLines(memMemo->toPlainText())); });
}

void TmdiSubWindow::ConnectSession()
{
    CChannelSession& s = *FSession;
    s.OnMemoLineAdded = [this](TSessionMemo memo, const AnsiString& line) {
        if (QPlainTextEdit* w = MemoWidget(memo)) w->appendPlainText(Q(line));
    };
    s.OnMemoReset = [this](TSessionMemo memo) {
        if (memo != TSessionMemo::Memo) RefreshMemo(memo);
    };
    s.OnTitleChanged = [this] { RefreshTitle(); };
    s.OnDeviceSeriesSetUp = [this] { ApplyDeviceSeries(); };
    s.OnConnectionResult = [this](int result) { ConnectionResult(result); };
    s.OnTimeAxisStarted = [this](TDateTime start) { TimeAxisStarted(start); };
    s.OnTicked = [this] {
        ScrollTimeAxis();
        if (chkAutomaticScaleY->isChecked()) AutoRangeAxis();
        ShowNewSegments();
        if (frmPanelControl) frmPanelControl->FollowUnitSetpoint(FChannel, FSession->UnitSetpoint());
    };
    s.OnNotice = [this](const AnsiString& text, const AnsiString& caption, std::function<void()> closed) {
        ShowNotice(text, caption, std::move(closed));
    };
    s.OnFileNotice = [this](const AnsiString& text, const AnsiString& caption) {
        if (FFileNotice) FFileNotice->close();
        ShowNotice(text, caption, {}, &FFileNotice);
    };
    s.OnFileNoticeStale = [this] {
        if (FFileNotice) FFileNotice->close();
    };
    s.OnChannelLabel = [this] { return frmPanelControl ? frmPanelControl->ChannelLabel(Channel()) : DeviceText; };
    s.OnAskSerialNumber = [this]() -> int {
        if (dynamic_cast<platform::QtDialogs*>(&platform::dialogs())) return AskSerialNumber(this);
        AnsiString value = "00000";
        int number = 0;
        if (platform::dialogs().InputQuery(ChannelText(RowNotice), ChannelText(RowEnterSerialNumber), value))
            TryStrToInt(Trim(value), number);
        return number;
    };
    s.OnSocket = [this] { return ZTCPSocket; };
    s.OnTimers = [this](bool run) { SetTimers(run); };
    s.OnFirstPointTaken = [this] {
        QTimer* timer = FSession->ProgrammerMode() ? tmrProgrammer : tmrDataUpdate;
        if (timer->isActive()) timer->start();
    };
    s.OnCommandsNotSent = [this] {
        if (frmPanelControl) frmPanelControl->SetpointNotSent(FChannel, FSession->LastKnownUnitSetpoint());
    };
    s.OnEndingFromOutside = [this] {
        if (FRun) FRun->ChannelClosing();
    };
}

QPlainTextEdit* TmdiSubWindow::MemoWidget(TSessionMemo memo) const
{
    switch (memo) {
        case TSessionMemo::SerialData: return memSerialData;
        case TSessionMemo::Protocol: return memProtocol;
        case TSessionMemo::Memo: return memMemo;
        case TSessionMemo::Info: return memInfo;
        case TSessionMemo::Connections: return memConnections;
    }
    return nullptr;
}

void TmdiSubWindow::RefreshMemo(TSessionMemo memo)
{
    QPlainTextEdit* w = MemoWidget(memo);
    if (!w) return;
    w->setPlainText(JoinLines(FSession->Memo(memo)));
}

void TmdiSubWindow::ShowPage(QWidget* page, bool visible)
{
    tabDataControl->setTabVisible(tabDataControl->indexOf(page), visible);
}

void TmdiSubWindow::FormCreate()
{
    NOX_ASSERT_UI_THREAD();
    Busy = 0;
    FileView = 0;
    FSession->SetProgrammerMode(false);
    FillPortList();
    ZoomRestore = 1;
    if (cmbPort->count() > 0) cmbPort->setCurrentIndex(0);
    for (QWidget* p : {tabDataOptions, tabDataGraph, tabScout, tabProgrammerGraph, tabFunctions}) ShowPage(p, false);
    TimeWindow = 1800.0 * (1.0 / 86400.0);
    ProgramRunning = 0;
    ProgramStarting = 0;
    FillSlaveList();
    cmbInterfaceChange();
}

void TmdiSubWindow::SetChannel(int channel)
{
    NOX_ASSERT_UI_THREAD();
    FChannel = channel;
    tmrDataUpdateTag = channel;
    graDataGraphTag = channel;
    treeTProgramTag = channel;
    FSession->SetChannel(channel);
}

void TmdiSubWindow::SetCaption(const AnsiString& caption)
{
    NOX_ASSERT_UI_THREAD();
    setWindowTitle(Q(caption));
}

AnsiString TmdiSubWindow::Caption() const
{
    NOX_ASSERT_UI_THREAD();
    return windowTitle().toStdString();
}

void TmdiSubWindow::InitialiseMembers(TDateTime created)
{
    NOX_ASSERT_UI_THREAD();
    FCreated = created;
    FSession->SetValueSeriesCount(ValueSeriesTotal);
    CalendarStartTime = created;
    CalendarProgramName = "none";
}

void TmdiSubWindow::SetTimers(bool run)
{
    QTimer* timer = FSession->ProgrammerMode() ? tmrProgrammer : tmrDataUpdate;
    if (run && FSession->IsConnected())
        timer->start();
    else
        timer->stop();
}

namespace {

// The notices on the screen, of every channel window: a new one opens where it leaves them
// visible (a later warning of a channel would otherwise hide its earlier one).
std::vector<QPointer<QMessageBox>>& OpenNotices()
{
    static std::vector<QPointer<QMessageBox>> notices;
    std::erase_if(notices, [](const QPointer<QMessageBox>& n) { return !n || !n->isVisible(); });
    return notices;
}

}  // namespace

void TmdiSubWindow::ShowNotice(const AnsiString& text, const AnsiString& caption, std::function<void()> closed,
                               QPointer<QMessageBox>* shown)
{
    // Never inside the tick, and never holding up the timers: on screen the box is not
    // modal; scripted dialogs answer after the tick. The box opens over this channel's
    // window, not over whichever window is active: it is about this channel's unit.
    if (dynamic_cast<platform::QtDialogs*>(&platform::dialogs())) {
        auto* box = new QMessageBox(QMessageBox::Warning, Q(caption), Q(text), QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setModal(false);
        box->adjustSize();
        box->move(ClearOfOpenNotices(NoticePlace(box->size()), box->size()));
        OpenNotices().push_back(box);
        platform::PrepareDialog(*box);
        connect(box, &QMessageBox::finished, this, [closed] {
            if (closed) closed();
        });
        box->show();
        if (shown) *shown = box;
        return;
    }
    QPointer<TmdiSubWindow> self(this);
    QTimer::singleShot(0, this, [self, text, caption, closed = std::move(closed)] {
        if (!self) return;
        QMessageBox sized(QMessageBox::Warning, Q(caption), Q(text), QMessageBox::Ok);
        sized.adjustSize();
        const QPoint at = self->NoticePlace(sized.size());
        platform::dialogs().MessageBoxAt(text, caption, MB_OK | MB_ICONWARNING, at.x(), at.y());
        if (self && closed) closed();
    });
}

QPoint TmdiSubWindow::ClearOfOpenNotices(QPoint at, const QSize& box) const
{
    std::vector<QRect> taken;
    QSize frame(0, 0);  // what the window frame adds around a box
    for (const QPointer<QMessageBox>& n : OpenNotices()) {
        taken.push_back(n->frameGeometry());
        frame = frame.expandedTo(n->frameGeometry().size() - n->size());
    }
    if (taken.empty()) return at;
    const QSize outer = box + frame;
    const QRect area = screen() ? screen()->availableGeometry() : QRect(at, outer).united(taken.front());
    constexpr int Gap = 4;
    // The places next to the wanted one and against each open box, on every side; the
    // nearest one on the screen that covers no open box wins.
    std::vector<int> xs, ys;
    for (int k = -3; k <= 3; ++k) {
        xs.push_back(at.x() + k * (outer.width() + Gap));
        ys.push_back(at.y() + k * (outer.height() + Gap));
    }
    for (const QRect& t : taken) {
        xs.insert(xs.end(), {t.right() + 1 + Gap, t.left() - Gap - outer.width(), t.left()});
        ys.insert(ys.end(), {t.bottom() + 1 + Gap, t.top() - Gap - outer.height(), t.top()});
    }
    std::optional<QPoint> best;
    const auto distance = [&at](const QPoint& p) { return std::abs(p.x() - at.x()) + std::abs(p.y() - at.y()); };
    for (int x : xs)
        for (int y : ys) {
            const QRect r(QPoint(x, y), outer);
            if (!area.contains(r) || (best && distance(r.topLeft()) >= distance(*best))) continue;
            if (std::none_of(taken.begin(), taken.end(), [&r](const QRect& t) { return t.intersects(r); }))
                best = r.topLeft();
        }
    if (best) return *best;
    // No free place on the screen: step down and right from the wanted place, so that the
    // title of every earlier box stays in sight.
    const int offset = int(taken.size()) * 24;
    return QPoint(std::clamp(at.x() + offset, area.left(), std::max(area.left(), area.right() + 1 - outer.width())),
                  std::clamp(at.y() + offset, area.top(), std::max(area.top(), area.bottom() + 1 - outer.height())));
}

QPoint TmdiSubWindow::NoticePlace(const QSize& box) const
{
    // Centred over the window as it is on the screen (a minimised one by its icon), kept
    // on the screen.
    const QPoint centre = mapToGlobal(rect().center());
    QPoint at(centre.x() - box.width() / 2, centre.y() - box.height() / 2);
    if (const QScreen* display = screen()) {
        const QRect area = display->availableGeometry();
        at.setX(std::clamp(at.x(), area.x(), std::max(area.x(), area.x() + area.width() - box.width())));
        at.setY(std::clamp(at.y(), area.y(), std::max(area.y(), area.y() + area.height() - box.height())));
    }
    return at;
}

bool TmdiSubWindow::LogFileChecked() const
{
    NOX_ASSERT_UI_THREAD();
    return chkLogFile->isChecked();
}
