#pragma once
// The Wizard window's install sequence, platform-free: where from and where to, the copy,
// then the content marker and the version. The window turns the outcome into texts, boxes
// and hand-overs.
#include <optional>
#include <string>
#include <string_view>

#include "launcher/product_info.hpp"
#include "platform/identity.h"
#include "copier/file_system.hpp"
#include "copier/tree_copier.hpp"

namespace setup {

inline constexpr wchar_t kMarkerKey[] = SETUP_PRODUCT_KEY L"\\ZRV\\7B";

// The two registry operations an installation needs.
class ProductStore {
public:
    virtual ~ProductStore() = default;
    // A value under the product key as text; empty when missing or unreadable.
    virtual std::wstring GetProductValue(const std::wstring& name) = 0;
    // A string value under a key below HKEY_LOCAL_MACHINE; false when it was not written.
    virtual bool SetRegString(const std::wstring& keyPath, const std::wstring& name, const std::wstring& text) = 0;
    // What was written, on the disk itself rather than in the system's cache.
    virtual bool Flush() = 0;
};

struct InstallPlan {
    std::wstring source;       // the class or the upgrade tree, with its final separator
    std::wstring destination;  // the recorded folder, cut, followed by "\coon\"
};

// Reads the recorded installation folder and version. Nothing when the recorded folder does
// not name a folder by itself: then nothing may be shown, copied or written.
std::optional<InstallPlan> PlanInstallation(ProductStore& store, const ProductLines& lines,
                                            std::wstring_view programFolder);

enum class InstallOutcome {
    Installed,    // copied, marker and version recorded
    CopyFailed,   // a file, a folder, a name clash or the space; the registry is untouched
    Stopped,      // the user stopped the copy; the registry is untouched
    NotRecorded,  // copied, but the marker or the version could not be written
};

// Copies the plan's tree, every file of it on the disk itself, then records the marker and only
// then the version: a version without its marker would tell the next run that the content is in
// place. The record is then flushed; where that fails, it stands all the same, only less sure to
// outlive a power cut, which would leave the next run to copy again.
InstallOutcome CarryOutInstallation(const InstallPlan& plan, const ProductLines& lines, ProductStore& store,
                                    FileSystem& fs, CopyProgress& progress, FilesInFlight* inFlight = nullptr,
                                    int workers = kCopyWorkers);

}  // namespace setup
