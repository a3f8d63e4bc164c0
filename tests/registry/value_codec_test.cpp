#include "registry/value_codec.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace setup::reg;
using Bytes = std::vector<std::uint8_t>;

std::optional<Bytes> Binary(std::wstring_view text) { return ParseBinaryText(text); }

TEST(BinaryText, PairsBeginAtEveryThirdCharacter) {
    EXPECT_EQ(Binary(L"01 FF 0A"), (Bytes{1, 255, 10}));
    EXPECT_EQ(Binary(L"01FF0A"), (Bytes{1, 240}));
    EXPECT_EQ(Binary(L"ab-cD_eF"), (Bytes{0xAB, 0xCD, 0xEF}));
}

TEST(BinaryText, LengthIsMeasuredWithoutSurroundingBlanks) {
    // What reading yields writes back the same bytes: the trailing blank falls away.
    EXPECT_EQ(Binary(L"01 FF 0A "), (Bytes{1, 255, 10}));
    EXPECT_EQ(Binary(L"01 FF 0A     "), (Bytes{1, 255, 10}));
    // A lone digit at the end makes no pair.
    EXPECT_EQ(Binary(L"01 F"), (Bytes{1}));
    EXPECT_EQ(Binary(L" "), Bytes{});
    EXPECT_EQ(Binary(L""), Bytes{});
    // Leading blanks count in the positions, so the first pair is " 0".
    EXPECT_EQ(Binary(L" 01"), std::nullopt);
}

TEST(BinaryText, RefusesPairsThatAreNotHex) {
    EXPECT_EQ(Binary(L"0G"), std::nullopt);
    EXPECT_EQ(Binary(L"01 FF zz"), std::nullopt);
    EXPECT_EQ(Binary(L"+1"), std::nullopt);
    EXPECT_EQ(Binary(L"01 中文"), std::nullopt);
}

