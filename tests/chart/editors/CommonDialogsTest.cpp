#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>

#include "EditorTestSupport.h"
#include "chart/editors/TBrushDialog.h"
#include "chart/editors/TButtonPen.h"
#include "chart/editors/TFormTeeShape.h"
#include "chart/editors/TPenDialog.h"
#include "chart/editors/TTeeGradientEditor.h"
#include "chart/editors/TeePenDlg.h"
#include "chart/engine/TChartBrush.h"
#include "chart/engine/TChartPen.h"
#include "chart/engine/TChartTitle.h"
#include "chart/engine/TCustomChart.h"
#include "chart/engine/TeCanvas.h"
#include "chart/engine/TeeColorButton.h"
#include "chart/engine/TeeGradient.h"
#include "platform/TBitmap.h"
#include "support/PixelProbe.h"
#include "support/ScriptedDialogs.h"

TEST(PenDialog, CancelRestoresEveryPropertyAndSmallDotsLocksTheWidth)
{
    int changes = 0;
    TChartPen pen([&](QObject*) { ++changes; });
    pen.SetColor(clRed);
    pen.SetWidth(2);
    pen.SetStyle(psDash);

    ColorReplies colors({clBlue});
    ModalScript script([](TTeeForm& form) {
        auto& d = static_cast<TPenDialog&>(form);
        EXPECT_EQ(d.CBStyle->count(), 6);  // "Small Dots" for chart pens
        EXPECT_EQ(d.SEWidth->value(), 2);
        d.CBVisible->setChecked(false);
        d.SEWidth->setValue(5);
        d.CBEndStyle->setCurrentIndex(2);
        d.BColor->click();
        d.CBStyle->setCurrentIndex(5);
        EXPECT_FALSE(d.SEWidth->isEnabled());
        d.CBStyle->setCurrentIndex(0);
        EXPECT_TRUE(d.SEWidth->isEnabled());
        d.CBStyle->setCurrentIndex(5);
        d.BCancel->click();
    });
    EXPECT_FALSE(EditChartPen(nullptr, &pen));
    EXPECT_EQ(script.Shown, 1);
    EXPECT_EQ(colors.Asked.size(), 1u);
    EXPECT_TRUE(pen.GetVisible());
    EXPECT_EQ(pen.GetWidth(), 2);
    EXPECT_EQ(pen.GetColor(), clRed);
    EXPECT_EQ(pen.GetStyle(), psDash);
    EXPECT_EQ(pen.GetEndStyle(), esRound);
    EXPECT_FALSE(pen.GetSmallDots());

    // OK keeps the changes; a dialog opened on small dots shows them with the width locked.
    ModalScript accept([](TTeeForm& form) {
        auto& d = static_cast<TPenDialog&>(form);
        d.CBStyle->setCurrentIndex(5);
        d.BOk->click();
    });
    EXPECT_TRUE(EditChartPen(nullptr, &pen));
    EXPECT_TRUE(pen.GetSmallDots());
    ModalScript reopen([](TTeeForm& form) {
        auto& d = static_cast<TPenDialog&>(form);
        EXPECT_EQ(d.CBStyle->currentIndex(), 5);
        EXPECT_FALSE(d.SEWidth->isEnabled());
        d.BCancel->click();
    });
    const int before = changes;
    EditChartPen(nullptr, &pen);
    EXPECT_EQ(changes, before);  // Cancel without a change touches nothing

    // Leaving by the window's close box (or Escape) cancels as well.
    ModalScript closeBox([](TTeeForm& form) {
        static_cast<TPenDialog&>(form).SEWidth->setValue(9);
        form.close();
    });
    EXPECT_FALSE(EditChartPen(nullptr, &pen));
    EXPECT_EQ(pen.GetWidth(), 2);
}

TEST(PenDialog, PlainPenHasNoVisibleBoxNorSmallDots)
{
    TPen pen;
    pen.SetStyle(psDot);
    ModalScript script([](TTeeForm& form) {
        auto& d = static_cast<TPenDialog&>(form);
        EXPECT_FALSE(d.CBVisible->isVisible());
        EXPECT_EQ(d.CBStyle->count(), 5);
        EXPECT_EQ(d.CBStyle->currentIndex(), 2);
        EXPECT_FALSE(d.BColor->isVisible());
        d.CBStyle->setCurrentIndex(4);
        d.BOk->click();
    });
    EXPECT_TRUE(EditChartPen(nullptr, &pen, true));
    EXPECT_EQ(pen.GetStyle(), psDashDotDot);
}

