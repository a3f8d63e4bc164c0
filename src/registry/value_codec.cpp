#include "registry/value_codec.hpp"

namespace setup::reg {
namespace {

constexpr wchar_t kDigits[] = L"0123456789ABCDEF";

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;
}

std::wstring_view TrimBlanks(std::wstring_view text) {
    const auto first = text.find_first_not_of(L' ');
    if (first == std::wstring_view::npos) return {};
    return text.substr(first, text.find_last_not_of(L' ') - first + 1);
}

void PushUnit(std::vector<std::uint8_t>& out, std::uint32_t unit) {
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
}

}  // namespace

bool IsHandledType(long type) { return type == kString || type == kExpandString || type == kBinary || type == kDword; }

// wchar_t is UTF-16 on Windows and UTF-32 elsewhere; both map onto UTF-16 data.
std::wstring DecodeText(std::span<const std::uint8_t> data) {
    std::wstring text;
    const std::size_t units = data.size() / 2;
    text.reserve(units);
    for (std::size_t i = 0; i < units; ++i) {
        std::uint32_t unit = data[2 * i] | (data[2 * i + 1] << 8);
        if (unit == 0) break;
        if constexpr (sizeof(wchar_t) >= 4) {
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units) {
                const std::uint32_t low = data[2 * i + 2] | (data[2 * i + 3] << 8);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    ++i;
                }
            }
        }
        text.push_back(static_cast<wchar_t>(unit));
    }
    return text;
}

std::vector<std::uint8_t> EncodeText(std::wstring_view text) {
    std::vector<std::uint8_t> data;
    data.reserve(2 * text.size() + 2);
    for (const wchar_t c : text) {
        const auto unit = static_cast<std::uint32_t>(c);
        if (unit > 0xFFFF && unit <= 0x10FFFF) {
            PushUnit(data, 0xD800 + ((unit - 0x10000) >> 10));
            PushUnit(data, 0xDC00 + ((unit - 0x10000) & 0x3FF));
        } else if (unit > 0x10FFFF) {
            PushUnit(data, 0xFFFD);
        } else {
            PushUnit(data, unit);
        }
    }
    PushUnit(data, 0);
    return data;
}

std::optional<std::vector<std::uint8_t>> ParseBinaryText(std::wstring_view text) {
    // The length is measured without the blanks but the pairs are taken from the text as
    // given, so the trailing blank that FormatBinary leaves falls away.
    const std::size_t length = TrimBlanks(text).size();
    std::vector<std::uint8_t> bytes;
    for (std::size_t p = 0; p + 1 < length; p += 3) {
        const int high = HexDigit(text[p]);
        const int low = HexDigit(text[p + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

std::wstring FormatBinary(std::span<const std::uint8_t> bytes) {
    std::wstring text;
    text.reserve(3 * bytes.size());
    for (const std::uint8_t b : bytes) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 0xF]);
        text.push_back(L' ');
    }
    return text;
}

std::optional<std::uint32_t> ParseDwordText(std::wstring_view text) {
    std::wstring_view digits = TrimBlanks(text);
    if (digits.empty()) return 0u;
    if (digits.size() > 2 && digits[0] == L'0' && (digits[1] == L'x' || digits[1] == L'X')) {
        digits.remove_prefix(2);
    }
    if (digits.empty() || digits.size() > 8) return std::nullopt;
    std::uint32_t value = 0;
    for (const wchar_t c : digits) {
        const int d = HexDigit(c);
        if (d < 0) return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(d);
    }
    return value;
}

std::wstring FormatDword(std::uint32_t value) {
    std::wstring digits;
    do {
        digits.insert(digits.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return L"0x" + digits;
}

std::optional<std::vector<std::uint8_t>> EncodeValue(long type, std::wstring_view text) {
    if (text.empty()) text = L" ";
    switch (type) {
        case kString:
        case kExpandString:
            return EncodeText(text);
        case kBinary:
            return ParseBinaryText(text);
        case kDword: {
            const auto value = ParseDwordText(text);
            if (!value) return std::nullopt;
            return std::vector<std::uint8_t>{static_cast<std::uint8_t>(*value), static_cast<std::uint8_t>(*value >> 8),
                                             static_cast<std::uint8_t>(*value >> 16),
                                             static_cast<std::uint8_t>(*value >> 24)};
        }
        default:
            return std::nullopt;
    }
}

std::wstring DecodeValue(long type, std::span<const std::uint8_t> data) {
    switch (type) {
        case kString:
        case kExpandString:
            return DecodeText(data);
        case kBinary:
            return FormatBinary(data);
        case kDword: {
            // Shorter data is taken as the low bytes; longer data does not fit the 32 bits.
            if (data.size() > 4) return {};
            std::uint32_t value = 0;
            for (std::size_t i = data.size(); i > 0; --i) value = (value << 8) | data[i - 1];
            return FormatDword(value);
        }
        default:
            return {};
    }
}

}  // namespace setup::reg
