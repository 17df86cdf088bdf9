#pragma once
// Golden-image comparison. A golden PNG lives in tests/data/golden/. On a mismatch the
// actual image and a difference image (red where pixels differ) are written next to the
// test executable's working directory under golden-failures/. Golden files are rewritten
// only on request: NOX_UPDATE_GOLDEN=1 in the environment.
#include <gtest/gtest.h>

#include <QImage>
#include <string>

namespace support {

// Pixels whose channels all lie within tolerance of the golden one count as equal; up to
// maxDifferentPixels unequal pixels are accepted.
::testing::AssertionResult CompareWithGolden(const QImage& actual, const std::string& goldenPath, int tolerance = 0,
                                             int maxDifferentPixels = 0);

}  // namespace support

#define EXPECT_MATCHES_GOLDEN(image, name) \
    EXPECT_TRUE(::support::CompareWithGolden((image), std::string(NOX_TEST_DATA_DIR) + "/golden/" + (name)))
