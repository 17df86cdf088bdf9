// Metafile export checked by readers that are not ours and by our own: the channel chart, a
// pie chart and a 3D bar chart are written as enhanced and old-style metafiles, converted by
// the converters of libemf2svg (then rasterised by librsvg) and libwmf and played back by the
// program's reader, and the pictures these draw must look like the bitmap export of the same
// chart.
//
// Measure: both pictures are cut into 4 x 4 pixel blocks and each block's mean colour is
// compared; the mean of the absolute block differences (over the three channels, 0..255)
// must stay below the format's mean tolerance and the share of blocks that differ by more
// than 64 in a channel below its far tolerance. Blocks absorb the converters' smoothing and
// font hinting, while a missing or misplaced element (a legend, a filled area, a curve)
// shows in both. libwmf fits the drawn extent rather than the placeable frame into the
// picture, so lines that end a pixel beyond the frame shrink its picture by a pixel or two:
// the old-style format gets the wider tolerance.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "chart/engine/TChartLegend.h"
#include "chart/engine/TView3DOptions.h"
#include "chart/engine/TeeGradient.h"
#include "chart/series/TBarSeries.h"
#include "chart/series/TPieSeries.h"
#include "chart/storage/TeePictureFormats.h"
#include "platform/TMetafile.h"
#include "support/ChannelChartScene.h"

namespace {

struct Tolerance {
    double mean, far;
};
constexpr Tolerance kEmfTolerance{6.0, 0.02};
constexpr Tolerance kWmfTolerance{12.0, 0.04};
constexpr Tolerance kOwnTolerance{2.0, 0.005};

struct Likeness {
    double mean = 255;
    double far = 1;
};

Likeness Compare(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.isNull()) return {};
    const QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    constexpr int k = 4;
    double sum = 0;
    int blocks = 0, far = 0;
    for (int by = 0; by + k <= x.height(); by += k)
        for (int bx = 0; bx + k <= x.width(); bx += k) {
            double d[3] = {0, 0, 0};
            for (int j = 0; j < k; ++j)
                for (int i = 0; i < k; ++i) {
                    const QRgb p = x.pixel(bx + i, by + j), q = y.pixel(bx + i, by + j);
                    d[0] += qRed(p) - qRed(q);
                    d[1] += qGreen(p) - qGreen(q);
                    d[2] += qBlue(p) - qBlue(q);
                }
            double worst = 0;
            for (double& c : d) {
                c = std::fabs(c) / (k * k);
                sum += c;
                worst = std::max(worst, c);
            }
            far += worst > 64;
            ++blocks;
        }
    return {sum / (3.0 * blocks), double(far) / blocks};
}

// Runs a converter; its output is only wanted when something goes wrong.
bool Convert(const QString& program, const QStringList& arguments, QString* output)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, arguments);
    if (!p.waitForStarted(30000)) {
        *output = program + " could not be started (scripts/setup installs it)";
        return false;
    }
    const bool finished = p.waitForFinished(120000);
    *output = QString::fromLocal8Bit(p.readAll()).right(2000);
    return finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

