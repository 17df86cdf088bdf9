#include "chart/editors/TAxisIncrement.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

#include "chart/editors/TeePenDlg.h"
#include "chart/engine/ChartTextFormat.h"
#include "chart/engine/TeeConst.h"
#include "platform/DateTime.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "platform/FormatSettings.h"

namespace {

const QStringList StepNames = {"One Microsecond", "One Millisecond", "One Second", "Five Seconds", "Ten Seconds",
                               "Fifteen Seconds", "Thirty Seconds",  "One Minute", "Five Minutes", "Ten Minutes",
                               "Fifteen Minutes", "Thirty Minutes",  "One Hour",   "Two Hours",    "Six Hours",
                               "Twelve Hours",    "One Day",         "Two Days",   "Three Days",   "One Week",
                               "Half Month",      "One Month",       "Two Months", "Three Months", "Four Months",
                               "Six Months",      "One Year"};

double ReadTime(const AnsiString& Text)
{
    TDateTime t = 0;
    if (!TryStrToTime(Text, t)) throw EConvertError("'" + Text + "' is not a valid time");
    return t;
}

double ReadDate(const AnsiString& Text)
{
    TDateTime t = 0;
    if (!TryStrToDate(Text, t)) throw EConvertError("'" + Text + "' is not a valid date");
    return t;
}

// Runs a reading step of an OK button: a conversion error is reported and the dialog stays.
bool ReadOrReport(const std::function<void()>& Read)
{
    try {
        Read();
        return true;
    } catch (const Exception& e) {
        TeeShowIncorrect(e.what());
        return false;
    }
}

}  // namespace

void TeeShowIncorrect(const AnsiString& Reason)
{
    platform::dialogs().MessageBox(FormatChartText(TeeMsg_IncorrectMaxMinValue, {Reason}), "Error",
                                   MB_OK | MB_ICONERROR);
}

AnsiString TeeDaysTimeText(double Span)
{
    if (Span <= 0) return TimeToStr(DateTimeStep[dtOneSecond]);
    if (Span < 1) return TimeToStr(Span);
    const double days = std::floor(Span);
    AnsiString text = FloatToStr(days);
    const double fraction = Span - days;
    if (fraction > 0) text += " " + TimeToStr(fraction);
    return text;
}

AnsiString GetIncrementText(QObject*, double Increment, bool IsDateTime, bool Exact, const AnsiString& Format)
{
    if (!IsDateTime) return FormatFloat(Format.empty() ? TeeMsg_DefValueFormat : Format, Increment);
    const TDateTimeStep step = FindDateTimeStep(Increment);
    if (Exact && step != dtNone) return StepNames[step].toStdString();
    return TeeDaysTimeText(Increment);
}

TAxisIncrement::TAxisIncrement(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("AxisIncrement");
    setWindowTitle("Axis Increment");
    SetClientSize(327, 114);
    RadioGroup1 = TeeAddRadioGroup(this, "Increment:", {"&Standard:", "&Custom:"}, 8, 4, 96, 64);
    CBSteps = TeeAddCombo(this, 112, 18, 130, StepNames);
    CBSteps->setMaxVisibleItems(18);
    Label1 = TeeAddLabel(this, "&Increment:", 112, 44);
    ECustom = TeePlace(new QLineEdit(this), 112, 60, 130, 21);
    Label1->setBuddy(ECustom);
    CBExact = TeeAddCheck(this, "&Exact Date Time", 8, 80);
    BOk = TeeAddButton(this, "OK", 248, 8);
    BCancel = TeeAddButton(this, "Cancel", 248, 40);
    SetDefaultButton(BOk);
    SetCancelButton(BCancel);
    BindModal(BCancel, mrCancel);
    Bind(BOk, &QPushButton::clicked, [this] {
        if (ReadOrReport([this] { BOkClick(); })) SetModalResult(mrOk);
    });
    Bind(RadioGroup1, &TTeeRadioGroup::Click, [this] { RadioGroup1Click(); });
    Bind(CBExact, &QCheckBox::clicked, [this] { CBExactClick(); });
    Bind(CBSteps, &QComboBox::activated, [this] { CBStepsChange(); });
    SetBorderStyle(fbsDialog);
}

