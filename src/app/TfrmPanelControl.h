#pragma once
// The control panel: a narrow tool window on top of the main window from which the user
// sends commands to the unit of the active channel window (circulation on, temperature
// control on with internal or process control, off, a new setpoint), brings channel
// windows to the front, labels channels and drives the temperature program of the active
// channel window. It also builds and hands over the device frames of the channel window's
// connection and program run.
#include <QDialog>
#include <QLabel>
#include <QStyle>
#include <QToolButton>
#include <cstdint>
#include <functional>
#include <optional>

#include "app/IControlPanel.h"
#include "platform/AnsiString.h"
#include "platform/GraphicsTypes.h"
#include "platform/PressedState.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class CLanguage;
class IChannelForm;
class IPanelChannelWindow;
class ICalendarStartEntries;
class TfrmMainWindow;

// Key code of the Enter key in the key handlers.
constexpr int VK_RETURN = 13;

// A flat button with a Tag and a hint (its tool tip).
class TSpeedButton : public QToolButton {
public:
    using QToolButton::QToolButton;
    int Tag = 0;
};

// One of the ten channel panels: a caption on a coloured field that reports mouse presses.
class TChannelPanel : public QLabel {
public:
    explicit TChannelPanel(QWidget* parent);
    int Tag = 0;  // 0 channel name, 1 mode of the open channel, 2 the user's label
    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    AnsiString Caption() const;
    void SetCaption(const AnsiString& caption);
    std::function<void()> OnMouseDown;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    TColor FColor = clSilver;
};

class TfrmPanelControl : public QDialog, public IControlPanel {
    Q_OBJECT
public:
    // Registers itself with the main window (owner; frmMainWindow when null) and as
    // frmPanelControl.
    explicit TfrmPanelControl(TfrmMainWindow* owner = nullptr);
    // The pictures of the program start/stop button: a start, and a stop.
    static constexpr QStyle::StandardPixmap StartProgramGlyph = QStyle::SP_MediaSeekForward;
    static constexpr QStyle::StandardPixmap StopProgramGlyph = QStyle::SP_BrowserStop;
    ~TfrmPanelControl() override;

    // ---- components, in declaration order
    QGroupBox* grpChannels = nullptr;
    TChannelPanel *pnlChannel1 = nullptr, *pnlChannel2 = nullptr, *pnlChannel3 = nullptr, *pnlChannel4 = nullptr,
                  *pnlChannel5 = nullptr, *pnlChannel6 = nullptr, *pnlChannel7 = nullptr, *pnlChannel8 = nullptr,
                  *pnlChannel9 = nullptr, *pnlChannel10 = nullptr;
    QGroupBox* grpFunctions = nullptr;
    TSpeedButton *cmdKelvorStart = nullptr, *cmdDataToKelvor = nullptr, *cmdKelvorStartCirculation = nullptr;
    QComboBox* cmbTempMethod = nullptr;
    QLabel *txtTempMethod = nullptr, *txtSetPointEnter = nullptr;
    QLineEdit* edSetPoint = nullptr;
    QLabel* txtChanneltLabel = nullptr;
    QLineEdit* edChannelLabel = nullptr;
    TSpeedButton *cmdKelvorStop = nullptr, *cmdTPStartStop = nullptr, *cmdNextSegment = nullptr,
                 *cmdHoldSegment = nullptr, *cmdTPLoad = nullptr;

    CLanguage* Language = nullptr;
    // Open flag of the channel that the last operation looked up (1: its window is open).
    std::uint8_t ChannelOpenFlag = 0;

    // Channel panel 1..10, or nullptr.
    TChannelPanel* ChannelPanel(int channel) const;

    // ---- device commands; Sender is the control or menu item that gave the command
    void cmdKelvorStartCirculationClick(QObject* Sender);
    void cmdKelvorStartClick(QObject* Sender);
    void cmdKelvorStopClick(QObject* Sender);
    void cmdDataToKelvorClick(QObject* Sender);
    // Enter (VK_RETURN) sends like the button; other keys do nothing.
    void edSetPointKeyDown(QObject* Sender, int Key);
    void cmbTempMethodKeyDown(QObject* Sender, int Key);

    // ---- services of the channel window and the programmer
    // "[M" + address + command -> frame with a two-digit address, checksum and CR.
    AnsiString BuildDeviceFrame(const AnsiString& text, int channel);
    // The two frames become the channel's poll commands until they are replaced.
    void SendDeviceCommand(const AnsiString& frame, int frameLength, int replyLength, int channel, int followUpLength,
                           const AnsiString& followUpFrame);
    // The same for the next two poll cycles only; the status poll follows again.
    void SendDeviceCommandPair(const AnsiString& frame, int frameLength, int replyLength, int channel,
                               int followUpLength, const AnsiString& followUpFrame);
    // Asks the unit of a connected channel for its setpoint limits.
    void RequestSetpointLimits(int channel);

