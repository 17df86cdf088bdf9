#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "EditorTestSupport.h"
#include "chart/editors/TFormatEditor.h"
#include "platform/FormatSettings.h"

namespace {

enum Kind { Number, Date, Geo, Custom };

Kind KindOf(const TFormatEditor& e)
{
    if (e.RBDate->isChecked()) return Date;
    if (e.RBGeo->isChecked()) return Geo;
    if (e.RBCustom->isChecked()) return Custom;
    return Number;
}

}  // namespace

TEST(FormatEditor, FormatsComeBackAsTheyWentIn)
{
    struct Case {
        const char* format;
        Kind kind;
        bool thousands, percent, fixed;
        int decimals, digits;
    };
    const Case cases[] = {
        {"#,##0.00", Number, true, false, true, 2, 1},
        {"0.0%", Number, false, true, true, 1, 1},
        {"#,###", Number, true, false, false, 0, 0},
        {"#.#", Number, false, false, false, 1, 0},
        {"0,000", Number, true, false, false, 0, 4},
        {"#.0 E+0", Custom, false, false, false, 0, 0},
        {"#.0 \"x10\" E+0", Custom, false, false, false, 0, 0},
        {"dd-mm-yyyy", Date, false, false, false, 0, 0},
        {"ddd mm ss", Geo, false, false, false, 0, 0},
        {"ddd", Date, false, false, false, 0, 0},
    };
    for (const Case& c : cases) {
        ModalScript script([&](TTeeForm& form) {
            auto& e = static_cast<TFormatEditor&>(form);
            EXPECT_EQ(KindOf(e), c.kind) << c.format;
            if (c.kind == Number) {
                EXPECT_EQ(e.CBThousands->isChecked(), c.thousands) << c.format;
                EXPECT_EQ(e.CBPercent->isChecked(), c.percent) << c.format;
                EXPECT_EQ(e.CBFixedDecimals->isChecked(), c.fixed) << c.format;
                EXPECT_EQ(e.UpDown1->value(), c.decimals) << c.format;
                EXPECT_EQ(e.UpDown2->value(), c.digits) << c.format;
            }
            if (c.kind == Custom) {
                EXPECT_EQ(e.CBCustom->currentText().toStdString(), c.format);
            }
            e.Button1->click();
        });
        EXPECT_EQ(TFormatEditor::Change(nullptr, c.format, false), c.format);
        EXPECT_EQ(script.Shown, 1);
    }
}

TEST(FormatEditor, BuildsNumberFormatsFromTheControls)
{
    FormatSettings().CurrencyString = "$";
    TFormatEditor e;
    e.FormatText = "#";
    e.show();
    auto number = [&](bool currency, bool thousands, int digits, int decimals, bool fixed, bool percent) {
        e.CBPercent->setChecked(percent);
        e.CBCurrency->setChecked(currency);
        e.CBThousands->setChecked(thousands);
        e.UpDown2->setValue(digits);
        e.UpDown1->setValue(decimals);
        e.CBFixedDecimals->setChecked(fixed);
        return e.TheFormat();
    };
    EXPECT_EQ(number(true, true, 1, 2, true, false), "$#,##0.00");
    EXPECT_EQ(number(false, false, 0, 0, false, false), "#");
    EXPECT_EQ(number(false, false, 0, 1, false, true), "#.#%");
    EXPECT_EQ(number(false, true, 5, 0, false, false), "00,000");
    EXPECT_EQ(number(false, false, 3, 0, false, false), "000");

    // Percent takes thousands and currency away.
    e.CBThousands->setChecked(true);
    e.CBPercent->setChecked(true);
    EXPECT_FALSE(e.CBThousands->isChecked());
    EXPECT_FALSE(e.CBThousands->isEnabled());
    EXPECT_FALSE(e.CBCurrency->isEnabled());
    ResetFormatSettings();
}

TEST(FormatEditor, NumberAfterDateCountsDecimalsAgainAndCancelKeepsTheFormat)
{
    ModalScript script([](TTeeForm& form) {
        auto& e = static_cast<TFormatEditor&>(form);
        EXPECT_TRUE(e.Panel1->isVisible());  // OK is offered even for plain value axes
        e.RBDate->setChecked(true);
        EXPECT_FALSE(e.Edit1->isEnabled());
        EXPECT_TRUE(e.CBDate->isEnabled());
        EXPECT_FALSE(e.RBInteger->isChecked());
        e.RBInteger->setChecked(true);
        EXPECT_FALSE(e.RBDate->isChecked());
        EXPECT_FALSE(e.CBDate->isEnabled());
        EXPECT_TRUE(e.Edit1->isEnabled());
        e.UpDown1->setValue(3);
        e.Button1->click();
    });
    EXPECT_EQ(TFormatEditor::Change(nullptr, "0.0", false), "0.000");

    ModalScript cancel([](TTeeForm& form) {
        auto& e = static_cast<TFormatEditor&>(form);
        e.RBGeo->setChecked(true);
        EXPECT_EQ(e.TheFormat(), e.CBGeo->itemText(0).toStdString());
        e.Button2->click();
    });
    EXPECT_EQ(TFormatEditor::Change(nullptr, "#,##0.00", true), "#,##0.00");
}
