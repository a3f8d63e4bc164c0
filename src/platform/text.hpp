#pragma once
#include <string>
#include <string_view>

namespace setup {

inline constexpr unsigned kChineseCodePage = 936;

// Decodes bytes of a fixed code page, whatever the system's own code page is.
std::wstring Widen(std::string_view bytes, unsigned codePage);

}  // namespace setup
