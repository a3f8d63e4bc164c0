#include "ui/colour_contrast.hpp"

#include <gtest/gtest.h>

namespace {

using setup::ui::ContrastRatio;
using setup::ui::Readable;
using setup::ui::Rgb;

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBlack{0, 0, 0};

TEST(ColourContrast, RunsFromNoneToBlackOnWhiteWhicheverIsTheText) {
    EXPECT_NEAR(ContrastRatio(kBlack, kWhite), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(kWhite, kBlack), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(kWhite, kWhite), 1.0, 1e-9);
    EXPECT_NEAR(ContrastRatio({128, 128, 128}, kWhite), 3.95, 0.01);
    EXPECT_NEAR(ContrastRatio({0, 0, 255}, kWhite), 8.59, 0.01);
}

// The design's white labels: dark system texts can be read on them, the light texts of a
// high-contrast black scheme and mid greys cannot.
TEST(ColourContrast, TellsTheTextsTheDesignsWhiteCanCarry) {
    EXPECT_TRUE(Readable(kBlack, kWhite));
    EXPECT_TRUE(Readable({0, 0, 128}, kWhite));
    EXPECT_TRUE(Readable({118, 118, 118}, kWhite));
    EXPECT_FALSE(Readable({119, 119, 119}, kWhite));
    EXPECT_FALSE(Readable(kWhite, kWhite));
    EXPECT_FALSE(Readable({255, 255, 0}, kWhite));  // the yellow of a high-contrast scheme
}

}  // namespace
