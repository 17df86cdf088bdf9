#include "support/GoldenImage.h"

#include <QDir>
#include <QFileInfo>
#include <cstdlib>
#include <cstring>

namespace support {

::testing::AssertionResult CompareWithGolden(const QImage& actualIn, const std::string& goldenPath, int tolerance,
                                             int maxDifferentPixels)
{
    const QImage actual = actualIn.convertToFormat(QImage::Format_RGB32);
    const QString path = QString::fromStdString(goldenPath);
    const char* update = std::getenv("NOX_UPDATE_GOLDEN");
    if (update && std::strcmp(update, "1") == 0) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (!actual.save(path, "PNG")) return ::testing::AssertionFailure() << "cannot write golden " << goldenPath;
        return ::testing::AssertionSuccess() << "golden rewritten";
    }
    QImage golden;
    if (!golden.load(path))
        return ::testing::AssertionFailure()
               << "no golden image " << goldenPath << " (run with NOX_UPDATE_GOLDEN=1 to create it)";
    golden = golden.convertToFormat(QImage::Format_RGB32);
    int different = 0;
    QImage diff;
    if (golden.size() == actual.size()) {
        diff = QImage(actual.size(), QImage::Format_RGB32);
        for (int y = 0; y < actual.height(); ++y)
            for (int x = 0; x < actual.width(); ++x) {
                const QRgb a = actual.pixel(x, y), g = golden.pixel(x, y);
                const bool same = std::abs(qRed(a) - qRed(g)) <= tolerance &&
                                  std::abs(qGreen(a) - qGreen(g)) <= tolerance &&
                                  std::abs(qBlue(a) - qBlue(g)) <= tolerance;
                if (!same) ++different;
                const int grey = 192 + qGray(g) / 4;
                diff.setPixel(x, y, same ? qRgb(grey, grey, grey) : qRgb(255, 0, 0));
            }
        if (different <= maxDifferentPixels) return ::testing::AssertionSuccess();
    }
    const QString outDir = QDir::current().absoluteFilePath("golden-failures");
    QDir().mkpath(outDir);
    const QString base = QFileInfo(path).completeBaseName();
    actual.save(outDir + "/" + base + ".actual.png", "PNG");
    if (!diff.isNull()) diff.save(outDir + "/" + base + ".diff.png", "PNG");
    auto failure = ::testing::AssertionFailure();
    if (golden.size() != actual.size())
        failure << "size " << actual.width() << "x" << actual.height() << " differs from the golden " << golden.width()
                << "x" << golden.height();
    else
        failure << different << " pixels differ from " << goldenPath;
    failure << "; actual and diff written to " << outDir.toStdString();
    return failure;
}

}  // namespace support
