#pragma once
// Registry values as text: the rules that turn a value's data into text and back,
// apart from any registry. Text data is UTF-16LE, as the registry's W entry points store it.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace setup::reg {

// The registry type codes the store handles; every other code is refused on writing
// and reads as the empty text.
enum ValueType : long {
    kString = 1,        // REG_SZ
    kExpandString = 2,  // REG_EXPAND_SZ
    kBinary = 3,        // REG_BINARY
    kDword = 4,         // REG_DWORD
};

bool IsHandledType(long type);

// The text before the first NUL; a trailing odd byte is ignored.
std::wstring DecodeText(std::span<const std::uint8_t> data);
// The text and a terminating NUL.
std::vector<std::uint8_t> EncodeText(std::wstring_view text);

// Two hexadecimal digits at every third character (1, 4, 7, ...) while they lie within
// the length of the text without its surrounding blanks. Empty when a pair is not hex.
std::optional<std::vector<std::uint8_t>> ParseBinaryText(std::wstring_view text);
// Each byte as two upper-case digits and a blank: "01 FF 0A ".
std::wstring FormatBinary(std::span<const std::uint8_t> bytes);

// 1 to 8 hexadecimal digits, an optional "0x" in front and blanks around; blanks alone are 0.
std::optional<std::uint32_t> ParseDwordText(std::wstring_view text);
// "0x" and upper-case digits without leading zeros: "0x1A", "0x0".
std::wstring FormatDword(std::uint32_t value);

// The data to store for a text, or nothing when the type or the text is refused.
// The empty text stands for a single blank, whatever the type.
std::optional<std::vector<std::uint8_t>> EncodeValue(long type, std::wstring_view text);
// The text for a value's data; the empty text for an unhandled type or unreadable data.
std::wstring DecodeValue(long type, std::span<const std::uint8_t> data);

}  // namespace setup::reg
