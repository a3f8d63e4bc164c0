#include "platform/text.hpp"

#include <windows.h>

#include <climits>

namespace setup {

std::wstring Widen(std::string_view bytes, unsigned codePage) {
    if (bytes.empty() || bytes.size() > INT_MAX) return {};
    const int n = static_cast<int>(bytes.size());
    const int len = ::MultiByteToWideChar(codePage, 0, bytes.data(), n, nullptr, 0);
    if (len <= 0) return {};
    std::wstring out(static_cast<size_t>(len), L'\0');
    ::MultiByteToWideChar(codePage, 0, bytes.data(), n, out.data(), len);
    return out;
}

}  // namespace setup
