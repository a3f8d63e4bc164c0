#include "platform/relative_file.hpp"

#include <winternl.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace setup {
namespace {

using NtCreateFileFunction = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                              PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);
using NtSetInformationFileFunction = NTSTATUS(NTAPI*)(HANDLE, PIO_STATUS_BLOCK, PVOID, ULONG, ULONG);
using RtlNtStatusToDosErrorFunction = ULONG(NTAPI*)(NTSTATUS);
using NtQueryObjectFunction = NTSTATUS(NTAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

constexpr ULONG kSynchronousIo = 0x20;  // FILE_SYNCHRONOUS_IO_NONALERT
constexpr ULONG kFileRenameInformation = 10;
constexpr ULONG kObjectNameInformation = 1;

struct Ntdll {
    NtCreateFileFunction createFile = nullptr;
    NtSetInformationFileFunction setInformation = nullptr;
    RtlNtStatusToDosErrorFunction toError = nullptr;
    NtQueryObjectFunction queryObject = nullptr;
};

template <class F>
F Find(HMODULE module, const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

const Ntdll& System() {
    static const Ntdll ntdll = [] {
        Ntdll found;
        if (const HMODULE module = ::GetModuleHandleW(L"ntdll.dll")) {
            found.createFile = Find<NtCreateFileFunction>(module, "NtCreateFile");
            found.setInformation = Find<NtSetInformationFileFunction>(module, "NtSetInformationFile");
            found.toError = Find<RtlNtStatusToDosErrorFunction>(module, "RtlNtStatusToDosError");
            found.queryObject = Find<NtQueryObjectFunction>(module, "NtQueryObject");
        }
        return found;
    }();
    return ntdll;
}

bool Fits(std::wstring_view name) { return name.size() * sizeof(wchar_t) <= std::numeric_limits<USHORT>::max(); }

BOOL Failed(NTSTATUS status) {
    const Ntdll& ntdll = System();
    ::SetLastError(ntdll.toError ? ntdll.toError(status) : ERROR_GEN_FAILURE);
    return FALSE;
}

}  // namespace

UniqueFile OpenRelative(HANDLE folder, std::wstring_view name, ACCESS_MASK access, ULONG share, ULONG disposition,
                        ULONG options, ULONG attributes) {
    const Ntdll& ntdll = System();
    // An empty name would open the folder itself.
    if (!ntdll.createFile || name.empty() || !Fits(name)) {
        ::SetLastError(name.empty() ? ERROR_INVALID_NAME : ERROR_CALL_NOT_IMPLEMENTED);
        return UniqueFile();
    }
    UNICODE_STRING text;
    text.Buffer = const_cast<PWSTR>(name.data());
    text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    OBJECT_ATTRIBUTES object;
    InitializeObjectAttributes(&object, &text, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK io{};
    HANDLE handle = nullptr;
    const NTSTATUS status = ntdll.createFile(&handle, access | SYNCHRONIZE, &object, &io, nullptr, attributes, share,
                                             disposition, options | kSynchronousIo, nullptr, 0);
    if (status < 0) {
        Failed(status);
        return UniqueFile();
    }
    return UniqueFile(handle);
}

BOOL RenameRelative(HANDLE file, HANDLE folder, std::wstring_view name, bool replace) {
    const Ntdll& ntdll = System();
    if (!ntdll.setInformation || name.empty() || !Fits(name)) {
        ::SetLastError(name.empty() ? ERROR_INVALID_NAME : ERROR_CALL_NOT_IMPLEMENTED);
        return FALSE;
    }
    // FILE_RENAME_INFORMATION: the name follows the fixed part. SetFileInformationByHandle
    // would do, but Wine turns its name into a full path, which a folder handle then refuses.
    struct Rename {
        BOOLEAN replaceIfExists;
        HANDLE rootDirectory;
        ULONG fileNameLength;
        WCHAR fileName[1];
    };
    // Never shorter than the structure itself, which a one-letter name would be.
    std::vector<unsigned char> buffer(sizeof(Rename) + name.size() * sizeof(wchar_t));
    auto* info = reinterpret_cast<Rename*>(buffer.data());
    info->replaceIfExists = replace ? TRUE : FALSE;
    info->rootDirectory = folder;
    info->fileNameLength = static_cast<ULONG>(name.size() * sizeof(wchar_t));
    std::memcpy(buffer.data() + offsetof(Rename, fileName), name.data(), name.size() * sizeof(wchar_t));
    IO_STATUS_BLOCK io{};
    const NTSTATUS status =
        ntdll.setInformation(file, &io, buffer.data(), static_cast<ULONG>(buffer.size()), kFileRenameInformation);
    return status < 0 ? Failed(status) : TRUE;
}

std::wstring SystemPathOf(HANDLE handle) {
    const Ntdll& ntdll = System();
    if (!ntdll.queryObject) return {};
    // OBJECT_NAME_INFORMATION: a counted string whose characters follow it.
    std::vector<unsigned char> buffer(sizeof(UNICODE_STRING) + MAX_PATH * sizeof(wchar_t));
    for (int tries = 0; tries < 2; ++tries) {
        ULONG needed = 0;
        const NTSTATUS status = ntdll.queryObject(handle, kObjectNameInformation, buffer.data(),
                                                  static_cast<ULONG>(buffer.size()), &needed);
        if (status >= 0) {
            const auto* name = reinterpret_cast<const UNICODE_STRING*>(buffer.data());
            return std::wstring(name->Buffer, name->Length / sizeof(wchar_t));
        }
        if (needed <= buffer.size()) return {};
        buffer.assign(needed, 0);
    }
    return {};
}

}  // namespace setup
