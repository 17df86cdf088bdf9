#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QFocusEvent>

#include "chart/engine/TeeColorButton.h"
#include "platform/ColorDialog.h"
#include "platform/GraphicsObjects.h"
#include "support/PixelProbe.h"
#include "support/RecordingCanvas.h"

namespace {

// A scripted colour dialog: each run answers with the next reply, or cancels when none is
// left, and keeps what it was shown.
struct ScriptedColorDialog {
    struct Reply {
        bool ok;
        TColor color;
        std::vector<TColor> custom;
    };
    std::vector<Reply> replies;
    std::vector<platform::ColorDialogRequest> shown;

    ScriptedColorDialog()
    {
        TeeCustomEditColors.reset();
        platform::SetColorDialogRunner([this](QWidget*, platform::ColorDialogRequest& r) {
            shown.push_back(r);
            if (shown.size() > replies.size()) return false;
            const Reply& reply = replies[shown.size() - 1];
            if (!reply.ok) return false;
            r.Color = reply.color;
            r.CustomColors = reply.custom;
            return true;
        });
    }
    ~ScriptedColorDialog()
    {
        platform::SetColorDialogRunner({});
        TeeCustomEditColors.reset();
    }
};

}  // namespace

TEST(ColorDialog, CustomColoursLiveOnAcrossDialogs)
{
    ScriptedColorDialog dialog;
    dialog.replies = {{true, clRed, {clLime, clNavy}}, {false, clBlue, {clWhite}}, {true, clRed, {clAqua}}};

    EXPECT_EQ(EditColor(nullptr, clBlack), clRed);
    EXPECT_EQ(EditColor(nullptr, clGreen), clGreen);  // cancelled
    TColor c = clRed;
    EXPECT_FALSE(EditColorDialog(nullptr, c));  // the same colour again is no change
    EXPECT_EQ(c, clRed);

    ASSERT_EQ(dialog.shown.size(), 3u);
    EXPECT_EQ(dialog.shown[0].Color, clBlack);
    EXPECT_TRUE(dialog.shown[0].CustomColors.empty());
    EXPECT_EQ(dialog.shown[1].CustomColors, (std::vector<TColor>{clLime, clNavy}));
    // A cancelled dialog keeps the colours of the last confirmed one.
    EXPECT_EQ(dialog.shown[2].CustomColors, (std::vector<TColor>{clLime, clNavy}));
    ASSERT_TRUE(TeeCustomEditColors);
    EXPECT_EQ(*TeeCustomEditColors, (std::vector<TColor>{clAqua}));
}

TEST(ButtonColor, WithoutALinkOnlyClicks)
{
    ScriptedColorDialog dialog;
    TButtonColor button;
    int clicks = 0;
    button.OnClick = [&](QObject* sender) {
        EXPECT_EQ(sender, &button);
        ++clicks;
    };
    EXPECT_EQ(button.GetTeeColor(), clNone);
    support::TRecordingCanvas canvas;
    button.DrawSymbol(&canvas);
    EXPECT_TRUE(canvas.Calls.empty());

    button.click();
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(dialog.shown.empty());

    // A colour callback supplies the colour without a link.
    button.GetColorProc = [] { return clTeal; };
    EXPECT_EQ(button.GetTeeColor(), clTeal);
}

TEST(ButtonColor, EditsTheLinkedColourProperty)
{
    ScriptedColorDialog dialog;
    TPen pen;
    pen.SetColor(clBtnFace);
    TButtonColor button;
    button.resize(75, 25);
    int clicks = 0;
    button.OnClick = [&](QObject*) { ++clicks; };
    button.LinkProperty(&pen, "Color");
    // System colours are shown resolved.
    EXPECT_EQ(button.GetTeeColor(), ColorToRGB(clBtnFace));

    // Choosing the same colour again writes nothing and raises no click.
    pen.SetColor(clRed);
    dialog.replies = {{true, clRed, {}}, {false, clBlue, {}}, {true, clBlue, {}}};
    button.click();
    button.click();
    EXPECT_EQ(pen.GetColor(), clRed);
    EXPECT_EQ(clicks, 0);
    button.click();
    EXPECT_EQ(pen.GetColor(), clBlue);
    EXPECT_EQ(clicks, 1);
    ASSERT_EQ(dialog.shown.size(), 3u);
    EXPECT_EQ(dialog.shown[2].Color, clRed);

    // The swatch at the button's right end, outlined unless the button is disabled.
    support::TRecordingCanvas canvas;
    button.DrawSymbol(&canvas);
    EXPECT_EQ(canvas.Calls, (std::vector<std::string>{"Rectangle(56,7,69,19)"}));
    EXPECT_EQ(canvas.Brush->GetColor(), clBlue);
    EXPECT_NE(canvas.Pen->GetStyle(), psClear);
    button.setEnabled(false);
    button.DrawSymbol(&canvas);
    EXPECT_EQ(canvas.Pen->GetStyle(), psClear);
    button.setEnabled(true);

    // And painted over the button.
    const QImage image = button.grab().toImage();
    EXPECT_EQ(support::PixelAt(image, 62, 12), clBlue);
}

TEST(ComboFlat, FlatLookAndHover)
{
    TComboFlat combo;
    EXPECT_EQ(combo.height(), 21);
    EXPECT_EQ(combo.ItemHeight(), 13);
    EXPECT_FALSE(combo.isEditable());

    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QApplication::sendEvent(&combo, &enter);
    EXPECT_TRUE(combo.MouseInControl());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&combo, &leave);
    EXPECT_FALSE(combo.MouseInControl());
    QApplication::sendEvent(&combo, &enter);
    QFocusEvent focus(QEvent::FocusIn);
    QApplication::sendEvent(&combo, &focus);
    EXPECT_FALSE(combo.MouseInControl());

    // Without hover or focus the border is painted flat in the face colour.
    combo.resize(120, 21);
    const QImage image = combo.grab().toImage();
    EXPECT_EQ(support::PixelAt(image, 50, 0), ColorToRGB(clBtnFace));
    EXPECT_EQ(support::PixelAt(image, 50, 1), ColorToRGB(clBtnFace));
}