class MetafileExport : public ::testing::Test {
protected:
    // Exports the chart both ways, converts each file and compares it with the bitmap.
    void Check(TCustomTeePanel& chart, const char* name)
    {
        const int w = chart.width(), h = chart.height();
        TBMPExportFormat bmp;
        bmp.Panel = &chart;
        const QImage reference = bmp.Bitmap()->ToImage();
        const QString base = dir.filePath(QString::fromLatin1(name));
        TEMFExportFormat emf;
        emf.Panel = &chart;
        emf.SaveToFile((base + ".emf").toStdString());
        emf.SetEnhanced(false);
        emf.SaveToFile((base + ".wmf").toStdString());

        QString out;
        ASSERT_TRUE(Convert("emf2svg-conv", {"-i", base + ".emf", "-o", base + ".svg"}, &out))
            << name << ": " << out.toStdString();
        ASSERT_TRUE(Convert(
            "rsvg-convert",
            {"-w", QString::number(w), "-h", QString::number(h), "-b", "white", "-o", base + "_emf.png", base + ".svg"},
            &out))
            << name << ": " << out.toStdString();
        ASSERT_TRUE(Convert("wmf2gd",
                            {"--maxwidth=" + QString::number(w), "--maxheight=" + QString::number(h), "--maxsize", "-t",
                             "png", "-o", base + "_wmf.png", base + ".wmf"},
                            &out))
            << name << ": " << out.toStdString();
        for (const char* kind : {"emf", "wmf"}) {
            const QImage converted(base + "_" + kind + ".png");
            ASSERT_EQ(converted.size(), QSize(w, h)) << name << " " << kind;
            const Likeness l = Compare(converted, reference);
            std::printf("%s %s: mean block difference %.2f, far blocks %.2f%%\n", name, kind, l.mean, 100 * l.far);
            const Tolerance& t = std::strcmp(kind, "emf") == 0 ? kEmfTolerance : kWmfTolerance;
            EXPECT_LT(l.mean, t.mean) << name << " " << kind;
            EXPECT_LT(l.far, t.far) << name << " " << kind;
            if (const char* keep = std::getenv("NOX_KEEP_METAFILES")) {
                // The files too, for a look in other programs.
                const QString kept = QString::fromLocal8Bit(keep) + "/" + name;
                converted.save(kept + "_" + kind + ".png");
                reference.save(kept + "_bitmap.png");
                QFile::remove(kept + "." + kind);
                QFile::copy(base + "." + kind, kept + "." + kind);
            }
        }
        // The program's own reader plays both files as the chart was drawn: hollow shapes (the
        // legend's frame, a back wall) stay hollow.
        for (const char* kind : {"emf", "wmf"}) {
            TMetafile back;
            back.LoadFromFile((base + "." + kind).toStdString());
            const Likeness l = Compare(back.ToImage(), reference);
            std::printf("%s %s played here: mean block difference %.2f, far blocks %.2f%%\n", name, kind, l.mean,
                        100 * l.far);
            EXPECT_LT(l.mean, kOwnTolerance.mean) << name << " " << kind << " played here";
            EXPECT_LT(l.far, kOwnTolerance.far) << name << " " << kind << " played here";
        }
    }

    QTemporaryDir dir;
};

}  // namespace

TEST_F(MetafileExport, ChannelChartLooksTheSameInBothFormats)
{
    scene::ChannelChart c(640, 360, 22, 1200);
    TChartLegend* legend = c.chart.GetLegend();
    legend->SetVisible(true);
    legend->SetCheckBoxes(true);
    legend->GetGradient()->SetVisible(true);
    legend->GetGradient()->SetEndColor(clSilver);
    c.chart.GetGradient()->SetVisible(true);
    c.chart.GetGradient()->SetDirection(gdBottomTop);
    c.chart.GetGradient()->SetEndColor(clSilver);
    c.series[4]->Marks()->SetVisible(true);
    c.series[4]->Marks()->SetDrawEvery(200);
    c.Paint();
    Check(c.chart, "channel");
}

TEST_F(MetafileExport, PieAndThreeDimensionalBarCharts)
{
    TChart pieChart;
    pieChart.resize(400, 300);
    auto* pie = new TPieSeries(&pieChart);
    pieChart.AddSeries(pie);
    for (double v : {30.0, 20.0, 15.0, 25.0, 10.0}) pie->Add(v);
    pieChart.Invalidate();
    pieChart.PaintWindow();
    Check(pieChart, "pie");

    TChart barChart;
    barChart.resize(480, 320);
    barChart.SetView3D(true);
    auto* bars = new TBarSeries(&barChart);
    barChart.AddSeries(bars);
    for (double v : {4.0, 7.0, 3.0, 9.0, 6.0}) bars->Add(v);
    barChart.Invalidate();
    barChart.PaintWindow();
    Check(barChart, "bar3d");
}
