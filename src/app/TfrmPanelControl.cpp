// The control panel's form and its device commands: confirmation, frame building and the
// hand-over of the frames to the channel object's poll thread.
#include "app/TfrmPanelControl.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyle>
#include <algorithm>
#include <cmath>

#include "app/CLanguage.h"
#include "app/IChannelForm.h"
#include "app/IPanelChannelWindow.h"
#include "app/TfrmMainWindow.h"
#include "comm/CChannel.h"
#include "comm/CTolvarProtocol.h"
#include "platform/Dialogs.h"
#include "platform/FormatSettings.h"
#include "platform/TextLines.h"
#include "platform/UiThread.h"
#include "platform/WindowPlacement.h"
#include "resources/TextRows.h"

using namespace resources;

TfrmPanelControl* frmPanelControl = nullptr;

namespace {

// Frame lengths are small; the poll thread takes them as int.
int Length(const AnsiString& s)
{
    return static_cast<int>(s.size());
}

// The second status command that goes with every command frame.
constexpr const char* FollowUpCommand = "C14*************";

}  // namespace

// ---------------------------------------------------------------- channel panel

TChannelPanel::TChannelPanel(QWidget* parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setAutoFillBackground(true);
    SetColor(clSilver);
}

void TChannelPanel::SetColor(TColor color)
{
    FColor = color;
    QPalette p = palette();
    p.setColor(QPalette::Window, TColorToQColor(color));
    setPalette(p);
}

AnsiString TChannelPanel::Caption() const
{
    return text().toStdString();
}

void TChannelPanel::SetCaption(const AnsiString& caption)
{
    setText(Q(caption));
}

void TChannelPanel::mousePressEvent(QMouseEvent* event)
{
    QLabel::mousePressEvent(event);
    // Any button selects the channel.
    if (OnMouseDown) platform::GuardedCall(OnMouseDown);
}

// ---------------------------------------------------------------- form

