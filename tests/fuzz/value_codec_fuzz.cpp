// libFuzzer target: the registry value text codec in both directions.
// Input: byte 0 picks the direction and the type code; the rest is value data (decoding) or
// text (encoding: a byte below 0x80 is that character, 0x80-0xBF starts a 16-bit unit and
// 0xC0-0xFF a raw 32-bit wchar_t, both little-endian in the bytes that follow).
#include "registry/value_codec.hpp"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace setup::reg;
using Bytes = std::vector<std::uint8_t>;

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

constexpr long kTypes[] = {kString, kExpandString, kBinary, kDword, 0, 5, 7, 11, -1, 0x10001};

std::wstring_view BeforeNul(std::wstring_view text) { return text.substr(0, text.find(L'\0')); }

// Text that UTF-16 can carry: no surrogate code points and nothing past U+10FFFF.
bool IsUnicodeScalars(std::wstring_view text) {
    if constexpr (sizeof(wchar_t) == 2) return true;
    for (const wchar_t c : text) {
        const auto u = static_cast<std::uint32_t>(c);
        if (u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) return false;
    }
    return true;
}

std::size_t Utf16Units(std::wstring_view text) {
    std::size_t n = 0;
    for (const wchar_t c : text) n += static_cast<std::uint32_t>(c) > 0xFFFF && static_cast<std::uint32_t>(c) <= 0x10FFFF ? 2 : 1;
    return n;
}

int Hex(wchar_t c) {
    const std::wstring_view digits = L"0123456789abcdef";
    const wchar_t lower = (c >= L'A' && c <= L'F') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    const auto at = digits.find(lower);
    return at == std::wstring_view::npos ? -1 : static_cast<int>(at);
}

Bytes Dword(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 24)};
}

void CheckDecode(long type, std::span<const std::uint8_t> data) {
    const std::wstring text = DecodeValue(type, data);
    switch (type) {
        case kString:
        case kExpandString: {
            Check(text == DecodeText(data));
            Check(text.find(L'\0') == std::wstring::npos);
            // Writing the text back stores the data up to and with its first NUL unit.
            std::size_t units = 0;
            while (units < data.size() / 2 && (data[2 * units] | data[2 * units + 1]) != 0) ++units;
            Bytes expected(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(2 * units));
            expected.insert(expected.end(), {0, 0});
            Check(EncodeText(text) == expected);
            if (!text.empty()) Check(EncodeValue(type, text) == expected);
            else Check(units == 0);
            break;
        }
        case kBinary: {
            Check(text == FormatBinary(data));
            Check(text.size() == 3 * data.size());
            const Bytes bytes(data.begin(), data.end());
            Check(ParseBinaryText(text) == bytes);
            Check(EncodeValue(type, text) == bytes);
            break;
        }
        case kDword: {
            if (data.size() > 4) {
                Check(text.empty());
                break;
            }
            Check(text.size() >= 3 && text.size() <= 10 && text.starts_with(L"0x"));
            Check(text.size() == 3 || text[2] != L'0');
            for (std::size_t i = 2; i < text.size(); ++i) Check(Hex(text[i]) >= 0 && !(text[i] >= L'a' && text[i] <= L'f'));
            Bytes padded(data.begin(), data.end());
            padded.resize(4, 0);
            Check(EncodeValue(type, text) == padded);
            const auto value = ParseDwordText(text);
            Check(value && Dword(*value) == padded && FormatDword(*value) == text);
            break;
        }
        default:
            Check(!IsHandledType(type));
            Check(text.empty());
    }
}

