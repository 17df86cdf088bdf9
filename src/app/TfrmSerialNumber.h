#pragma once
// The modal box in which the user gives the serial number of an identified unit; the
// number becomes part of the recording file's default name.
#include <QDialog>

#include "platform/AnsiString.h"

class QLabel;
class QLineEdit;
class QPushButton;

class TfrmSerialNumber : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSerialNumber(QWidget* owner = nullptr);
    ~TfrmSerialNumber() override;

    QLabel* txtSerialNumber = nullptr;
    QLineEdit* edSerialNumber = nullptr;  // five digits at most
    QPushButton* bitSerialNumber = nullptr;

    // Takes the edit's number (0 when it is not a number) and closes the box.
    void bitSerialNumberClick();
    int GetSerialNumber() const { return FSerialNumber; }

private:
    int FSerialNumber = 0;
};

extern TfrmSerialNumber* frmSerialNumber;

// Asks the serial number once, in the main window's language: caption text 200, prompt
// text 201. Modal; returns the number (0 when none was given).
int AskSerialNumber(QWidget* owner);