TEST(PenDialog, ButtonPenDrawsWidePensSixWideAndOpensTheDialog)
{
    int changes = 0;
    TChartPen pen([&](QObject*) { ++changes; });
    pen.SetColor(clRed);
    pen.SetWidth(20);
    changes = 0;
    TButtonPen button;
    button.resize(75, 25);
    button.LinkPen(&pen);

    TBitmap bitmap;
    bitmap.SetSize(75, 25);
    bitmap.Canvas()->Brush()->SetColor(clWhite);
    bitmap.Canvas()->FillRect(TRect{0, 0, 75, 25});
    TTeeCanvas3D canvas;
    canvas.SetCanvas(bitmap.Canvas());
    button.DrawSymbol(&canvas);
    const QRect drawn = support::BoundingBoxOf(bitmap.Image(), clRed);
    EXPECT_EQ(drawn.height(), 6);
    EXPECT_EQ(pen.GetWidth(), 20);
    EXPECT_EQ(changes, 0);

    int clicks = 0;
    button.OnClick = [&](QObject*) { ++clicks; };
    {
        ModalScript cancel([](TTeeForm& form) { static_cast<TPenDialog&>(form).BCancel->click(); });
        button.click();
        EXPECT_EQ(cancel.Shown, 1);
    }
    EXPECT_EQ(clicks, 0);
    ModalScript ok([](TTeeForm& form) { static_cast<TPenDialog&>(form).BOk->click(); });
    button.click();
    EXPECT_EQ(clicks, 1);
}

TEST(BrushDialog, RowsColourAndImage)
{
    QTemporaryDir dir;
    const AnsiString file = dir.filePath("pattern.png").toStdString();
    QImage picture(10, 7, QImage::Format_RGB32);
    picture.fill(Qt::green);
    ASSERT_TRUE(picture.save(QString::fromStdString(file)));

    TChartBrush brush;
    brush.SetColor(clYellow);
    brush.SetStyle(bsCross);
    auto& dialogs = support::TestDialogs();
    dialogs.Clear();
    dialogs.QueueFileName(file);
    ModalScript script([&](TTeeForm& form) {
        auto& d = static_cast<TBrushDialog&>(form);
        EXPECT_EQ(d.LStyle->count(), 27);
        EXPECT_EQ(d.LStyle->currentRow(), 6);
        EXPECT_EQ(d.Button1->text(), "B&rowse...");
        d.LStyle->setCurrentRow(1);  // "None"
        EXPECT_FALSE(d.BColor->isEnabled());
        d.LStyle->setCurrentRow(3);
        EXPECT_TRUE(d.BColor->isEnabled());
        d.LStyle->setCurrentRow(9);  // "Fill 60%": a 16 x 16 pattern picture
        ASSERT_NE(brush.StoredImage(), nullptr);
        EXPECT_EQ(brush.StoredImage()->GetWidth(), 16);
        EXPECT_EQ(d.Button1->text(), "Clea&r");
        d.Button1->click();  // clears the pattern
        EXPECT_EQ(brush.StoredImage(), nullptr);
        d.Button1->click();  // browses for the file
        ASSERT_NE(brush.StoredImage(), nullptr);
        EXPECT_EQ(brush.StoredImage()->GetWidth(), 10);
        EXPECT_EQ(brush.StoredImage()->GetHeight(), 7);
        d.Button3->click();
    });
    EXPECT_FALSE(EditChartBrush(nullptr, &brush));
    EXPECT_EQ(script.Shown, 1);
    EXPECT_EQ(brush.GetStyle(), bsCross);
    EXPECT_EQ(brush.GetColor(), clYellow);
    EXPECT_TRUE(!brush.StoredImage() || !brush.StoredImage()->GetGraphic());

    // A brush with a picture opens with no row selected.
    TBitmap pattern;
    GetTeeBrush(0, &pattern);
    brush.GetImage()->SetGraphic(&pattern);
    ModalScript reopen([](TTeeForm& form) {
        auto& d = static_cast<TBrushDialog&>(form);
        EXPECT_EQ(d.LStyle->currentRow(), -1);
        EXPECT_EQ(d.Button1->text(), "Clea&r");
        d.Button2->click();
    });
    EXPECT_TRUE(EditChartBrush(nullptr, &brush));
}

