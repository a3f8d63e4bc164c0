#include "wizard/install_plan.hpp"

namespace setup {

std::optional<std::wstring> DestinationFolder(std::wstring_view installPath) {
    if (installPath.size() < 2) return std::nullopt;
    std::wstring_view folder = installPath.substr(1, installPath.size() - 2);
    const auto first = folder.find_first_not_of(L' ');
    if (first == std::wstring_view::npos) {
        folder = {};
    } else {
        folder = folder.substr(first, folder.find_last_not_of(L' ') - first + 1);
    }
    return std::wstring(folder) + L"\\coon\\";
}

std::wstring SourceFolder(std::wstring_view programFolder, std::wstring_view recordedVersion,
                          std::wstring_view mediumVersion) {
    return std::wstring(programFolder) + (recordedVersion == mediumVersion ? L"\\zrv\\class\\" : L"\\zrv\\upgrade\\");
}

}  // namespace setup
