#include "programmer/TfrmSingleRamp.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/CLanguage.h"
#include "app/IChannelForm.h"
#include "app/TfrmMainWindow.h"
#include "app/TfrmPanelControl.h"
#include "platform/Dialogs.h"
#include "platform/FormatSettings.h"
#include "platform/Round.h"
#include "platform/TextLines.h"
#include "resources/TextRows.h"

using namespace resources;

namespace {

QString Text(int row)
{
    return Q(CurrentText(row));
}

}  // namespace

TfrmSingleRamp::TfrmSingleRamp(QWidget* owner) : QDialog(owner)
{
    setObjectName("frmSingleRamp");
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    txtSingleTemperature = new QLabel(this);
    txtSingleTemperature->setObjectName("txtSingleTemperature");
    edSingleTemperature = new QLineEdit("20", this);
    edSingleTemperature->setObjectName("edSingleTemperature");
    txtSingleDuration = new QLabel(this);
    txtSingleDuration->setObjectName("txtSingleDuration");
    edSingleDuration = new QLineEdit(this);
    edSingleDuration->setObjectName("edSingleDuration");
    edSingleDuration->setInputMask("99:99; ");
    edSingleDuration->setText("00:03");
    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    btnCancel = new QPushButton(this);
    btnCancel->setObjectName("btnCancel");
    auto* grid = new QGridLayout(this);
    grid->addWidget(txtSingleTemperature, 0, 0);
    grid->addWidget(edSingleTemperature, 0, 1);
    grid->addWidget(txtSingleDuration, 1, 0);
    grid->addWidget(edSingleDuration, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    grid->addLayout(buttons, 2, 0, 1, 2);
    connect(btnOK, &QPushButton::clicked, this, [this] { platform::GuardedCall([this] { btnOKClick(); }); });
    connect(btnCancel, &QPushButton::clicked, this, [this] { btnCancelClick(); });
    FormShow();
}

TfrmSingleRamp::~TfrmSingleRamp() = default;

void TfrmSingleRamp::Prepare(int channel)
{
    Channel = channel;
    const IChannelForm* form = frmMainWindow ? frmMainWindow->ChannelForm(channel) : nullptr;
    ControlMode = form && form->UnitControlStatus() == "E" ? 1 : 0;
    FormShow();
}

void TfrmSingleRamp::FormShow()
{
    setWindowTitle(Text(RowSingleRamp));
    txtSingleTemperature->setText(Text(RowEndTemperature));
    txtSingleDuration->setText(Text(RowPeriod));
    btnCancel->setText(Text(RowCancel));
}

void TfrmSingleRamp::btnOKClick()
{
    // Shown in front of the form while it is still shown (it stays on top).
    platform::DialogOwnerScope owner(this);
    // Both decimal separators are taken.
    QString text = edSingleTemperature->text().trimmed();
    const int point = text.indexOf('.');
    if (point >= 0) text[point] = QChar(FormatSettings().DecimalSeparator);
    double temperature = 0.0;
    // Two digits each side of the colon, the minutes below 60: the mask fills what was not
    // typed with blanks, and "120" typed in would otherwise read as twelve hours.
    const QString duration = edSingleDuration->text();
    const QStringList parts = duration.split(':');
    auto twoDigits = [](const QString& part) {
        auto digit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
        return part.size() == 2 && digit(part[0]) && digit(part[1]) ? part.toInt() : -1;
    };
    const int hours = parts.size() == 2 ? twoDigits(parts[0]) : -1;
    const int minutes = parts.size() == 2 ? twoDigits(parts[1]) : -1;
    if (hours < 0 || minutes < 0 || minutes > 59) {
        // The form stays open with what was typed, for the user to put right. The refusal
        // quotes what was typed: digits typed on past the hours went over the mask's colon
        // ("120" shows as "12:0"); a colon typed before two hours digits is the user's own.
        const QString shown = edSingleDuration->displayText();
        const qsizetype colon = shown.indexOf(':');
        QString typed = shown.trimmed();
        if (colon >= 0 && shown.count(' ') > 0) {
            const QString before = shown.left(colon), after = shown.mid(colon + 1);
            const QString h = QString(before).remove(' '), m = QString(after).remove(' ');
            typed = m.isEmpty() ? h : h.size() == before.size() ? h + m : h + ':' + m;
        }
        AnsiString message = CurrentText(RowNotATime);
        if (const auto dollar = message.find('$'); dollar != AnsiString::npos)
            message.replace(dollar, 1, typed.toStdString());
        platform::dialogs().MessageBox(message, CurrentText(RowAttention), MB_OK);
        return;
    }
    if (!TryStrToFloat(text.toStdString(), temperature)) {
        // Said in front of the form, which then closes without a ramp.
        platform::dialogs().MessageBox(CurrentText(RowInputMaskError), CurrentText(RowAttention), MB_OK);
        accept();
        return;
    }
    EndTemperature = double(Round64(temperature * 100.0)) / 100.0;
    Duration = (hours * 60 + minutes) * 60;
    accept();
    if (frmPanelControl) frmPanelControl->ApplySingleRamp(Channel, EndTemperature, ControlMode, Duration);
}
