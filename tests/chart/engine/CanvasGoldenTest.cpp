// A small scene drawn through the chart canvas, flat and in the oblique 3D view, compared
// with golden images (refresh with NOX_UPDATE_GOLDEN=1 after an intended change).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include "chart/engine/TeCanvas.h"

#include "support/GoldenImage.h"

namespace {

QImage DrawScene(bool is3D)
{
    TBitmap window;
    window.SetSize(160, 110);
    TView3DOptions options(nullptr);
    TTeeCanvas3D canvas;
    const TRect r = canvas.InitWindow(window.Canvas(), &options, clWhite, is3D, TRect(0, 0, 160, 110));
    canvas.Projection(24, r, TRect(10, 10, 150, 100));
    canvas.ResetState();
    canvas.Brush->SetColor(RGB(250, 250, 240));
    canvas.FillRect(r);

    TChartPen frame;
    frame.SetColor(clNavy);
    TChartBrush wall;
    wall.SetColor(RGB(220, 230, 250));
    canvas.AssignVisiblePen(&frame);
    canvas.AssignBrush(&wall, clNone);
    canvas.RectangleWithZ(TRect(20, 20, 140, 90), 24);

    TChartBrush bar;
    bar.SetColor(clRed);
    bar.SetStyle(bsDiagCross);
    canvas.AssignBrush(&bar, clYellow);
    canvas.RectangleWithZ(TRect(30, 50, 60, 90), 0);

    TChartPen dashed;
    dashed.SetColor(clGreen);
    dashed.SetStyle(psDash);
    canvas.AssignVisiblePen(&dashed);
    canvas.MoveTo3D(20, 40, 0);
    canvas.LineTo3D(140, 40, 0);
    canvas.ZLine3D(140, 90, 0, 24);

    TChartPen wide;
    wide.SetColor(clPurple);
    wide.SetWidth(4);
    wide.SetEndStyle(esFlat);
    canvas.AssignVisiblePen(&wide);
    canvas.MoveTo3D(70, 80, 12);
    canvas.LineTo3D(130, 55, 12);

    TTeeFont font;
    font.SetColor(clMaroon);
    font.SetStyle(fsBold);
    canvas.AssignFont(&font);
    canvas.SetBackMode(cbmTransparent);
    canvas.SetTextAlign(TA_CENTER);
    const TPoint label = canvas.Calculate3DPosition(80, 24, 0);
    canvas.TextOut(label.X, label.Y, "Chart 42");

    TChartPen cursor;
    cursor.SetColor(clWhite);
    cursor.SetMode(pmXor);
    canvas.AssignVisiblePen(&cursor);
    canvas.DoVertLine(100, 5, 105);
    canvas.DoHorizLine(5, 155, 70);

    canvas.ShowImage(window.Canvas(), window.Canvas(), TRect(0, 0, 160, 110));
    return window.ToImage();
}

}  // namespace

TEST(CanvasGolden, FlatScene)
{
    EXPECT_MATCHES_GOLDEN(DrawScene(false), "canvas_scene_flat.png");
}

TEST(CanvasGolden, ObliqueScene)
{
    EXPECT_MATCHES_GOLDEN(DrawScene(true), "canvas_scene_oblique.png");
}

TEST(CanvasGolden, AMismatchFailsAndLeavesTheActualAndADiffImage)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage golden(8, 8, QImage::Format_RGB32);
    golden.fill(0xFFFFFFFFu);
    const QString path = dir.filePath("probe_golden.png");
    ASSERT_TRUE(golden.save(path, "PNG"));
    EXPECT_TRUE(support::CompareWithGolden(golden, path.toStdString()));

    QImage changed = golden;
    changed.setPixel(3, 4, 0xFF000000u);
    if (qEnvironmentVariableIsSet("NOX_UPDATE_GOLDEN")) GTEST_SKIP() << "golden files are being rewritten";
    EXPECT_FALSE(support::CompareWithGolden(changed, path.toStdString()));
    EXPECT_TRUE(support::CompareWithGolden(changed, path.toStdString(), 0, 1));
    const QString out = QDir::current().absoluteFilePath("golden-failures/probe_golden");
    EXPECT_TRUE(QFile::exists(out + ".actual.png"));
    QImage diff(out + ".diff.png");
    ASSERT_FALSE(diff.isNull());
    EXPECT_EQ(diff.pixel(3, 4), qRgb(255, 0, 0));
    EXPECT_NE(diff.pixel(0, 0), qRgb(255, 0, 0));
    QFile::remove(out + ".actual.png");
    QFile::remove(out + ".diff.png");
}
