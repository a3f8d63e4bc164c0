#pragma once
// The installer's only road to the registry: single values read and written as text,
// always in the 32-bit view. No call raises; failures are a false result or the empty text.
#include <windows.h>

#include <string>

#include "registry/product_key.hpp"

namespace setup::reg {

// Creates the key when missing, then writes the value if the type (1 to 4) and text allow it.
bool SetRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& name, long type,
                 const std::wstring& text) noexcept;
// The value rendered as text, or the empty text for anything missing or unhandled.
std::wstring GetRegValue(HKEY root, const std::wstring& keyPath, const std::wstring& name) noexcept;

// A REG_SZ under HKEY_LOCAL_MACHINE.
bool SetRegString(const std::wstring& keyPath, const std::wstring& name, const std::wstring& text) noexcept;
// A value under HKEY_LOCAL_MACHINE and the product key.
std::wstring GetProductValue(const std::wstring& name) noexcept;
// What was written under the key below HKEY_LOCAL_MACHINE, and the rest of its hive, on the
// disk itself (RegFlushKey): the system's own flush comes within seconds, a power cut sooner.
bool FlushKey(const std::wstring& keyPath) noexcept;

}  // namespace setup::reg
