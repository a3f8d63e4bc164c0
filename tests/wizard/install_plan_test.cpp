#include "wizard/install_plan.hpp"

#include "platform/mapped_drive.hpp"

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

TEST(IsUsableDestination, TakesFullyQualifiedFolders) {
    using setup::IsUsableDestination;
    for (const wchar_t* path : {L"C:\\Tess\\coon\\", L"c:/Program Files/Tess\\coon\\", L"C:\\Tess\\\\\\coon\\",
                                L"C:\\\\coon\\", L"\\\\server\\share\\coon\\", L"//server/share/coon\\",
                                L"\\\\?\\C:\\Tess\\coon\\", L"Z:\\a b\\..\\c.d\\coon\\"}) {
        EXPECT_TRUE(IsUsableDestination(path)) << testing::PrintToString(std::wstring(path));
    }
}

TEST(IsUsableDestination, RefusesRelativeDeviceAndIllegalPaths) {
    using setup::IsUsableDestination;
    const wchar_t* const paths[] = {
        L"\\coon\\", L"coon\\", L"Tess\\coon\\", L"C:coon\\", L":\\Tes\\coon\\", L"1:\\coon\\", L"",
        L"\\\\server\\coon\\", L"\\\\server\\share", L"\\\\\\share\\coon\\", L"\\\\server\\\\coon\\",
        L"\\\\.\\C:\\coon\\",
        L"\\\\?\\UNC\\server\\share\\coon\\", L"\\\\?\\C:/coon\\", L"//?/C:/coon\\", L"\\??\\C:\\coon\\",
        L"C:\\a|b\\coon\\", L"C:\\a*\\coon\\", L"C:\\a?\\coon\\", L"C:\\<a>\\coon\\", L"C:\\\"a\"\\coon\\",
        L"C:\\a:stream\\coon\\", L"C:\\a\tb\\coon\\", L"\\\\ser|ver\\share\\coon\\",
    };
    for (const wchar_t* path : paths) {
        EXPECT_FALSE(IsUsableDestination(path)) << testing::PrintToString(std::wstring(path));
    }
    EXPECT_FALSE(IsUsableDestination(std::wstring(L"C:\\a\0b\\coon\\", 12)));
}

// Started from a drive the elevated program can't see: the medium is read from the share the
// user maps the letter to.
TEST(FolderOnShare, PutsTheShareInPlaceOfTheDrive) {
    using setup::FolderOnShare;
    EXPECT_EQ(FolderOnShare(L"Z:\\media\\tess", L"\\\\srv\\dist"), L"\\\\srv\\dist\\media\\tess");
    EXPECT_EQ(FolderOnShare(L"z:\\", L"\\\\srv\\dist\\"), L"\\\\srv\\dist");
    for (const wchar_t* remote : {L"", L"\\\\srv", L"\\\\srv\\", L"\\\\\\dist", L"C:\\dist"})
        EXPECT_EQ(FolderOnShare(L"Z:\\m", remote), std::nullopt) << testing::PrintToString(std::wstring(remote));
}
