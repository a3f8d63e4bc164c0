#include "wizard/installation.hpp"

#include "registry/product_key.hpp"
#include "wizard/install_plan.hpp"

namespace setup {

std::optional<InstallPlan> PlanInstallation(ProductStore& store, const ProductLines& lines,
                                            std::wstring_view programFolder) {
    const auto destination = DestinationFolder(store.GetProductValue(L"InstallPath"));
    if (!destination || !IsUsableDestination(*destination)) return std::nullopt;
    return InstallPlan{SourceFolder(programFolder, store.GetProductValue(L"version"), lines[kContentVersion]),
                       *destination};
}

InstallOutcome CarryOutInstallation(const InstallPlan& plan, const ProductLines& lines, ProductStore& store,
                                    FileSystem& fs, CopyProgress& progress, FilesInFlight* inFlight, int workers) {
    switch (CopyFolder(fs, progress, plan.source, plan.destination, workers, inFlight)) {
        case CopyOutcome::Copied:
            break;
        case CopyOutcome::Stopped:
            return InstallOutcome::Stopped;
        case CopyOutcome::Failed:
            return InstallOutcome::CopyFailed;
    }
    const std::wstring& marker = lines[kContentMarker];
    if (!store.SetRegString(kMarkerKey, marker, marker)) return InstallOutcome::NotRecorded;
    if (!store.SetRegString(reg::kProductKey, L"version", lines[kContentVersion])) return InstallOutcome::NotRecorded;
    store.Flush();
    return InstallOutcome::Installed;
}

}  // namespace setup
