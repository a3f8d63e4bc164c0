#include "launcher/product_info_file.hpp"

#include <windows.h>

#include "platform/program_folder.hpp"
#include "platform/text.hpp"
#include "platform/unique_handle.hpp"

namespace setup {

std::wstring ProductInfoPath() { return ProgramFolder() + L"\\setup.ini"; }

bool ReadProductInfo(ProductLines& lines) { return ReadProductInfoFrom(ProductInfoPath(), lines); }

bool ReadProductInfoFrom(const std::wstring& path, ProductLines& lines) {
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return false;
    ProductLineSplitter splitter;
    char buffer[16384];
    while (!splitter.Full()) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) return false;
        if (got == 0) break;
        splitter.Feed(std::string_view(buffer, got));
    }
    splitter.Finish();
    std::vector<std::wstring> decoded;
    for (const auto& line : splitter.Lines()) decoded.push_back(Widen(line, kChineseCodePage));
    ApplyProductLines(lines, decoded);
    return true;
}

}  // namespace setup
