#pragma once
#include <string>

#include "launcher/product_info.hpp"

namespace setup {

std::wstring ProductInfoPath();

// Reads the program folder's product information file into `lines`: code page 936, or
// UTF-8 or UTF-16LE when a byte-order mark says so. False when the file can't be opened or
// read; `lines` is then left as it was.
bool ReadProductInfo(ProductLines& lines);
bool ReadProductInfoFrom(const std::wstring& path, ProductLines& lines);

}  // namespace setup