TfrmPanelControl::TfrmPanelControl(TfrmMainWindow* owner)
    : QDialog(owner ? owner : frmMainWindow), FMainWindow(owner ? owner : frmMainWindow)
{
    NOX_ASSERT_UI_THREAD();
    frmPanelControl = this;
    setObjectName("frmPanelControl");
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromUtf8("Steuerelemente"));
    setFixedWidth(PanelWidth);
    setMinimumHeight(280);
    setMaximumHeight(540);
    resize(PanelWidth, 540);

    grpChannels = new QGroupBox(QString::fromUtf8("Gerät"), this);
    grpChannels->setObjectName("grpChannels");
    grpChannels->setGeometry(8, 2, 161, 278);
    TChannelPanel** panels[] = {&pnlChannel1, &pnlChannel2, &pnlChannel3, &pnlChannel4, &pnlChannel5,
                                &pnlChannel6, &pnlChannel7, &pnlChannel8, &pnlChannel9, &pnlChannel10};
    for (int i = 0; i < MaxChannelWindows; ++i) {
        auto* panel = new TChannelPanel(grpChannels);
        panel->setObjectName(QString("pnlChannel%1").arg(i + 1));
        panel->setGeometry(8, 18 + i * 25, 145, 25);
        panel->SetCaption("Kanal " + IntToStr(i + 1));
        const int channel = i + 1;
        panel->OnMouseDown = [this, channel] { pnlChannelMouseDown(channel); };
        *panels[i] = panel;
    }

    grpFunctions = new QGroupBox(QString::fromUtf8("Funktionen"), this);
    grpFunctions->setObjectName("grpFunctions");
    grpFunctions->setGeometry(8, 284, 161, 250);

    auto button = [this](const char* name, QStyle::StandardPixmap glyph, const char* hint, int left, int top,
                         void (TfrmPanelControl::*handler)(QObject*)) {
        auto* b = new TSpeedButton(grpFunctions);
        b->setObjectName(name);
        b->setIcon(style()->standardIcon(glyph));
        b->setToolTip(QString::fromUtf8(hint));
        b->setGeometry(left, top, 33, 26);
        b->setAutoRaise(true);
        connect(b, &QToolButton::clicked, this, platform::GuardedSlot(this, handler, b));
        return b;
    };
    cmdKelvorStart = button("cmdKelvorStart", QStyle::SP_MediaPlay, "Temperierung einschalten", 8, 18,
                            &TfrmPanelControl::cmdKelvorStartClick);
    cmdDataToKelvor = button("cmdDataToKelvor", QStyle::SP_DialogApplyButton, "Sollwert setzen", 44, 18,
                             &TfrmPanelControl::cmdDataToKelvorClick);
    cmdKelvorStartCirculation = button("cmdKelvorStartCirculation", QStyle::SP_BrowserReload, "Umwälzung einschalten",
                                       80, 18, &TfrmPanelControl::cmdKelvorStartCirculationClick);

    txtTempMethod = new QLabel(QString::fromUtf8("Temperierung"), grpFunctions);
    txtTempMethod->setObjectName("txtTempMethod");
    txtTempMethod->setGeometry(8, 50, 145, 14);
    cmbTempMethod = new QComboBox(grpFunctions);
    cmbTempMethod->setObjectName("cmbTempMethod");
    cmbTempMethod->addItems({"Intern", "Extern"});
    cmbTempMethod->setCurrentIndex(0);
    cmbTempMethod->setGeometry(8, 64, 145, 21);

    txtSetPointEnter = new QLabel(QString::fromUtf8("Sollwert [°C]"), grpFunctions);
    txtSetPointEnter->setObjectName("txtSetPointEnter");
    txtSetPointEnter->setGeometry(8, 90, 145, 14);
    edSetPoint = new QLineEdit(FShownSetpoint, grpFunctions);
    edSetPoint->setObjectName("edSetPoint");
    edSetPoint->setGeometry(8, 104, 145, 21);

    txtChanneltLabel = new QLabel(QString::fromUtf8("Kanalbezeichnung"), grpFunctions);
    txtChanneltLabel->setObjectName("txtChanneltLabel");
    txtChanneltLabel->setGeometry(8, 130, 145, 14);
    edChannelLabel = new QLineEdit(grpFunctions);
    edChannelLabel->setObjectName("edChannelLabel");
    edChannelLabel->setMaxLength(30);
    edChannelLabel->setGeometry(8, 144, 145, 21);

    cmdKelvorStop = button("cmdKelvorStop", QStyle::SP_MediaStop, "Temperierung/Umwälzung ausschalten", 116, 18,
                           &TfrmPanelControl::cmdKelvorStopClick);
    cmdTPStartStop = button("cmdTPStartStop", StartProgramGlyph, "Temperierprogramm starten", 8, 176,
                            &TfrmPanelControl::cmdTPStartStopClick);
    cmdTPStartStop->Tag = 1;
    FStartStopPressed.Watch(cmdTPStartStop, [this] { return cmdTPStartStop->Tag; });
    cmdNextSegment = button("cmdNextSegment", QStyle::SP_MediaSkipForward, "Segment abbrechen", 44, 176,
                            &TfrmPanelControl::cmdNextSegmentClick);
    cmdHoldSegment = button("cmdHoldSegment", QStyle::SP_MediaPause, "Segment halten / fortsetzen", 80, 176,
                            &TfrmPanelControl::cmdHoldSegmentClick);
    cmdTPLoad = button("cmdTPLoad", QStyle::SP_DialogOpenButton, "Temperierprogramm laden", 116, 176,
                       &TfrmPanelControl::cmdTPLoadClick);

    for (QWidget* w : std::initializer_list<QWidget*>{cmdKelvorStart, cmdDataToKelvor, cmdKelvorStartCirculation,
                                                      cmbTempMethod, edSetPoint, edChannelLabel, cmdKelvorStop,
                                                      cmdTPStartStop, cmdNextSegment, cmdHoldSegment, cmdTPLoad})
        w->setEnabled(false);
    // Enter in the edits and the method list is handled by the key handlers.
    for (QObject* o : std::initializer_list<QObject*>{edSetPoint, cmbTempMethod, edChannelLabel})
        o->installEventFilter(this);

    Language = CLanguage::Instance();
    if (FMainWindow) FMainWindow->SetPanelControl(this);
    FormCreate();
    // The panel speaks the main window's language from the start.
    SetLanguage(LanguageIndex());
}

