#include "wizard/install_plan.hpp"

#include <gtest/gtest.h>

using setup::DestinationFolder;
using setup::SourceFolder;

TEST(DestinationFolder, DropsTheDelimitersAndTheBlanksInsideThem) {
    EXPECT_EQ(DestinationFolder(L"\"C:\\Program Files\\Tess\""), L"C:\\Program Files\\Tess\\coon\\");
    EXPECT_EQ(DestinationFolder(L"\"  C:\\Tess \""), L"C:\\Tess\\coon\\");
    // Blanks outside the delimiters are part of what gets dropped first.
    EXPECT_EQ(DestinationFolder(L" C:\\Tess \""), L"C:\\Tess\\coon\\");
}

TEST(DestinationFolder, CutsUndelimitedPathsAllTheSame) {
    EXPECT_EQ(DestinationFolder(L"C:\\Tess"), L":\\Tes\\coon\\");
    EXPECT_EQ(DestinationFolder(L"ab"), L"\\coon\\");
    EXPECT_EQ(DestinationFolder(L"\"C:\\Tess\\\""), L"C:\\Tess\\\\coon\\");
}

TEST(DestinationFolder, RefusesValuesTooShortForTheDelimiters) {
    EXPECT_EQ(DestinationFolder(L""), std::nullopt);
    EXPECT_EQ(DestinationFolder(L"x"), std::nullopt);
}

TEST(SourceFolder, ComparesVersionsExactly) {
    EXPECT_EQ(SourceFolder(L"D:\\m", L"2.1", L"2.1"), L"D:\\m\\zrv\\class\\");
    EXPECT_EQ(SourceFolder(L"D:\\m", L"", L""), L"D:\\m\\zrv\\class\\");
    EXPECT_EQ(SourceFolder(L"D:\\m", L"2.1 ", L"2.1"), L"D:\\m\\zrv\\upgrade\\");
    EXPECT_EQ(SourceFolder(L"D:\\m", L"v2", L"V2"), L"D:\\m\\zrv\\upgrade\\");
    EXPECT_EQ(SourceFolder(L"D:\\m", L"", L"2.1"), L"D:\\m\\zrv\\upgrade\\");
    EXPECT_EQ(SourceFolder(L"D:\\", L"", L""), L"D:\\\\zrv\\class\\");
}
