#pragma once
// The two small dialogs of the axis page: the desired increment of an axis (a number, a
// number of days and a time, or one of the named date-time steps) and its maximum or
// minimum (a number, or a date and a time). A text that does not convert is reported and
// the dialog stays open.
#include "chart/editors/TTeeForm.h"
#include "chart/engine/TeeProcs.h"

// "Incorrect value. Reason: " and the reason, in a box.
void TeeShowIncorrect(const AnsiString& Reason);
// The text an increment is shown with (see the axis page).
AnsiString GetIncrementText(QObject* AOwner, double Increment, bool IsDateTime, bool Exact, const AnsiString& Format);
// Days and time of a date-time span: "2 06:00:00", "06:00:00", one second for 0 and below.
AnsiString TeeDaysTimeText(double Span);

class TAxisIncrement : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TAxisIncrement(QWidget* Owner = nullptr);

    TTeeRadioGroup* RadioGroup1 = nullptr;
    QComboBox* CBSteps = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* ECustom = nullptr;
    QCheckBox* CBExact = nullptr;
    QPushButton* BOk = nullptr;
    QPushButton* BCancel = nullptr;

    bool IsDateTime = false;
    bool ExactDateTime = false;
    double Increment = 0;
    TDateTimeStep Step = dtNone;

    void FormShow() override;
    void SetEditText();
    void RadioGroup1Click();
    void CBExactClick();
    void CBStepsChange();
    // Reads the controls into Increment; raises on a text that does not convert.
    void BOkClick();
};

class TAxisMaxMin : public TTeeForm {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TAxisMaxMin(QWidget* Owner = nullptr);

    QLabel* Label1 = nullptr;
    QLineEdit* EMaximum = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* EMinimum = nullptr;

    bool IsDateTime = false;
    double MaxMin = 0;

    void FormShow() override;
    void BitBtn1Click();
};