TfrmPanelControl::~TfrmPanelControl()
{
    NOX_ASSERT_UI_THREAD();
    if (FMainWindow && frmMainWindow == FMainWindow && FMainWindow->PanelControl() == this)
        FMainWindow->SetPanelControl(nullptr);
    if (frmPanelControl == this) frmPanelControl = nullptr;
}

void TfrmPanelControl::FormCreate()
{
    NOX_ASSERT_UI_THREAD();
    Language = CLanguage::Instance();
    // Font height -11 (8 points at 96 pixels per inch), no scaling.
    QFont f("MS Sans Serif");
    f.setPixelSize(11);
    setFont(f);
}

int TfrmPanelControl::TitleWidth() const
{
    // The title bar belongs to the window manager: measure with the title font Qt knows,
    // bold as most title bars are, and leave room for the bar's icon and close button.
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(windowTitle()) + 2 * (metrics.height() + 12) + 16;
}

void TfrmPanelControl::FitTitle()
{
    // 177 pixels unless the title needs more; the two groups stay centred.
    const int width = std::max(PanelWidth, TitleWidth());
    const int grown = width - this->width();
    setFixedWidth(width);
    const int left = 8 + (width - PanelWidth) / 2;
    grpChannels->move(left, grpChannels->y());
    grpFunctions->move(left, grpFunctions->y());
    // The panel is anchored at its right edge: a wider title grows it to the left.
    if (isVisible() && grown != 0) Move(pos().x() - grown, pos().y());
}

void TfrmPanelControl::Move(int left, int top)
{
    move(left, top);
    platform::KeepOnScreen(this);
}

void TfrmPanelControl::Placed()
{
    if (FMainWindow) FMainWindow->ControlPanelPlaced(frameGeometry(), isVisible());
}

void TfrmPanelControl::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    platform::KeepOnScreen(this);
    Placed();
}

void TfrmPanelControl::hideEvent(QHideEvent* event)
{
    QDialog::hideEvent(event);
    Placed();
}

void TfrmPanelControl::moveEvent(QMoveEvent* event)
{
    QDialog::moveEvent(event);
    Placed();
}

void TfrmPanelControl::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    Placed();
}

void TfrmPanelControl::FormClose()
{
    NOX_ASSERT_UI_THREAD();
    // Closing only hides the panel; the main window's menu entry shows it again.
    hide();
    if (FMainWindow && FMainWindow->mnuControlPanel) FMainWindow->mnuControlPanel->setChecked(false);
}

void TfrmPanelControl::closeEvent(QCloseEvent* event)
{
    platform::GuardedCall([this] { FormClose(); });
    event->ignore();
}

bool TfrmPanelControl::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
    const int qtKey = static_cast<QKeyEvent*>(event)->key();
    const bool enter = qtKey == Qt::Key_Return || qtKey == Qt::Key_Enter;
    const int key = enter ? VK_RETURN : qtKey;
    if (watched == edSetPoint)
        platform::GuardedCall([&] { edSetPointKeyDown(watched, key); });
    else if (watched == cmbTempMethod)
        platform::GuardedCall([&] { cmbTempMethodKeyDown(watched, key); });
    else if (watched == edChannelLabel)
        platform::GuardedCall([&] { edChannelLabelKeyDown(watched, key); });
    else
        return QDialog::eventFilter(watched, event);
    // Enter is taken here; other keys keep their ordinary effect (typing, list moves).
    return enter;
}

void TfrmPanelControl::BringToFront()
{
    NOX_ASSERT_UI_THREAD();
    show();
    raise();
}