void CheckBinaryText(std::wstring_view text, const std::optional<Bytes>& bytes) {
    // Pairs at 0, 3, 6, ... of the text as given, while both digits lie within the trimmed length.
    const auto first = text.find_first_not_of(L' ');
    const std::size_t length = first == std::wstring_view::npos ? 0 : text.find_last_not_of(L' ') - first + 1;
    const std::size_t pairs = length < 2 ? 0 : (length - 2) / 3 + 1;
    bool allHex = true;
    for (std::size_t i = 0; i < pairs; ++i) allHex = allHex && Hex(text[3 * i]) >= 0 && Hex(text[3 * i + 1]) >= 0;
    Check(bytes.has_value() == allHex);
    if (!bytes) return;
    Check(bytes->size() == pairs);
    for (std::size_t i = 0; i < pairs; ++i) Check((*bytes)[i] == Hex(text[3 * i]) * 16 + Hex(text[3 * i + 1]));
    Check(ParseBinaryText(FormatBinary(*bytes)) == *bytes);
}

void CheckEncode(long type, std::wstring_view given) {
    const std::wstring_view text = given.empty() ? L" " : given;
    const auto data = EncodeValue(type, given);
    switch (type) {
        case kString:
        case kExpandString: {
            Check(data == EncodeText(text));
            Check(data->size() == 2 * Utf16Units(text) + 2);
            Check(data->size() % 2 == 0 && (*data)[data->size() - 2] == 0 && data->back() == 0);
            const std::wstring back = DecodeValue(type, *data);
            if (IsUnicodeScalars(text)) {
                Check(back == BeforeNul(text));
                Check(DecodeText(EncodeText(given)) == BeforeNul(given));
            } else {
                // What cannot be carried as it is settles after one trip.
                Check(DecodeText(EncodeText(back)) == back);
            }
            break;
        }
        case kBinary: {
            const auto parsed = ParseBinaryText(text);
            Check(data == parsed);
            CheckBinaryText(text, parsed);
            if (data) Check(DecodeValue(type, *data) == FormatBinary(*data));
            break;
        }
        case kDword: {
            const auto value = ParseDwordText(text);
            Check(data.has_value() == value.has_value());
            if (!value) break;
            Check(*data == Dword(*value));
            Check(ParseDwordText(FormatDword(*value)) == value);
            Check(DecodeValue(type, *data) == FormatDword(*value));
            // Without blanks and prefix, the digits read as a number give the same value.
            std::wstring_view digits = text;
            while (!digits.empty() && digits.front() == L' ') digits.remove_prefix(1);
            while (!digits.empty() && digits.back() == L' ') digits.remove_suffix(1);
            if (digits.size() > 2 && digits[0] == L'0' && (digits[1] == L'x' || digits[1] == L'X')) digits.remove_prefix(2);
            Check(digits.size() <= 8);
            std::uint64_t v = 0;
            for (const wchar_t c : digits) {
                Check(Hex(c) >= 0);
                v = v * 16 + static_cast<std::uint64_t>(Hex(c));
            }
            Check(v == *value);
            break;
        }
        default:
            Check(!data.has_value());
    }
}

std::wstring TextFrom(const std::uint8_t* p, std::size_t n) {
    std::wstring text;
    std::size_t i = 0;
    while (i < n) {
        const std::uint8_t b = p[i++];
        if (b < 0x80) {
            text.push_back(static_cast<wchar_t>(b));
        } else if (b < 0xC0) {
            std::uint16_t unit = 0;
            const std::size_t take = std::min<std::size_t>(2, n - i);
            std::memcpy(&unit, p + i, take);
            i += take;
            text.push_back(static_cast<wchar_t>(unit));
        } else {
            std::uint32_t raw = 0;
            const std::size_t take = std::min<std::size_t>(sizeof raw, n - i);
            std::memcpy(&raw, p + i, take);
            i += take;
            text.push_back(static_cast<wchar_t>(raw));
        }
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t mode = data[0];
    const std::span<const std::uint8_t> rest(data + 1, size - 1);
    const long type = kTypes[(mode & 0x7F) % std::size(kTypes)];
    Check(IsHandledType(type) == (type >= kString && type <= kDword));
    if (mode & 0x80) {
        CheckEncode(type, TextFrom(rest.data(), rest.size()));
    } else {
        CheckDecode(type, rest);
        // An odd byte at the end is no part of the text.
        Check(DecodeText(rest) == DecodeText(rest.first(rest.size() & ~std::size_t{1})));
    }
    return 0;
}
