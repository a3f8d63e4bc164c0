#include "launcher/product_info_text.hpp"

#include <gtest/gtest.h>

#include <string>

using setup::DecodeProductLines;
using setup::ProductInfoDecoder;
using setup::ProductTextEncoding;
using Lines = std::vector<std::string>;

using namespace std::string_literals;

namespace {

// UTF-16LE bytes of ASCII and BMP text given as code points.
std::string Utf16Le(std::u16string_view text) {
    std::string out;
    for (const char16_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

const std::string kUtf8Mark = "\xEF\xBB\xBF";
const std::string kUtf16Mark = "\xFF\xFE";

}  // namespace

TEST(ProductInfoText, WithoutAMarkTheBytesStayCodePage936) {
    // 泰索 in code page 936, and a file that merely starts like a mark.
    const auto plain = DecodeProductLines("\xCC\xA9\xCB\xF7\r\n2.1\r\n");
    EXPECT_EQ(plain.encoding, ProductTextEncoding::kCodePage936);
    EXPECT_EQ(plain.lines, (Lines{"\xCC\xA9\xCB\xF7", "2.1"}));
    EXPECT_EQ(DecodeProductLines("\xEF\xBB").lines, (Lines{"\xEF\xBB"}));
    EXPECT_EQ(DecodeProductLines("\xEF\xBBx\r\n").lines, (Lines{"\xEF\xBBx"}));
    EXPECT_EQ(DecodeProductLines("\xFF").lines, (Lines{"\xFF"}));
    EXPECT_EQ(DecodeProductLines("\xFE\xFF\0a"s).encoding, ProductTextEncoding::kCodePage936);
    EXPECT_EQ(DecodeProductLines("").lines, Lines{});
}

TEST(ProductInfoText, AUtf8MarkIsDroppedAndTheRestIsUtf8) {
    // 泰索瓦林课堂 in UTF-8.
    const std::string name = "\xE6\xB3\xB0\xE7\xB4\xA2\xE7\x93\xA6\xE6\x9E\x97\xE8\xAF\xBE\xE5\xA0\x82";
    const auto d = DecodeProductLines(kUtf8Mark + name + "\r\n\r\n2.1\r\nTVC-2.1\r\n");
    EXPECT_EQ(d.encoding, ProductTextEncoding::kUtf8);
    EXPECT_EQ(d.lines, (Lines{name, "", "2.1", "TVC-2.1"}));
    // Only one mark is dropped; a second is text.
    EXPECT_EQ(DecodeProductLines(kUtf8Mark + kUtf8Mark + "a").lines, (Lines{kUtf8Mark + "a"}));
    EXPECT_EQ(DecodeProductLines(kUtf8Mark).lines, Lines{});
}

TEST(ProductInfoText, AUtf16LeMarkTurnsTheRestIntoUtf8Lines) {
    const auto d = DecodeProductLines(kUtf16Mark + Utf16Le(u"\u6CF0\u7D22\r\n\r\n2.1\r\nTVC\rlast\r\nsixth\r\n"));
    EXPECT_EQ(d.encoding, ProductTextEncoding::kUtf16Le);
    EXPECT_EQ(d.lines, (Lines{"\xE6\xB3\xB0\xE7\xB4\xA2", "", "2.1", "TVC", "last"}));
    // A bare line feed is text here too.
    EXPECT_EQ(DecodeProductLines(kUtf16Mark + Utf16Le(u"a\nb")).lines, (Lines{"a\nb"}));
    // U+0080, U+07FF and U+FFFF at the edges of the UTF-8 lengths.
    EXPECT_EQ(DecodeProductLines(kUtf16Mark + Utf16Le(u"\u0080\u07FF\uFFFF")).lines,
              (Lines{"\xC2\x80\xDF\xBF\xEF\xBF\xBF"}));
}

TEST(ProductInfoText, BrokenUtf16BecomesReplacementCharacters) {
    const std::string replacement = "\xEF\xBF\xBD";
    // U+1F600 as a surrogate pair.
    EXPECT_EQ(DecodeProductLines(kUtf16Mark + Utf16Le(u"\xD83D\xDE00")).lines, (Lines{"\xF0\x9F\x98\x80"}));
    // A high surrogate without its low one, a lone low one, and one cut off at the end.
    EXPECT_EQ(DecodeProductLines(kUtf16Mark + Utf16Le(u"\xD83Dx\xDE00\r\n\xD83D")).lines,
              (Lines{replacement + "x" + replacement, replacement}));
    // An odd number of bytes: the last one is half a character.
    EXPECT_EQ(DecodeProductLines(kUtf16Mark + Utf16Le(u"ab") + "c").lines, (Lines{"ab" + replacement}));
    // NULs are characters like any other.
    EXPECT_EQ(DecodeProductLines(kUtf16Mark + std::string("a\0\0\0b\0", 6)).lines, (Lines{std::string("a\0b", 3)}));
}

TEST(ProductInfoText, DecodesTheSameWhateverTheChunking) {
    const std::string files[] = {
        kUtf16Mark + Utf16Le(u"\u6CF0\xD83D\xDE00\r\nx\r\n2.1\r\nTVC\rlast\r\nmore"),
        kUtf8Mark + "\xE6\xB3\xB0\r\nx\r\n2.1",
        "\xEF\xBB\r\nx",
        "\xFF\r\nx\r\n",
    };
    for (const auto& text : files) {
        const auto whole = DecodeProductLines(text);
        for (std::size_t cut = 0; cut <= text.size(); ++cut) {
            for (std::size_t cut2 = cut; cut2 <= text.size(); cut2 += 3) {
                ProductInfoDecoder d;
                d.Feed(std::string_view(text).substr(0, cut));
                d.Feed(std::string_view(text).substr(cut, cut2 - cut));
                d.Feed(std::string_view(text).substr(cut2));
                d.Finish();
                ASSERT_EQ(d.Encoding(), whole.encoding) << "cuts at " << cut << ", " << cut2;
                ASSERT_EQ(d.Lines(), whole.lines) << "cuts at " << cut << ", " << cut2;
            }
        }
    }
}

TEST(ProductInfoText, StopsOnceFiveLinesAreComplete) {
    ProductInfoDecoder d;
    d.Feed(kUtf16Mark + Utf16Le(u"1\r2\r3\r4\r5\r"));
    EXPECT_TRUE(d.Full());
    d.Feed(Utf16Le(u"6\r"));
    d.Finish();
    EXPECT_EQ(d.Lines(), (Lines{"1", "2", "3", "4", "5"}));
}