TChannelPanel* TfrmPanelControl::ChannelPanel(int channel) const
{
    NOX_ASSERT_UI_THREAD();
    TChannelPanel* const panels[] = {pnlChannel1, pnlChannel2, pnlChannel3, pnlChannel4, pnlChannel5,
                                     pnlChannel6, pnlChannel7, pnlChannel8, pnlChannel9, pnlChannel10};
    return channel >= 1 && channel <= MaxChannelWindows ? panels[channel - 1] : nullptr;
}

void TfrmPanelControl::SetChannelPanel(int channel, const AnsiString& caption, int tag)
{
    NOX_ASSERT_UI_THREAD();
    if (TChannelPanel* panel = ChannelPanel(channel)) {
        panel->SetCaption(caption);
        panel->Tag = tag;
    }
}

// ---------------------------------------------------------------- helpers

int TfrmPanelControl::LanguageIndex() const
{
    return FMainWindow ? FMainWindow->LanguageIndex() : 0;
}

AnsiString TfrmPanelControl::Text(int row) const
{
    AnsiString out;
    return CLanguage::Instance()->LookupText(LanguageIndex(), row, out);
}

void TfrmPanelControl::ShowError(const char* german, const char* english)
{
    platform::DialogOwnerScope owner(this);
    platform::dialogs().MessageBox(LanguageIndex() == 1 ? english : german, LanguageIndex() == 1 ? "Error" : "Fehler",
                                   MB_OK);
}

bool TfrmPanelControl::LookUp(int channel)
{
    ChannelOpenFlag = FMainWindow && FMainWindow->IsChannelOpen(channel) ? 1 : 0;
    return ChannelOpenFlag == 1;
}

int TfrmPanelControl::CurrentChannel() const
{
    return FMainWindow ? FMainWindow->ActiveChannel() : 0;
}

IChannelForm* TfrmPanelControl::FormOf(int channel) const
{
    return FMainWindow ? FMainWindow->ChannelForm(channel) : nullptr;
}

// ---------------------------------------------------------------- frames and senders

AnsiString TfrmPanelControl::BuildDeviceFrame(const AnsiString& text, int channel)
{
    NOX_ASSERT_UI_THREAD();
    // Without a channel object the address is that of a point-to-point line.
    int address = 1;
    if (channel >= 1 && channel <= MaxChannels && ChannelObjects[channel])
        address = ChannelObjects[channel]->GetAddress();
    return CTolvarProtocol::BuildDeviceFrame(text, address);
}

bool TfrmPanelControl::HandOver(const AnsiString& frame, int /*frameLength*/, int replyLength, int channel,
                                int /*followUpLength*/, const AnsiString& followUpFrame, bool oneShot)
{
    const bool open = LookUp(channel);
    IChannelForm* form = open ? FormOf(channel) : nullptr;
    if (!form || !form->IsConnected()) {
        ShowError("Keine Datenverbindung vorhanden!", "No data connection available!");
        return false;
    }
    // The window queues the command behind those still going out, so commands given in
    // quick succession all reach the unit in order. What it cannot take the user hears of.
    IPanelChannelWindow* window = PanelWindowOf(channel);
    CChannel* object = ChannelObjects[channel];
    // The frames go whole: the lengths the callers give are those of the texts.
    const auto result = window && object ? window->QueueDeviceCommand(frame, replyLength, followUpFrame, oneShot)
                                         : DeviceCommandQueue::TResult::NoPollThread;
    switch (result) {
        case DeviceCommandQueue::TResult::Taken: break;
        case DeviceCommandQueue::TResult::NoPollThread:
            ShowError("Befehl konnte nicht übertragen werden!", "Transmission error!");
            break;
        // The link was lost while the user answered the question.
        case DeviceCommandQueue::TResult::LinkLost: ShowNoActiveConnection(); break;
        case DeviceCommandQueue::TResult::Full:
            platform::dialogs().MessageBox(Text(RowNotSentTooManyWaiting) + " " +
                                               DeviceCommandQueue::CommandName(frame, object->IsUnsignedDevice()),
                                           Text(RowWarningCaption), MB_OK);
            break;
    }
    return result == DeviceCommandQueue::TResult::Taken;
}

