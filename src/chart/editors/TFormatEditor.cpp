#include "chart/editors/TFormatEditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <algorithm>

#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TeeProcs.h"
#include "platform/FormatSettings.h"
#include "platform/TextLines.h"

namespace {

bool Holds(const QComboBox* Combo, const AnsiString& Text)
{
    return Combo->findText(Q(Text), Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0;
}

// Removes the first occurrence of What; whether there was one.
bool RemoveFirst(AnsiString& S, const AnsiString& What)
{
    if (What.empty()) return false;
    const auto p = S.find(What);
    if (p == AnsiString::npos) return false;
    S.erase(p, What.size());
    return true;
}

QComboBox* AddCombo(QWidget* Parent, int Y)
{
    auto* combo = new QComboBox(Parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setGeometry(104, Y, 144, 21);
    combo->setEnabled(false);
    return combo;
}

QSpinBox* AddSpin(QWidget* Parent, QLabel* Label, int Y)
{
    auto* spin = TeePlace(new QSpinBox(Parent), 200, Y, 48, 21);
    spin->setRange(0, 20);
    Label->setBuddy(spin);
    return spin;
}

}  // namespace

TFormatEditor::TFormatEditor(QWidget* Owner) : TTeeForm(Owner)
{
    setObjectName("FormatEditor");
    setWindowTitle("Numeric Format");
    SetClientSize(274, 269);

    auto* dateGroup = TeePlace(new QGroupBox(this), 8, 4, 258, 104);
    RBDate = TeePlace(new QRadioButton("&Date Time:", dateGroup), 8, 16, 92, 17);
    CBDate = AddCombo(dateGroup, 14);
    CBDate->addItems({"mm-yyyy", "mm-dd-yy", "dd-mm-yyyy", "mmm", "ddd", "MM"});
    RBGeo = TeePlace(new QRadioButton("&Geographic:", dateGroup), 8, 46, 92, 17);
    CBGeo = AddCombo(dateGroup, 44);
    RBCustom = TeePlace(new QRadioButton("&Custom:", dateGroup), 8, 76, 92, 17);
    CBCustom = AddCombo(dateGroup, 74);

    auto* numberPanel = TeePlace(new QWidget(this), 8, 112, 258, 112);
    RBInteger = TeePlace(new QRadioButton("&Number", numberPanel), 8, 6, 100, 17);
    CBPercent = TeePlace(new QCheckBox("&Percent", numberPanel), 24, 32, 90, 17);
    CBThousands = TeePlace(new QCheckBox("&Thousands", numberPanel), 24, 56, 90, 17);
    CBCurrency = TeePlace(new QCheckBox("C&urrency", numberPanel), 24, 80, 90, 17);
    auto* decimalsLabel = TeePlace(new QLabel("D&ecimals:", numberPanel), 130, 34, 66, 13);
    Edit1 = AddSpin(numberPanel, decimalsLabel, 30);
    UpDown1 = Edit1;
    CBFixedDecimals = TeePlace(new QCheckBox("F&ixed", numberPanel), 130, 58, 90, 17);
    auto* fixedLabel = TeePlace(new QLabel("&Fixed:", numberPanel), 130, 84, 66, 13);
    Edit2 = AddSpin(numberPanel, fixedLabel, 80);
    UpDown2 = Edit2;

    Panel1 = TeePlace(new QWidget(this), 0, 232, 274, 37);
    Button1 = TeePlace(new QPushButton("OK", Panel1), 112, 6, 75, 25);
    Button2 = TeePlace(new QPushButton("Cancel", Panel1), 192, 6, 75, 25);

    // The four choices are exclusive, but they sit in two places: the handlers untick.
    for (QRadioButton* b : {RBDate, RBGeo, RBCustom, RBInteger}) b->setAutoExclusive(false);

    BindOkCancel(Button1, Button2);
    for (QRadioButton* b : {RBDate, RBGeo, RBCustom})
        Bind(b, &QRadioButton::toggled, [this, b](bool on) {
            if (!on) return;
            TickGroupButton(b);
            RadioGroup1Click();
        });
    Bind(RBInteger, &QRadioButton::toggled, [this] { RBIntegerClick(); });
    Bind(CBPercent, &QCheckBox::toggled, [this] { CBPercentClick(); });
    Bind(CBThousands, &QCheckBox::toggled, [this] { CBThousandsClick(); });
    Bind(CBCurrency, &QCheckBox::toggled, [this] { CBThousandsClick(); });
    for (QComboBox* c : {CBDate, CBCustom, CBGeo})
        Bind(c, &QComboBox::editTextChanged, [this](const QString& text) { FormatText = text.toStdString(); });

    // FormCreate
    AddDate(FormatSettings().ShortDateFormat);
    AddDate(FormatSettings().ShortTimeFormat);
    SetBorderStyle(fbsDialog);
}

void TFormatEditor::AddDate(const AnsiString& Text)
{
    if (!Holds(CBDate, Text)) CBDate->addItem(Q(Text));
}

void TFormatEditor::AddGeo(const AnsiString& Text)
{
    if (!Holds(CBGeo, Text)) CBGeo->addItem(Q(Text));
}

void TFormatEditor::TickGroupButton(QRadioButton* Button)
{
    TFilling filling(this);
    for (QRadioButton* b : {RBDate, RBGeo, RBCustom}) b->setChecked(b == Button);
}

void TFormatEditor::UseCombo(QComboBox* Combo, const AnsiString& Text)
{
    Combo->setEnabled(true);
    Combo->setEditText(Q(Text));
    Combo->setFocus();
}

void TFormatEditor::FormShow()
{
    TFilling filling(this);
    AnsiString F = FormatText;
    const AnsiString original = F;
    CBCustom->clear();
    CBCustom->addItems({"#.#", "0.0%"});
    CBGeo->clear();
    CBGeo->addItems({QString::fromUtf8("ddd\u00B0 mm' ss\".zzz"), "ddd mm' ss\".zzz", "ddd deg mm' ss\".zzz",
                     "ddd mm ss.zzz", "ddd mm ss", "ddd mm", QString::fromUtf8("ddd\u00B0"), "ddd"});

    if (IsDate || Holds(CBDate, F)) {
        AddDate(F);
        UseCombo(CBDate, F);
        TickGroupButton(RBDate);
    } else if (IsGeo || Holds(CBGeo, F)) {
        AddGeo(F);
        UseCombo(CBGeo, F);
        TickGroupButton(RBGeo);
    } else {
        CBPercent->setChecked(F.find('%') != AnsiString::npos);
        CBPercentClick();
        RemoveFirst(F, "%");
        const AnsiString& currency = FormatSettings().CurrencyString;
        CBCurrency->setChecked(!currency.empty() && F.find(currency) != AnsiString::npos);
        RemoveFirst(F, currency);
        CBThousands->setChecked(RemoveFirst(F, ","));
        const auto dot = F.find('.');
        if (dot != AnsiString::npos) {
            RBInteger->setChecked(true);
            std::size_t n = 0;
            while (dot + 1 + n < F.size() && (F[dot + 1 + n] == '#' || F[dot + 1 + n] == '0')) ++n;
            UpDown1->setValue(int(n));
            CBFixedDecimals->setChecked(n > 0 && F[dot + 1] == '0');
            F.erase(dot, n + 1);
        }
        const bool custom = std::any_of(F.begin(), F.end(), [](char c) { return c != '#' && c != '0'; });
        if (!custom) {
            RBInteger->setChecked(true);
            UpDown2->setValue(int(std::count(F.begin(), F.end(), '0')));
        } else {
            TickGroupButton(RBCustom);
            RBInteger->setChecked(false);
            if (!Holds(CBCustom, original)) CBCustom->addItem(Q(original));
            UseCombo(CBCustom, original);
        }
    }
    TeeTranslateControl(this);
}

AnsiString TFormatEditor::TheFormat() const
{
    if (CBCustom->isEnabled()) return CBCustom->currentText().toStdString();
    if (RBInteger->isChecked()) {
        AnsiString r = CBCurrency->isChecked() ? FormatSettings().CurrencyString : AnsiString();
        const int d = UpDown2->value();
        const bool thousands = CBThousands->isChecked();
        if (d == 0)
            r += thousands ? "#,###" : "#";
        else if (!thousands)
            r += AnsiString(std::size_t(d), '0');
        else if (d < 4)
            r += "#," + AnsiString(std::size_t(3 - d), '#') + AnsiString(std::size_t(d), '0');
        else
            r += AnsiString(std::size_t(d - 3), '0') + ",000";
        const int n = UpDown1->value();
        if (n > 0) r += "." + AnsiString(std::size_t(n), CBFixedDecimals->isChecked() ? '0' : '#');
        if (CBPercent->isChecked()) r += "%";
        return r;
    }
    if (RBDate->isChecked()) return CBDate->currentText().toStdString();
    if (RBGeo->isChecked()) return CBGeo->currentText().toStdString();
    return AnsiString();
}

void TFormatEditor::RadioGroup1Click()
{
    if (Filling()) return;
    IsDate = RBDate->isChecked();
    IsGeo = RBGeo->isChecked();
    if (IsDate || IsGeo || RBCustom->isChecked()) {
        TFilling filling(this);
        RBInteger->setChecked(false);
    }
    CBDate->setEnabled(IsDate);
    CBGeo->setEnabled(IsGeo);
    CBCustom->setEnabled(RBCustom->isChecked());
    if (IsDate) {
        Edit1->setEnabled(false);
        UpDown1->setEnabled(false);
        if (CBDate->currentText().isEmpty()) CBDate->setEditText(Q(FormatSettings().ShortDateFormat));
        CBDate->setFocus();
    } else if (IsGeo) {
        Edit1->setEnabled(false);
        UpDown1->setEnabled(false);
        if (CBGeo->currentText().isEmpty()) CBGeo->setEditText(CBGeo->itemText(0));
        CBGeo->setFocus();
    } else {
        CBPercent->setEnabled(!CBCustom->isEnabled());
        if (CBCustom->isEnabled()) CBCustom->setFocus();
        // Back to Number after a date or geographic choice: decimals count again.
        if (RBInteger->isChecked()) {
            Edit1->setEnabled(true);
            UpDown1->setEnabled(true);
        }
    }
}

void TFormatEditor::RBIntegerClick()
{
    if (RBInteger->isChecked()) {
        TFilling filling(this);
        for (QRadioButton* b : {RBDate, RBCustom, RBGeo}) b->setChecked(false);
    }
    RadioGroup1Click();
}

void TFormatEditor::CBPercentClick()
{
    const bool percent = CBPercent->isChecked();
    CBThousands->setEnabled(!percent);
    CBCurrency->setEnabled(!percent);
    if (percent) {
        TFilling filling(this);
        CBThousands->setChecked(false);
        CBCurrency->setChecked(false);
    }
}

void TFormatEditor::CBThousandsClick()
{
    RadioGroup1Click();
}

AnsiString TFormatEditor::Change(QObject* AOwner, const AnsiString& Format, bool)
{
    auto editor = TeeCreateForm<TFormatEditor>(AOwner);
    editor->FormatText = Format;
    // The buttons stay: without OK no new format could ever be returned.
    editor->Panel1->show();
    return editor->ShowModal() == mrOk ? editor->TheFormat() : Format;
}