TEST(BinaryText, FormatsEachByteAsTwoUpperDigitsAndABlank) {
    EXPECT_EQ(FormatBinary(Bytes{1, 255, 10}), L"01 FF 0A ");
    EXPECT_EQ(FormatBinary(Bytes{}), L"");
    Bytes all(256);
    for (int i = 0; i < 256; ++i) all[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    EXPECT_EQ(Binary(FormatBinary(all)), all);
}

TEST(DwordText, ParsesOneToEightHexDigits) {
    EXPECT_EQ(ParseDwordText(L"1A"), 26u);
    EXPECT_EQ(ParseDwordText(L"1a"), 26u);
    EXPECT_EQ(ParseDwordText(L"  1A  "), 26u);
    EXPECT_EQ(ParseDwordText(L"FFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseDwordText(L"00000000"), 0u);
    EXPECT_EQ(ParseDwordText(L" "), 0u);
    EXPECT_EQ(ParseDwordText(L""), 0u);
}

TEST(DwordText, AcceptsWhatFormattingYields) {
    for (const std::uint32_t v : {0u, 1u, 26u, 0x80000000u, 0xFFFFFFFFu}) {
        EXPECT_EQ(ParseDwordText(FormatDword(v)), v) << v;
    }
    EXPECT_EQ(ParseDwordText(L"0X1a"), 26u);
}

TEST(DwordText, RefusesEverythingElse) {
    for (const wchar_t* text : {L"123456789", L"0x123456789", L"0x", L"-1", L"+1", L"1 2", L"G", L"1A h",
                                L"x1", L"0x 1", L"１"}) {
        EXPECT_EQ(ParseDwordText(text), std::nullopt) << text;
    }
}

TEST(DwordText, FormatsWithoutLeadingZeros) {
    EXPECT_EQ(FormatDword(26), L"0x1A");
    EXPECT_EQ(FormatDword(0), L"0x0");
    EXPECT_EQ(FormatDword(0xFFFFFFFF), L"0xFFFFFFFF");
    EXPECT_EQ(FormatDword(0x00010000), L"0x10000");
}

TEST(TextData, IsUtf16WithATerminatingNul) {
    EXPECT_EQ(EncodeText(L"A中"), (Bytes{0x41, 0, 0x2D, 0x4E, 0, 0}));
    EXPECT_EQ(EncodeText(L""), (Bytes{0, 0}));
    // U+1F600 as a surrogate pair whatever the width of wchar_t.
    const std::wstring smile = DecodeText(Bytes{0x3D, 0xD8, 0x00, 0xDE, 0, 0});
    EXPECT_EQ(EncodeText(smile), (Bytes{0x3D, 0xD8, 0x00, 0xDE, 0, 0}));
    EXPECT_EQ(smile.size(), sizeof(wchar_t) == 2 ? 2u : 1u);
}

TEST(TextData, UnpairedSurrogatesSurviveBothWays) {
    // Data need not be valid UTF-16; what is read writes back the same units.
    for (const Bytes& data : {Bytes{0x00, 0xD8, 0x41, 0x00, 0x00, 0xDC, 0, 0},  // high, A, low
                              Bytes{0x00, 0xDC, 0x00, 0xD8, 0, 0},              // low before high
                              Bytes{0x41, 0x00, 0x3D, 0xD8, 0, 0},              // high, then the NUL
                              Bytes{0x41, 0x00, 0x3D, 0xD8}}) {                 // high as the last unit
        Bytes expected = data;
        if (expected.back() != 0 || expected[expected.size() - 2] != 0) expected.insert(expected.end(), {0, 0});
        EXPECT_EQ(EncodeText(DecodeText(data)), expected);
        EXPECT_EQ(EncodeValue(kString, DecodeValue(kString, data)), expected);
    }
}

TEST(TextData, ReadsTheTextBeforeTheFirstNul) {
    EXPECT_EQ(DecodeText(Bytes{0x61, 0, 0x62, 0, 0, 0, 0x63, 0}), L"ab");
    EXPECT_EQ(DecodeText(Bytes{0x61, 0, 0x62, 0}), L"ab");  // no terminator at all
    EXPECT_EQ(DecodeText(Bytes{0x61, 0, 0x62}), L"a");      // odd byte left over
    EXPECT_EQ(DecodeText(Bytes{0, 0, 0x61, 0}), L"");
    EXPECT_EQ(DecodeText(Bytes{}), L"");
}

TEST(TextData, LongAndChineseTextsSurviveBothWays) {
    std::wstring text(5000, L'x');
    text += L"安装向导准备开始";
    EXPECT_EQ(DecodeText(EncodeText(text)), text);
}

TEST(Value, EmptyTextStandsForABlankWhateverTheType) {
    EXPECT_EQ(EncodeValue(kString, L""), EncodeText(L" "));
    EXPECT_EQ(EncodeValue(kExpandString, L""), EncodeText(L" "));
    EXPECT_EQ(EncodeValue(kBinary, L""), Bytes{});
    EXPECT_EQ(EncodeValue(kDword, L""), (Bytes{0, 0, 0, 0}));
}

TEST(Value, RefusesOtherTypes) {
    for (const long type : {0L, 5L, 7L, 11L, -1L, 0x10001L}) {
        EXPECT_FALSE(IsHandledType(type)) << type;
        EXPECT_EQ(EncodeValue(type, L"01"), std::nullopt) << type;
        EXPECT_EQ(DecodeValue(type, Bytes{0x61, 0, 0, 0}), L"") << type;
    }
}

TEST(Value, DwordDataOfAnotherSize) {
    EXPECT_EQ(DecodeValue(kDword, Bytes{0x34, 0x12}), L"0x1234");
    EXPECT_EQ(DecodeValue(kDword, Bytes{}), L"0x0");
    EXPECT_EQ(DecodeValue(kDword, Bytes{1, 0, 0, 0, 0}), L"");
}

}  // namespace
