#pragma once
// The automatic start ("Kalenderstart"): one form for all ten channels. An overview list
// shows each channel's mode, timed start and program; for the marked programmer channel the
// user chooses a program file, a start date and time and whether the recording goes on
// until then. "Exit" hands every channel's entry to the control panel, which arms or
// disarms the channel window; the window's programmer tick starts the program.
#include <QDialog>
#include <array>
#include <cstdint>

#include "app/IPanelChannelWindow.h"
#include "platform/AnsiString.h"
#include "platform/DateTime.h"

class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTimeEdit;
class QTreeWidget;
class QTreeWidgetItem;

class TfrmDateTimePicker : public QDialog, public ICalendarStartEntries {
    Q_OBJECT
public:
    static constexpr int Channels = 10;
    // A start may lie at most this many days ahead.
    static constexpr int DaysAhead = 3;
    // A start that is not armed is proposed this many minutes ahead of now (or more).
    static constexpr int ProposedLeadMinutes = 5;

    explicit TfrmDateTimePicker(QWidget* owner = nullptr);
    ~TfrmDateTimePicker() override;

    QGroupBox *grpNotice = nullptr, *rgpOptions = nullptr;
    QLineEdit* edTProgram = nullptr;
    QPushButton *btnDirectory = nullptr, *btnExit = nullptr, *btnCancel = nullptr;
    QDateEdit* dtpDate = nullptr;
    QTimeEdit* dtpTime = nullptr;
    QRadioButton *optStopRecord = nullptr, *optContinueRecord = nullptr;
    QTreeWidget* lstOverview = nullptr;
    QLabel *txtHint = nullptr, *txtHint1 = nullptr, *txtHint2 = nullptr, *txtHint3 = nullptr, *txtHint4 = nullptr,
           *txtHint5 = nullptr, *txtHint6 = nullptr, *txtHint7 = nullptr;

    // Per channel 1..10 (index 0 unused).
    std::array<AnsiString, Channels + 1> ProgramFile{};
    std::array<TDateTime, Channels + 1> StartDate{}, StartDateTime{};
    std::array<std::uint8_t, Channels + 1> Option{};  // 1 continue recording, 0 suspend until the start
    std::array<std::uint8_t, Channels + 1> Armed{}, EntryEdited{}, DeviceRecognised{}, ProgramRunning{};
    std::array<int, Channels + 1> Mode{};
    // The channel's window was armed when the form was shown: its program stays as it is.
    std::array<std::uint8_t, Channels + 1> WindowArmed{};
    int CurrentChannel = 0;

    // What the main window reports of a channel before the form is shown.
    void SetChannelState(int channel, int deviceRecognised, int armed, const AnsiString& deviceText, int programRunning,
                         int mode);
    void ClearOverview();
    // The program file chosen for the current channel (through the control panel's load).
    void SetProgramName(const AnsiString& fileName);

    void FormShow();
    void btnDirectoryClick();
    void dtpDateChange();
    void dtpTimeChange();
    void optStopRecordClick();
    void optContinueRecordClick();
    // The row of `channel` was clicked: its entry comes into the parameter controls.
    void lstOverviewMouseDown(int channel);
    // The checkbox of a channel's row; only an armable channel keeps it.
    void SetRowChecked(int channel, bool checked);
    bool RowChecked(int channel) const;
    // Arms every marked channel and disarms the others, or, when a marked channel cannot be
    // armed (its start has passed, its window holds another program), changes nothing and
    // names that channel; the form then stays open. True when the form closed.
    bool btnExitClick();
    void btnCancelClick() { reject(); }
    // Cancel: the entries go back to what they were when the form was shown.
    void reject() override;
    // A channel's run began or was tidied up, or its window's timed start was dropped, while
    // the form is open: its row shows it (a row the user has changed keeps its mark).
    void ChannelProgramState(int channel, int armed, int programRunning);

    // ---- ICalendarStartEntries
    TCalendarStart CalendarEntry(int channel) const override;

private:
    void BuildRow(int channel);
    void UpdateEntry();
    void LimitDates();
    void FitOverview();
    bool Armable(int channel) const;
    void ShowEntry(int channel);
    // An unarmed start that has passed becomes one a few minutes ahead.
    void ProposeStart(int channel);
    QTreeWidgetItem* Row(int channel) const;
    // Why the marked channel cannot be armed now (empty: it can); a row that names another
    // program than its window holds is set to the window's.
    AnsiString ArmingRefusal(int channel, TDateTime now);

    // The row of an armed channel differs from what its window is armed with: the window's
    // start waits until Exit applies the row or Cancel drops the change.
    bool RowChanged(int channel) const;
    void UpdateHold(int channel);
    void ReleaseHolds();

    bool FFilling = false;
    std::array<std::uint8_t, Channels + 1> FHeld{};
    struct TShownEntries {
        std::array<TDateTime, Channels + 1> StartDate{}, StartDateTime{};
        std::array<std::uint8_t, Channels + 1> Option{}, Armed{}, EntryEdited{};
    } FShown;
};