void TfrmPanelControl::SendDeviceCommand(const AnsiString& frame, int frameLength, int replyLength, int channel,
                                         int followUpLength, const AnsiString& followUpFrame)
{
    NOX_ASSERT_UI_THREAD();
    HandOver(frame, frameLength, replyLength, channel, followUpLength, followUpFrame, false);
}

void TfrmPanelControl::SendDeviceCommandPair(const AnsiString& frame, int frameLength, int replyLength, int channel,
                                             int followUpLength, const AnsiString& followUpFrame)
{
    NOX_ASSERT_UI_THREAD();
    HandOver(frame, frameLength, replyLength, channel, followUpLength, followUpFrame, true);
}

void TfrmPanelControl::RequestSetpointLimits(int channel)
{
    NOX_ASSERT_UI_THREAD();
    if (!LookUp(channel)) return;
    IChannelForm* form = FormOf(channel);
    if (!form || !form->IsConnected() || form->FileView != 0 || LinkLost(channel)) return;
    const int address = ChannelObjects[channel] ? ChannelObjects[channel]->GetAddress() : 1;
    const AnsiString frame = BuildDeviceFrame("[M" + IntToStr(address) + "L0F********", channel);
    const AnsiString followUp = BuildDeviceFrame("[M" + IntToStr(address) + FollowUpCommand, channel);
    SendDeviceCommandPair(frame, Length(frame), 26, channel, Length(followUp), followUp);
}

// ---------------------------------------------------------------- device commands

bool TfrmPanelControl::CommandTarget(QObject* sender, unsigned accepted, int& channel)
{
    unsigned senderClass = 0;
    if (dynamic_cast<TSpeedButton*>(sender))
        senderClass = scSpeedButton;
    else if (qobject_cast<QComboBox*>(sender))
        senderClass = scComboBox;
    else if (qobject_cast<QLineEdit*>(sender))
        senderClass = scEdit;
    else if (qobject_cast<QAction*>(sender))
        senderClass = scMenuItem;

    channel = CurrentChannel();
    const bool open = LookUp(channel);
    IChannelForm* form = open ? FormOf(channel) : nullptr;
    // While the link is lost, or the unit is not identified again after it came back, a
    // command would wait and reach the unit at some moment nobody chose.
    if (!form || !form->IsConnected() || form->FileView != 0 || (senderClass & accepted) == 0 || LinkLost(channel)) {
        ShowNoActiveConnection();
        return false;
    }
    return true;
}

bool TfrmPanelControl::LinkLost(int channel) const
{
    return channel >= 1 && channel <= MaxChannels && ChannelObjects[channel] && ChannelObjects[channel]->LinkLost();
}

void TfrmPanelControl::ShowNoActiveConnection()
{
    platform::dialogs().MessageBox(Text(RowNoActiveConnection), Text(RowWarningCaption), MB_OK);
}

bool TfrmPanelControl::SendCommandText(int channel, const AnsiString& command)
{
    NOX_ASSERT_UI_THREAD();
    const int address = ChannelObjects[channel] ? ChannelObjects[channel]->GetAddress() : 1;
    const AnsiString frame = BuildDeviceFrame("[M" + IntToStr(address) + command, channel);
    const AnsiString followUp = BuildDeviceFrame("[M" + IntToStr(address) + FollowUpCommand, channel);
    return HandOver(frame, Length(frame), 24, channel, Length(followUp), followUp, true);
}

void TfrmPanelControl::ConfirmedCommand(QObject* sender, unsigned accepted, int question,
                                        const std::function<void(int)>& send,
                                        const std::function<AnsiString(int)>& details,
                                        const std::function<bool(int)>& check)
{
    platform::DialogOwnerScope owner(this);
    int channel = 0;
    if (!CommandTarget(sender, accepted, channel)) return;
    if (check && !check(channel)) return;
    if (!FMainWindow->AskYesNo(Text(question) + (details ? details(channel) : AnsiString()))) return;
    send(channel);
}

