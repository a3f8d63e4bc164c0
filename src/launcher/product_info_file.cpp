#include "launcher/product_info_file.hpp"

#include <windows.h>

#include "launcher/product_info_text.hpp"
#include "platform/program_folder.hpp"
#include "platform/text.hpp"
#include "platform/unique_handle.hpp"

namespace setup {

std::wstring ProductInfoPath() { return ProgramFolder() + L"\\setup.ini"; }

bool ReadProductInfo(ProductLines& lines) { return ReadProductInfoFrom(ProductInfoPath(), lines); }

bool ReadProductInfoFrom(const std::wstring& path, ProductLines& lines) {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return false;
    ProductInfoDecoder decoder;
    char buffer[16384];
    while (!decoder.Full()) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) return false;
        if (got == 0) break;
        decoder.Feed(std::string_view(buffer, got));
    }
    decoder.Finish();
    const unsigned codePage = decoder.Encoding() == ProductTextEncoding::kCodePage936 ? kChineseCodePage : CP_UTF8;
    std::vector<std::wstring> decoded;
    for (const auto& line : decoder.Lines()) decoded.push_back(Widen(line, codePage));
    ApplyProductLines(lines, decoded);
    return true;
}

}  // namespace setup