    // ---- channel panels, channel label, program buttons
    void SelectChannel(int channel);
    void pnlChannelMouseDown(int channel) { SelectChannel(channel); }
    void edChannelLabelKeyDown(QObject* Sender, int Key);
    // The label field shows the label of the channel whose window became the active one,
    // and takes a new one while a channel window is active.
    void ShowChannelLabel(int channel);
    // The setpoint field shows the active unit's setpoint as its replies tell it, empty while
    // it is not known: never a value of another channel, nor one the unit no longer has.
    // ShowUnitSetpoint puts it there whatever the field holds (another channel became the
    // active one, a program run takes the setpoint over or gives it back).
    void ShowUnitSetpoint(const std::optional<double>& setpoint);
    // At each tick of a channel: the active channel's field follows its unit, except that a
    // value the user put there stays until the unit has it.
    void FollowUnitSetpoint(int channel, const std::optional<double>& setpoint);
    // A setpoint given to that channel was not sent: the field shows the unit's own value
    // at once, unless the user is typing another one.
    void SetpointNotSent(int channel, const std::optional<double>& setpoint);
    // The label the channel's panel shows (a typed label or the device), else its device.
    AnsiString ChannelLabel(int channel) const;
    // Starts when the button reads "start" (Tag 1), stops when it reads "stop" (Tag 0), as it
    // read when it was pressed.
    void cmdTPStartStopClick(QObject* Sender);
    // The start/stop button's Tag, and its hint that says which of the two it does.
    void SetStartStopTag(int tag);
    void cmdTPLoadClick(QObject* Sender);
    void cmdNextSegmentClick(QObject* Sender);
    void cmdHoldSegmentClick(QObject* Sender);
    void LockDeviceControls();
    void UnlockDeviceControls();
    void LoadProgram(int channel);
    void ArmAutomaticStart(int channel);
    void DisarmAutomaticStart(int channel);
    // The calendar-start form has the channel's row changed and not applied (hold), or no
    // more: the window's timed start waits meanwhile (IChannelForm::HoldAutomaticStart).
    void HoldAutomaticStart(int channel, bool hold);
    // The file of the program the channel's window holds ("" when none or no window).
    AnsiString ChannelProgramFile(int channel) const;
    // That program was changed in its window and not saved.
    bool ChannelProgramChanged(int channel) const;
    void ApplySingleRamp(int& channel, double& temperature, int& controlMode, int& seconds);
    // The calendar-start form whose entries ArmAutomaticStart copies.
    void SetCalendarStartEntries(ICalendarStartEntries* entries) { FCalendarEntries = entries; }

    // German (0) or English (1) captions, hints and method items; the channel panels with
    // Tag 0 and 1 follow, user labels (Tag 2) stay.
    void SetLanguage(int language) override;
    // The width the window needs to show its whole title (at least its usual 177 pixels
    // are kept).
    int TitleWidth() const;
    static constexpr int PanelWidth = 177;

    void FormCreate();
    void FormClose();
    void FormShow() {}
    void FormHide() {}

    // ---- IControlPanel
    void cmdKelvorStartCirculationClick(bool fromMenu) override;
    void cmdKelvorStartClick(bool fromMenu) override;
    void cmdKelvorStopClick(bool fromMenu) override;
    void cmdDataToKelvorClick(bool fromMenu) override;
    bool Visible() const override { return isVisible(); }
    void SetVisible(bool visible) override { setVisible(visible); }
    void BringToFront() override;
    int Width() const override { return width(); }
    int Height() const override { return height(); }
    void Move(int left, int top) override;
    void SetChannelPanel(int channel, const AnsiString& caption, int tag) override;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // The main window keeps the strip under a shown panel free.
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    enum TSenderClass : unsigned { scSpeedButton = 1, scComboBox = 2, scEdit = 4, scMenuItem = 8 };
    // Looks the channel up: stores its open flag and returns it.
    bool LookUp(int channel);
    // The Tag of the main window's active channel window; 0 when there is none.
    int CurrentChannel() const;
    IChannelForm* FormOf(int channel) const;
    IPanelChannelWindow* PanelWindowOf(int channel) const;
    // A command of the current channel's window, when the channel is open.
    void ChannelWindowCommand(void (IPanelChannelWindow::*Command)());
    // The common first steps of a device command: the channel, when the command may go to it.
    bool CommandTarget(QObject* sender, unsigned accepted, int& channel);
    // The channel's link to its unit is lost (or the unit not identified on it again).
    bool LinkLost(int channel) const;
    // Text 336 with caption 265: no command can go to the unit now.
    void ShowNoActiveConnection();
    // A device command as the panel's buttons and the menu give it: the target channel,
    // the user's yes to the question, then send (questions and messages in front of the
    // panel, which stays on top).
    // `details`, when given, adds to the question what the command will do to the channel;
    // `check`, when given, refuses a command before its question (it shows why).
    void ConfirmedCommand(QObject* sender, unsigned accepted, int question, const std::function<void(int)>& send,
                          const std::function<AnsiString(int)>& details = {},
                          const std::function<bool(int)>& check = {});
    // "Setpoint <edit> °C to channel n (label)", for the setpoint question.
    AnsiString SetpointTarget(int channel) const;
    // "Channel n (label)" on a line of its own, for the questions of the other commands.
    AnsiString ChannelTarget(int channel) const;
    // The four setpoint digits of the edit's value for the channel; false, after a message,
    // when it is not a number the unit and its limits take.
    bool SetpointDigits(int channel, AnsiString& digits);
    // True when the channel took the command.
    bool SendCommandText(int channel, const AnsiString& command);
    // The device buttons, the setpoint edit and the device menu items.
    void SetDeviceControlsEnabled(bool enabled);
    // The senders' common work; oneShot marks the frames to go out in two poll cycles only.
    bool HandOver(const AnsiString& frame, int frameLength, int replyLength, int channel, int followUpLength,
                  const AnsiString& followUpFrame, bool oneShot);
    void ShowError(const char* german, const char* english);
    int LanguageIndex() const;
    void FitTitle();
    void Placed();
    AnsiString Text(int row) const;
    void EnableProgramControls(int channel);

    TfrmMainWindow* FMainWindow = nullptr;
    ICalendarStartEntries* FCalendarEntries = nullptr;
    // What the panel itself last put into the setpoint field; any other text is the user's.
    QString FShownSetpoint = "+20,00";
    platform::TPressedState FStartStopPressed;
};

// The panel of the process (set while it exists).
extern TfrmPanelControl* frmPanelControl;