AnsiString TfrmPanelControl::ChannelLabel(int channel) const
{
    // A label typed by the user or the identified device (Tag 2), else the window's device.
    if (const TChannelPanel* panel = ChannelPanel(channel); panel && panel->Tag == 2) return panel->Caption();
    const IChannelForm* form = FormOf(channel);
    return form ? form->DeviceText : AnsiString();
}

AnsiString TfrmPanelControl::SetpointTarget(int channel) const
{
    const bool english = LanguageIndex() == 1;
    const AnsiString label = ChannelLabel(channel);
    return AnsiString(english ? "\n\nSetpoint " : "\n\nSollwert ") + Trim(edSetPoint->text().toStdString()) + " °C\n" +
           (english ? "to channel " : "an Kanal ") + IntToStr(channel) +
           (label.empty() ? AnsiString() : " (" + label + ")");
}

AnsiString TfrmPanelControl::ChannelTarget(int channel) const
{
    const AnsiString label = ChannelLabel(channel);
    return "\n\n" + Text(RowChannel) + IntToStr(channel) + (label.empty() ? AnsiString() : " (" + label + ")");
}

void TfrmPanelControl::ShowChannelLabel(int channel)
{
    NOX_ASSERT_UI_THREAD();
    edChannelLabel->setText(QString::fromStdString(ChannelLabel(channel)));
    // A label is the user's name for a channel, whatever its window shows or does.
    edChannelLabel->setEnabled(channel >= 1 && channel <= MaxChannelWindows);
}

void TfrmPanelControl::ShowUnitSetpoint(const std::optional<double>& setpoint)
{
    NOX_ASSERT_UI_THREAD();
    FShownSetpoint = setpoint ? QString::fromStdString(FormatFloat("0.00", *setpoint)) : QString();
    if (edSetPoint->text() != FShownSetpoint) edSetPoint->setText(FShownSetpoint);
}

void TfrmPanelControl::FollowUnitSetpoint(int channel, const std::optional<double>& setpoint)
{
    NOX_ASSERT_UI_THREAD();
    if (!setpoint || channel != CurrentChannel()) return;
    const QString text = edSetPoint->text();
    if (text != FShownSetpoint) {
        // The user's own value: it stays until the unit has it (then it reads as the unit
        // tells it), and while the user is still at it.
        double typed = 0.0;
        if (edSetPoint->hasFocus() || !TryStrToFloat(Trim(text.toStdString()), typed) ||
            std::llround(typed * 100.0) != std::llround(*setpoint * 100.0))
            return;
    }
    ShowUnitSetpoint(setpoint);
}

void TfrmPanelControl::SetpointNotSent(int channel, const std::optional<double>& setpoint)
{
    NOX_ASSERT_UI_THREAD();
    if (channel != CurrentChannel()) return;
    if (edSetPoint->hasFocus() && edSetPoint->text() != FShownSetpoint) return;
    ShowUnitSetpoint(setpoint);
}

void TfrmPanelControl::cmdKelvorStartCirculationClick(QObject* Sender)
{
    NOX_ASSERT_UI_THREAD();
    // Each question names the channel and its label: with several channels open, the user
    // sees which unit the command goes to.
    ConfirmedCommand(
        Sender, scSpeedButton | scComboBox | scMenuItem, RowAskActivateCirculation,
        [this](int channel) { SendCommandText(channel, "G0DC*****"); },
        [this](int channel) { return ChannelTarget(channel); });
}

void TfrmPanelControl::cmdKelvorStartClick(QObject* Sender)
{
    NOX_ASSERT_UI_THREAD();
    ConfirmedCommand(
        Sender, scSpeedButton | scComboBox | scMenuItem, RowAskActivateTemperatureControl,
        [this](int channel) {
            SendCommandText(channel, cmbTempMethod->currentIndex() == 1 ? "G0DE*****" : "G0DI*****");
        },
        // The question names the mode that goes to the unit, not only the channel.
        [this](int channel) {
            return ChannelTarget(channel) + "\n" + Text(RowTemperatureControlMode) + ": " +
                   Text(cmbTempMethod->currentIndex() == 1 ? RowModeProcess : RowModeInternal);
        });
}

