#include "launcher/product_info.hpp"

#include <gtest/gtest.h>

#include <string>

using setup::ApplyProductLines;
using setup::ProductLineSplitter;
using setup::SplitProductLines;
using Lines = std::vector<std::string>;

TEST(ProductLines, TerminatorsEndLinesOnlyAtCarriageReturn) {
    EXPECT_EQ(SplitProductLines(""), Lines{});
    EXPECT_EQ(SplitProductLines("a\r\nb\r\nc\r\n"), (Lines{"a", "b", "c"}));
    EXPECT_EQ(SplitProductLines("a\rb\rc"), (Lines{"a", "b", "c"}));
    // A bare line feed is text, so the whole file is one line.
    EXPECT_EQ(SplitProductLines("a\nb\nc\n"), (Lines{"a\nb\nc\n"}));
    EXPECT_EQ(SplitProductLines("a\r\r\nb"), (Lines{"a", "", "b"}));
    EXPECT_EQ(SplitProductLines("\r\n"), (Lines{""}));
    EXPECT_EQ(SplitProductLines("a\n\r\n"), (Lines{"a\n"}));
}

TEST(ProductLines, BlanksAreKept) {
    EXPECT_EQ(SplitProductLines("  name \r\n\t1.0 \r\n"), (Lines{"  name ", "\t1.0 "}));
}

TEST(ProductLines, OnlyTheFirstFiveLinesAreKept) {
    EXPECT_EQ(SplitProductLines("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7"), (Lines{"1", "2", "3", "4", "5"}));
}

TEST(ProductLines, FortyThousandLinesReadWithoutError) {
    std::string big;
    for (int i = 0; i < 40000; ++i) big += "line " + std::to_string(i) + "\r\n";
    EXPECT_EQ(SplitProductLines(big), (Lines{"line 0", "line 1", "line 2", "line 3", "line 4"}));
}

TEST(ProductLines, SplitsTheSameWhateverTheChunking) {
    const std::string text = "name\r\nx\r\n1.2\r\nmark\rlast\r\n";
    const Lines whole = SplitProductLines(text);
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        ProductLineSplitter s;
        s.Feed(std::string_view(text).substr(0, cut));
        s.Feed(std::string_view(text).substr(cut));
        s.Finish();
        EXPECT_EQ(s.Lines(), whole) << "cut at " << cut;
    }
}

TEST(ProductLines, ReportsFullOnceFiveLinesAreComplete) {
    ProductLineSplitter s;
    s.Feed("1\r2\r3\r4\r5");
    EXPECT_FALSE(s.Full());  // the fifth line may still grow
    s.Feed("5\r");
    EXPECT_TRUE(s.Full());
    s.Feed("6\r");
    EXPECT_EQ(s.Lines().back(), "55");
}

TEST(ProductLines, ALaterLoadKeepsEntriesTheFileLacks) {
    std::array<std::string, setup::kProductLineCount> window{};
    ApplyProductLines(window, SplitProductLines("a\r\nb\r\nc\r\n"));
    EXPECT_EQ(window, (std::array<std::string, 5>{"a", "b", "c", "", ""}));
    ApplyProductLines(window, SplitProductLines("1\r\n2\r\n3\r\n4\r\n5\r\n"));
    ApplyProductLines(window, SplitProductLines("x\r\ny\r\nz\r\n"));
    EXPECT_EQ(window, (std::array<std::string, 5>{"x", "y", "z", "4", "5"}));
    ApplyProductLines(window, SplitProductLines(""));
    EXPECT_EQ(window, (std::array<std::string, 5>{"x", "y", "z", "4", "5"}));
}