TEST(GradientEditor, PresetsDirectionsBalanceAndCancel)
{
    TTeeGradient gradient;
    gradient.SetVisible(true);
    gradient.SetStartColor(clRed);
    gradient.SetEndColor(clBlue);
    gradient.SetMidColor(clGreen);
    gradient.SetBalance(30);
    ModalScript script([&](TTeeForm& form) {
        auto& d = static_cast<TTeeGradientEditor&>(form);
        EXPECT_FALSE(d.CBMid->isChecked());
        EXPECT_EQ(d.LabelBalance->text(), "30 %");
        d.Gallery->setCurrentRow(2);  // "Hot": no middle colour
        EXPECT_TRUE(d.CBMid->isChecked());
        EXPECT_EQ(gradient.GetMidColor(), clNone);
        EXPECT_EQ(d.LabelBalance->text(), "50 %");
        d.Gallery->setCurrentRow(4);  // "Farm": balance 4
        EXPECT_EQ(d.LabelBalance->text(), "4 %");
        d.CBDirection->setCurrentIndex(int(gdRadial));
        EXPECT_TRUE(d.TrackBar1->isEnabled());
        EXPECT_FALSE(d.CBMid->isEnabled());
        d.TrackBar1->setValue(100);
        d.CBDirection->setCurrentIndex(int(gdTopBottom));
        EXPECT_FALSE(d.TrackBar1->isEnabled());
        EXPECT_TRUE(d.CBMid->isEnabled());
        d.CBVisible->setChecked(false);
        d.BCancel->click();
    });
    EXPECT_FALSE(EditTeeGradient(nullptr, &gradient));
    EXPECT_EQ(script.Shown, 1);
    EXPECT_TRUE(gradient.GetVisible());
    EXPECT_EQ(gradient.GetStartColor(), clRed);
    EXPECT_EQ(gradient.GetMidColor(), clGreen);
    EXPECT_EQ(gradient.GetEndColor(), clBlue);
    EXPECT_EQ(gradient.GetBalance(), 30);
    EXPECT_EQ(gradient.GetDirection(), gdTopBottom);
    EXPECT_EQ(gradient.GetRadialX(), 0);

    // A preset alone is a change as well: Cancel undoes it.
    ModalScript preset([](TTeeForm& form) {
        auto& d = static_cast<TTeeGradientEditor&>(form);
        d.Gallery->setCurrentRow(7);
        d.BCancel->click();
    });
    EditTeeGradient(nullptr, &gradient);
    EXPECT_EQ(preset.Shown, 1);
    EXPECT_EQ(gradient.GetStartColor(), clRed);
    EXPECT_EQ(gradient.GetDirection(), gdTopBottom);

    // The end colour of a series: its buttons are gone, the rest stays editable hidden.
    gradient.SetVisible(false);
    ModalScript series([](TTeeForm& form) {
        auto& d = static_cast<TTeeGradientEditor&>(form);
        EXPECT_FALSE(d.BEnd->isVisible());
        EXPECT_FALSE(d.CBVisible->isVisible());
        EXPECT_TRUE(d.BStart->isEnabled());
        d.BOk->click();
    });
    EXPECT_TRUE(EditTeeGradient(nullptr, &gradient, true, true));
}

TEST(ShapeEditor, PagesMoveIntoTheHostAndWriteThrough)
{
    TChart chart;
    TChartTitle* title = chart.GetTitle();
    QTabWidget host;
    host.addTab(new QWidget, "General");
    TFormTeeShape* form = InsertTeeObjectForm(&host, title);
    EXPECT_EQ(form->PC1->count(), 0);
    ASSERT_EQ(host.count(), 5);
    EXPECT_EQ(host.tabText(1), "Format");
    EXPECT_EQ(host.tabText(4), "Shadow");
    EXPECT_EQ(host.currentIndex(), 0);

    form->CBBevel->setCurrentIndex(0);
    EXPECT_FALSE(form->EBevWidth->isEnabled());
    form->CBBevel->setCurrentIndex(2);
    EXPECT_EQ(title->GetBevel(), bvRaised);
    EXPECT_TRUE(form->EBevWidth->isEnabled());
    form->EBevWidth->setValue(3);
    EXPECT_EQ(title->GetBevelWidth(), 3);
    form->CBRound->setChecked(!form->CBRound->isChecked());
    EXPECT_EQ(title->GetShapeStyle() == fosRoundRectangle, form->CBRound->isChecked());
    // The embedded gradient page edits the shape's gradient.
    form->GradientEditor->Gallery->setCurrentRow(1);
    EXPECT_EQ(title->GetGradient()->GetStartColor(), TColor(0xC0C0C0));
}