void TfrmPanelControl::cmdKelvorStopClick(QObject* Sender)
{
    NOX_ASSERT_UI_THREAD();
    ConfirmedCommand(
        Sender, scSpeedButton | scMenuItem, RowAskDeactivateControlOrCirculation,
        [this](int channel) { SendCommandText(channel, "G0DO*****"); },
        [this](int channel) { return ChannelTarget(channel); });
}

void TfrmPanelControl::cmdDataToKelvorClick(QObject* Sender)
{
    NOX_ASSERT_UI_THREAD();
    // The question names the value and the unit it goes to: a user who switched windows
    // sees which channel would get the edit's value. A value that cannot go is refused
    // before the question, so the user never confirms what is then not sent.
    AnsiString digits;
    ConfirmedCommand(
        Sender, scSpeedButton | scEdit | scMenuItem, RowAskSetSetpoint,
        [this, &digits](int channel) {
            // Given to the unit, the value is no longer the user's own: the field follows
            // what becomes of it (the unit's answer, or its own setpoint when it does not go).
            if (SendCommandText(channel, "G0D**" + digits)) FShownSetpoint = edSetPoint->text();
        },
        [this](int channel) { return SetpointTarget(channel); },
        [this, &digits](int channel) { return SetpointDigits(channel, digits); });
}

bool TfrmPanelControl::SetpointDigits(int channel, AnsiString& digits)
{
    double setpoint = 0.0;
    if (!TryStrToFloat(edSetPoint->text().toStdString(), setpoint)) {
        ShowError("Fehlerhafte Sollwertvorgabe!", "Faulty Setpoint!");
        return false;
    }
    // A value the unit cannot represent is never sent (its low 16 bits would set another
    // temperature), nor one beyond the unit's identified limits.
    const CChannel* object = ChannelObjects[channel];
    IChannelForm* form = FormOf(channel);
    if (!CTolvarProtocol::EncodeSetpoint(setpoint, object && object->IsUnsignedDevice(), digits) ||
        (form && (setpoint > form->UnitUpperSetpointLimit() || setpoint < form->UnitLowerSetpointLimit()))) {
        platform::dialogs().MessageBox(Text(RowSetpointOutOfLimits), LanguageIndex() == 1 ? "Error" : "Fehler", MB_OK);
        return false;
    }
    return true;
}

void TfrmPanelControl::edSetPointKeyDown(QObject* Sender, int Key)
{
    NOX_ASSERT_UI_THREAD();
    if (Key == VK_RETURN) cmdDataToKelvorClick(Sender);
}

void TfrmPanelControl::cmbTempMethodKeyDown(QObject* Sender, int Key)
{
    NOX_ASSERT_UI_THREAD();
    if (Key == VK_RETURN) cmdKelvorStartClick(Sender);
}

// The main window's device menu gives its menu items as senders.
void TfrmPanelControl::cmdKelvorStartCirculationClick(bool fromMenu)
{
    NOX_ASSERT_UI_THREAD();
    cmdKelvorStartCirculationClick(fromMenu && FMainWindow ? static_cast<QObject*>(FMainWindow->mnuCirculationON)
                                                           : cmdKelvorStartCirculation);
}

void TfrmPanelControl::cmdKelvorStartClick(bool fromMenu)
{
    NOX_ASSERT_UI_THREAD();
    cmdKelvorStartClick(fromMenu && FMainWindow ? static_cast<QObject*>(FMainWindow->mnuDeviceON) : cmdKelvorStart);
}

void TfrmPanelControl::cmdKelvorStopClick(bool fromMenu)
{
    NOX_ASSERT_UI_THREAD();
    cmdKelvorStopClick(fromMenu && FMainWindow ? static_cast<QObject*>(FMainWindow->mnuDeviceOFF) : cmdKelvorStop);
}

void TfrmPanelControl::cmdDataToKelvorClick(bool fromMenu)
{
    NOX_ASSERT_UI_THREAD();
    cmdDataToKelvorClick(fromMenu && FMainWindow ? static_cast<QObject*>(FMainWindow->mnuSetSetpoint)
                                                 : cmdDataToKelvor);
}