void TAxisIncrement::FormShow()
{
    TFilling filling(this);
    CBExact->setVisible(IsDateTime);
    CBExact->setChecked(ExactDateTime);
    if (IsDateTime) {
        ECustom->setToolTip(QString::fromStdString(TeeMsg_EnterDateTime));
        SetEditText();
        if (ExactDateTime && Step != dtNone) {
            RadioGroup1->SetItemIndex(0);
            CBSteps->setCurrentIndex(Step);
            ECustom->clear();
            ECustom->setEnabled(false);
            CBSteps->setFocus();
        } else {
            RadioGroup1->SetItemIndex(1);
            CBSteps->setCurrentIndex(-1);
        }
    } else {
        CBSteps->hide();
        RadioGroup1->hide();
        RadioGroup1->SetItemIndex(1);
        ECustom->setToolTip(QString());
        ECustom->setText(QString::fromStdString(FloatToStr(Increment)));
        const int offset = ECustom->y() - Label1->y();
        ECustom->move(ECustom->x(), BOk->y());
        Label1->move(Label1->x(), ECustom->y() - offset);
        ECustom->setFocus();
    }
    CBExact->setEnabled(RadioGroup1->ItemIndex() == 0);
    TeeTranslateControl(this);
}

void TAxisIncrement::SetEditText()
{
    ECustom->setText(QString::fromStdString(TeeDaysTimeText(Increment)));
}

void TAxisIncrement::RadioGroup1Click()
{
    const bool standard = RadioGroup1->ItemIndex() == 0;
    ECustom->setEnabled(!standard);
    CBSteps->setEnabled(standard);
    CBExact->setChecked(standard);
    CBExact->setEnabled(standard);
    ExactDateTime = standard;
    if (standard) {
        CBSteps->setCurrentIndex(Step == dtNone ? 0 : int(Step));
        CBSteps->setFocus();
    } else {
        SetEditText();
        ECustom->setFocus();
    }
}

void TAxisIncrement::CBExactClick()
{
    ExactDateTime = CBExact->isChecked();
    if (ExactDateTime) return;
    RadioGroup1->SetItemIndex(1);
    ECustom->setEnabled(true);
    SetEditText();
    ECustom->setFocus();
}

void TAxisIncrement::CBStepsChange()
{
    Step = TDateTimeStep(CBSteps->currentIndex());
}

void TAxisIncrement::BOkClick()
{
    const AnsiString text = ECustom->text().trimmed().toStdString();
    if (!IsDateTime) {
        Increment = StrToFloat(text);
        return;
    }
    if (RadioGroup1->ItemIndex() == 0) {
        const int step = CBSteps->currentIndex();
        if (step >= 0 && step < dtNone) Increment = DateTimeStep[step];
        return;
    }
    const std::size_t blank = text.find(' ');
    if (blank != AnsiString::npos) {
        const double days = StrToFloat(text.substr(0, blank));
        Increment = days + ReadTime(text.substr(blank + 1));
        return;
    }
    double days = 0;
    Increment = TryStrToFloat(text, days) ? days : ReadTime(text);
}

TAxisMaxMin::TAxisMaxMin(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("AxisMaxMin");
    setWindowTitle("Axis Maximum and Minimum");
    SetClientSize(274, 79);
    Label1 = TeeAddLabel(this, "&Date:", 8, 12);
    EMaximum = TeePlace(new QLineEdit(this), 60, 8, 110, 21);
    EMaximum->setToolTip("Enter Date");
    Label1->setBuddy(EMaximum);
    Label2 = TeeAddLabel(this, "&Time:", 8, 44);
    EMinimum = TeePlace(new QLineEdit(this), 60, 40, 110, 21);
    EMinimum->setToolTip("Enter Time");
    Label2->setBuddy(EMinimum);
    QPushButton* ok = TeeAddButton(this, "OK", 190, 8);
    QPushButton* cancel = TeeAddButton(this, "Cancel", 190, 40);
    SetDefaultButton(ok);
    SetCancelButton(cancel);
    BindModal(cancel, mrCancel);
    Bind(ok, &QPushButton::clicked, [this] {
        if (ReadOrReport([this] { BitBtn1Click(); })) SetModalResult(mrOk);
    });
    SetBorderStyle(fbsDialog);
}

void TAxisMaxMin::FormShow()
{
    if (IsDateTime) {
        if (MaxMin >= 1)
            EMaximum->setText(QString::fromStdString(DateToStr(MaxMin)));
        else {
            Label1->hide();
            EMaximum->hide();
        }
        EMinimum->setText(QString::fromStdString(TimeToStr(MaxMin)));
    } else {
        EMaximum->setToolTip(QString());
        EMinimum->setToolTip(QString());
        Label1->setText("Value:");
        EMaximum->setText(QString::fromStdString(FloatToStr(MaxMin)));
        Label2->hide();
        EMinimum->hide();
    }
    TeeTranslateControl(this);
}

void TAxisMaxMin::BitBtn1Click()
{
    const AnsiString date = EMaximum->text().trimmed().toStdString();
    const AnsiString time = EMinimum->text().trimmed().toStdString();
    if (!IsDateTime)
        MaxMin = StrToFloat(date);
    else if (!EMaximum->isHidden())
        MaxMin = ReadDate(date) + ReadTime(time);
    else
        MaxMin = ReadTime(time);
}
