#include "registry/reg.hpp"

#include <cstdint>
#include <vector>

#include "platform/unique_handle.hpp"
#include "registry/value_codec.hpp"

namespace setup::reg {
namespace {

// The product's keys live in the 32-bit view, whichever build reads them.
constexpr REGSAM kView = KEY_WOW64_32KEY;
// A value may change between the size query and the read; give up after a few rounds.
constexpr int kReadAttempts = 8;

std::wstring ReadValue(HKEY key, const std::wstring& name) {
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (::RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return {};
    if (!IsHandledType(static_cast<long>(type))) return {};
    std::vector<std::uint8_t> data;
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        // The slack keeps the buffer non-null, so a value grown meanwhile reports MORE_DATA.
        data.resize(static_cast<std::size_t>(size) + 2);
        DWORD got = static_cast<DWORD>(data.size());
        const LSTATUS rc = ::RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &got);
        if (rc == ERROR_SUCCESS) {
            data.resize(got);
            return DecodeValue(static_cast<long>(type), data);
        }
        if (rc != ERROR_MORE_DATA) return {};
        size = got;
    }
    return {};
}

}  // namespace

bool SetRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& name, long type,
                 const std::wstring& text) noexcept {
    try {
        UniqueKey key;
        if (::RegCreateKeyExW(root, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | kView,
                              nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
            return false;
        }
        const auto data = EncodeValue(type, text);
        if (!data || data->size() > MAXDWORD) return false;
        static const BYTE kNoBytes = 0;
        const BYTE* bytes = data->empty() ? &kNoBytes : data->data();
        return ::RegSetValueExW(key.get(), name.c_str(), 0, static_cast<DWORD>(type), bytes,
                                static_cast<DWORD>(data->size())) == ERROR_SUCCESS;
    } catch (...) {
        return false;
    }
}

std::wstring GetRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& name) noexcept {
    try {
        // Query rights only, so a reader who may not write still reads.
        UniqueKey key;
        if (::RegOpenKeyExW(root, keyPath.c_str(), 0, KEY_QUERY_VALUE | kView, key.put()) != ERROR_SUCCESS) {
            return {};
        }
        return ReadValue(key.get(), name);
    } catch (...) {
        return {};
    }
}

bool SetRegString(const std::wstring& keyPath, const std::wstring& name, const std::wstring& text) noexcept {
    return SetRegValue(HKEY_LOCAL_MACHINE, keyPath, name, kString, text);
}

std::wstring GetProductValue(const std::wstring& name) noexcept {
    try {
        return GetRegValue(HKEY_LOCAL_MACHINE, kProductKey, name);
    } catch (...) {
        return {};
    }
}

bool FlushKey(const std::wstring& keyPath) noexcept {
    UniqueKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_QUERY_VALUE | kView, key.put()) != ERROR_SUCCESS)
        return false;
    return ::RegFlushKey(key.get()) == ERROR_SUCCESS;
}

}  // namespace setup::reg
