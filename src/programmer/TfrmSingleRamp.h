#pragma once
// The single-ramp dialog: an end temperature and a duration for the active programmer
// channel, which turns them into a one-segment program and starts it (through the control
// panel's hand-over to the channel window).
#include <QDialog>

#include "platform/AnsiString.h"

class QLabel;
class QLineEdit;
class QPushButton;

class TfrmSingleRamp : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSingleRamp(QWidget* owner = nullptr);
    ~TfrmSingleRamp() override;

    QLabel *txtSingleTemperature = nullptr, *txtSingleDuration = nullptr;
    QLineEdit *edSingleTemperature = nullptr, *edSingleDuration = nullptr;
    QPushButton *btnOK = nullptr, *btnCancel = nullptr;

    int Channel = 0;
    double EndTemperature = 0.0;
    int Duration = 0;     // seconds
    int ControlMode = 0;  // 0 internal, 1 process

    // The channel the ramp is for; its control mode follows the unit's status.
    void Prepare(int channel);
    // Captions in the main window's language.
    void FormShow();
    // Reads the temperature ("25.5" and "25,5" alike) and the hh:mm duration and hands the
    // ramp to the control panel; a text that is no number closes without a ramp, with a
    // message.
    void btnOKClick();
    void btnCancelClick() { reject(); }
};
