#pragma once
// Where the product keeps its settings, under HKEY_LOCAL_MACHINE.
#include "platform/identity.h"

namespace setup::reg {

inline constexpr wchar_t kProductKey[] = SETUP_PRODUCT_KEY;

}  // namespace setup::reg
