// Times one way of copying a tree, for tools/bench-copier.sh, which alternates the ways and
// prints the medians. Each run prints one line "seconds=<s> ..." on success.
//   copier_bench copier SRC DST [WORKERS]  the copier, its progress bar on a visible window
//   copier_bench unchecked SRC DST  the same, without the space and disc checks: their cost
//   copier_bench unflushed SRC DST  the same, flushing nothing to the disk: what the flushes cost
//   copier_bench filtered SRC DST [WORKERS]  the copier, each file's copy 2 ms longer, as a
//                                 scanner on the file system makes it
//   copier_bench serial SRC DST   the same file system, one file after another, no window
//   copier_bench seeking SRC DST  the copier over a medium that seeks between files
//   copier_bench seekserial SRC DST  that medium, one file after another, no window
//   copier_bench bare SRC DST     CreateDirectoryW, then CopyFileW beside each file and MoveFileExW
//                                 over it, over the copier's lists, no window
//   copier_bench inplace SRC DST  CreateDirectoryW and CopyFileW onto each final name, one file
//                                 after another, as Explorer and xcopy write: the loop a user
//                                 compares with, into an empty folder or over an earlier copy
//   copier_bench xcopy SRC DST    xcopy /E /H /Y /I, its output to NUL
//   copier_bench list SRC         the copier's listing alone: entries, time and memory
#include <windows.h>

#include <commctrl.h>
#include <psapi.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/unique_handle.hpp"
#include "ui/application.hpp"
#include "copier/file_placement.hpp"
#include "copier/folder_holds.hpp"
#include "wizard/progress_bar_sink.hpp"
#include "copier/tree_copier.hpp"
#include "copier/win32_file_system.hpp"

namespace setup {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::wstring WithSeparator(std::wstring path) {
    if (path.empty() || path.back() != L'\\') path += L'\\';
    return path;
}

// The Win32 file system, passed through: what the variants below change is all they hold.
class ForwardingFileSystem : public FileSystem {
public:
    std::wstring Root(const std::wstring& folder) override { return fs_.Root(folder); }
    bool ListFolder(const std::wstring& folder, FolderVisitor& visitor) override {
        return fs_.ListFolder(folder, visitor);
    }
    std::optional<std::uint32_t> Attributes(const std::wstring& path) override { return fs_.Attributes(path); }
    std::optional<FoundEntry> Lookup(const std::wstring& path) override { return fs_.Lookup(path); }
    int CompareNames(std::wstring_view a, std::wstring_view b) override { return fs_.CompareNames(a, b); }
    std::optional<VolumeSpace> Space(const std::wstring& folder) override { return fs_.Space(folder); }
    bool OnDisc(const std::wstring& path) override { return fs_.OnDisc(path); }
    bool IncursSeekPenalty(const std::wstring& path) override { return fs_.IncursSeekPenalty(path); }
    std::unique_ptr<HeldFolder> Hold(const std::wstring& path, bool create) override { return fs_.Hold(path, create); }
    std::unique_ptr<HeldFolder> HoldIn(HeldFolder& parent, std::wstring_view name, bool create) override {
        return fs_.HoldIn(parent, name, create);
    }
    Written CopyInto(const std::wstring& from, HeldFolder& folder, std::wstring_view name, bool dropReadOnly,
                     CopyPacing& pacing) override {
        return fs_.CopyInto(from, folder, name, dropReadOnly, pacing);
    }
    bool ClearAttributesIn(HeldFolder& folder, std::wstring_view name) override {
        return fs_.ClearAttributesIn(folder, name);
    }
    bool RemoveIn(HeldFolder& folder, std::wstring_view name) override { return fs_.RemoveIn(folder, name); }
    std::unique_ptr<HeldVolume> HoldVolume(const std::wstring& folder) override { return fs_.HoldVolume(folder); }

private:
    Win32FileSystem fs_;
};

// Never tells the space or a disc: the copier then skips the checks that need them, so the
// difference is what they cost.
class UncheckedFileSystem final : public ForwardingFileSystem {
public:
    std::optional<VolumeSpace> Space(const std::wstring&) override { return std::nullopt; }
    bool OnDisc(const std::wstring&) override { return false; }
};

// Sends nothing to the disk before the record: no file is flushed, no volume held. The
// difference is what making the installation outlive a power cut costs.
class UnflushedFileSystem final : public ForwardingFileSystem {
public:
    Written CopyInto(const std::wstring& from, HeldFolder& folder, std::wstring_view name, bool dropReadOnly,
                     CopyPacing& pacing) override {
        Written written = ForwardingFileSystem::CopyInto(from, folder, name, dropReadOnly, pacing);
        if (written.file) written.file = std::make_unique<Unflushed>(std::move(written.file));
        return written;
    }
    std::unique_ptr<HeldVolume> HoldVolume(const std::wstring&) override { return nullptr; }

private:
    class Unflushed final : public WrittenFile {
    public:
        explicit Unflushed(std::unique_ptr<WrittenFile> file) : file_(std::move(file)) {}
        CopyOutcome RenameTo(std::wstring_view name, bool replace, CopyPacing& pacing) override {
            return file_->RenameTo(name, replace, pacing);
        }
        void Keep() override { file_->Keep(); }
        bool Flush() override { return true; }

    private:
        std::unique_ptr<WrittenFile> file_;
    };
};

// What a file system filter (an antivirus scanner, the indexer) adds to each file's copy on
// Windows, of the order of milliseconds: a fixed wait.
class FilteredFileSystem final : public ForwardingFileSystem {
public:
    static constexpr DWORD kFilterMilliseconds = 2;
    Written CopyInto(const std::wstring& from, HeldFolder& folder, std::wstring_view name, bool dropReadOnly,
                     CopyPacing& pacing) override {
        ::Sleep(kFilterMilliseconds);
        return ForwardingFileSystem::CopyInto(from, folder, name, dropReadOnly, pacing);
    }
};

// A medium that serves one place at a time, as an optical drive or a spinning disk does: its
// reads are served in turn, a chunk at a time, and a chunk of another file than the one read
// last pays a seek first. Two files read at once pay at every chunk. It says it seeks.
class SeekingFileSystem final : public ForwardingFileSystem {
public:
    static constexpr DWORD kSeekMilliseconds = 8;
    static constexpr DWORD kChunkMilliseconds = 1;
    static constexpr std::uint64_t kChunkBytes = 1 << 20;

    bool IncursSeekPenalty(const std::wstring&) override { return true; }
    Written CopyInto(const std::wstring& from, HeldFolder& folder, std::wstring_view name, bool dropReadOnly,
                     CopyPacing& pacing) override {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (!::GetFileAttributesExW(from.c_str(), GetFileExInfoStandard, &data)) return {CopyOutcome::Failed, nullptr};
        const std::uint64_t size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        for (std::uint64_t read = 0; read == 0 || read < size; read += kChunkBytes) {
            Read(from);
            if (!pacing.KeepGoing()) return {CopyOutcome::Stopped, nullptr};
        }
        return ForwardingFileSystem::CopyInto(from, folder, name, dropReadOnly, pacing);
    }

private:
    // In the order asked: a drive queues its requests.
    void Read(const std::wstring& file) {
        std::unique_lock<std::mutex> hold(lock_);
        const std::uint64_t ticket = nextTicket_++;
        served_.wait(hold, [&] { return serving_ == ticket; });
        if (file != last_) {
            ::Sleep(kSeekMilliseconds);
            last_ = file;
        }
        ::Sleep(kChunkMilliseconds);
        ++serving_;
        served_.notify_all();
    }

    std::mutex lock_;
    std::condition_variable served_;
    std::uint64_t nextTicket_ = 0;
    std::uint64_t serving_ = 0;
    std::wstring last_;
};

int RunCopier(const std::wstring& source, const std::wstring& destination, FileSystem& fs, int workers) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS};
    ::InitCommonControlsEx(&controls);
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = ::DefWindowProcW;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = L"CopierBench";
    ::RegisterClassW(&windowClass);
    // The Wizard window's size and its progress bar's place and size, at 96 DPI.
    UniqueWindow window(::CreateWindowExW(0, windowClass.lpszClassName, L"copier", WS_OVERLAPPEDWINDOW, 100, 100, 510,
                                          390, nullptr, nullptr, windowClass.hInstance, nullptr));
    if (!window) return 2;
    HWND bar = ::CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, 40, 176, 409, 17, window.get(),
                                 nullptr, windowClass.hInstance, nullptr);
    ::ShowWindow(window.get(), SW_SHOWNORMAL);
    ::UpdateWindow(window.get());
    for (int i = 0; i < 20; ++i) {
        ui::PumpWaitingMessages();
        ::Sleep(10);
    }
    if (!::IsWindowVisible(bar)) return 2;

    bool stop = false;
    ProgressBarWindow barWindow(bar);
    ProgressBarSink progress(barWindow, nullptr, ui::PumpMessages, stop);
    const auto start = Clock::now();
    const CopyOutcome outcome = CopyFolder(fs, progress, source, destination, workers);
    const double seconds = Seconds(start);
    const auto position = ::SendMessageW(bar, PBM_GETPOS, 0, 0);
    const auto maximum = ::SendMessageW(bar, PBM_GETRANGE, FALSE, 0);
    std::printf("seconds=%.3f outcome=%s bar=%ld/%ld workers=%d\n", seconds,
                outcome == CopyOutcome::Copied ? "copied" : "failed", static_cast<long>(position),
                static_cast<long>(maximum), workers);
    return outcome == CopyOutcome::Copied && position == maximum ? 0 : 1;
}

// A serial loop of plain Win32 calls over the copier's lists, no window: the folders made (or
// found, over an earlier copy), then each file by place(index, its folder with a separator, its
// relative path).
template <class Place>
int RunLoop(const std::wstring& sourceArg, const std::wstring& destinationArg, Place place) {
    const std::wstring source = WithSeparator(sourceArg);
    const std::wstring destination = WithSeparator(destinationArg);
    Win32FileSystem fs;
    FolderTree tree;
    if (!FindFiles(fs, source, tree)) return 1;

    const auto start = Clock::now();
    auto makeFolder = [](const std::wstring& folder) {
        return ::CreateDirectoryW(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
    };
    if (!makeFolder(destination)) return 1;
    for (std::size_t i = 0; i < tree.FolderCount(); ++i)
        if (!makeFolder(destination + tree.FolderPath(i))) return 1;
    std::wstring folder;
    for (std::size_t i = 0; i < tree.FileCount(); ++i) {
        FolderPrefix(tree, tree.fileParents[i], destination, folder);
        if (!place(tree, i, source, destination, folder)) return 1;
    }
    std::printf("seconds=%.3f files=%u\n", Seconds(start), static_cast<unsigned>(tree.FileCount()));
    return 0;
}

// Each file written beside its place, then put there.
int RunBare(const std::wstring& source, const std::wstring& destination) {
    std::optional<TemporaryNames> temporaries;
    return RunLoop(source, destination,
                   [&](const FolderTree& tree, std::size_t i, const std::wstring& from, const std::wstring& to,
                       const std::wstring& folder) {
                       if (!temporaries) temporaries.emplace(tree);
                       const std::wstring temporary = folder + temporaries->For(tree, i);
                       const std::wstring relative = tree.FilePath(i);
                       return ::CopyFileW((from + relative).c_str(), temporary.c_str(), FALSE) &&
                              ::MoveFileExW(temporary.c_str(), (to + relative).c_str(), 0);
                   });
}

int RunInPlace(const std::wstring& source, const std::wstring& destination) {
    return RunLoop(source, destination,
                   [](const FolderTree& tree, std::size_t i, const std::wstring& from, const std::wstring& to,
                      const std::wstring&) {
                       const std::wstring relative = tree.FilePath(i);
                       return ::CopyFileW((from + relative).c_str(), (to + relative).c_str(), FALSE) != FALSE;
                   });
}

// The copier's road to the disk without the copier: its lists, then each file in turn.
int RunSerial(const std::wstring& sourceArg, const std::wstring& destinationArg, FileSystem& fs) {
    struct Unpaced final : CopyPacing {
        bool KeepGoing() override { return true; }
        bool Pause(std::chrono::milliseconds wait) override {
            ::Sleep(static_cast<DWORD>(wait.count()));
            return true;
        }
    } pacing;
    const std::wstring source = fs.Root(WithSeparator(sourceArg));
    const std::wstring destination = fs.Root(WithSeparator(destinationArg));
    FolderTree tree;
    if (!FindFiles(fs, source, tree)) return 1;

    const auto start = Clock::now();
    FolderHolds holds(fs, tree);
    if (!holds.HoldRoot(destination, true)) return 1;
    for (std::uint32_t p = 1; p <= tree.FolderCount(); ++p)
        if (!holds.Make(p)) return 1;
    const TemporaryNames temporaries(tree);
    const std::unique_ptr<HeldVolume> volume = fs.HoldVolume(destination);
    for (std::size_t i = 0; i < tree.FileCount(); ++i) {
        const std::shared_ptr<HeldFolder> folder = holds.Get(tree.fileParents[i]);
        const std::wstring temporary = temporaries.For(tree, i);
        if (!folder) return 1;
        FileToPlace file{{}, {}, tree.fileNames[i], temporary, Seen::Nothing, false, !volume};
        FolderPrefix(tree, tree.fileParents[i], source, file.from);
        FolderPrefix(tree, tree.fileParents[i], destination, file.to);
        file.from += file.name;
        file.to += file.name;
        if (PlaceFile(fs, *folder, file, pacing) != CopyOutcome::Copied) return 1;
    }
    if (volume && !volume->Flush()) return 1;
    std::printf("seconds=%.3f files=%u\n", Seconds(start), static_cast<unsigned>(tree.FileCount()));
    return 0;
}

int RunXcopy(const std::wstring& source, const std::wstring& destination) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    UniqueFile nul(
        ::CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = nul.get();
    startup.hStdError = nul.get();
    std::wstring command = L"xcopy.exe /E /H /Y /I \"" + source + L"\" \"" + destination + L"\"";
    PROCESS_INFORMATION process{};
    const auto start = Clock::now();
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return 1;
    UniqueHandleK processHandle(process.hProcess);
    UniqueHandleK threadHandle(process.hThread);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    const double seconds = Seconds(start);
    DWORD code = 1;
    ::GetExitCodeProcess(process.hProcess, &code);
    std::printf("seconds=%.3f exit=%lu\n", seconds, code);
    return code == 0 ? 0 : 1;
}

int RunList(const std::wstring& sourceArg) {
    const std::wstring source = WithSeparator(sourceArg);
    PROCESS_MEMORY_COUNTERS before{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &before, sizeof before);
    Win32FileSystem fs;
    FolderTree tree;
    const auto start = Clock::now();
    if (!FindFiles(fs, source, tree)) return 1;
    const double seconds = Seconds(start);
    PROCESS_MEMORY_COUNTERS after{};
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &after, sizeof after);
    const auto mib = [](std::size_t bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); };
    std::printf(
        "seconds=%.3f entries=%u folders=%u files=%u lists=%.1fMiB "
        "peak_working_set_growth=%.1fMiB peak_private_growth=%.1fMiB\n",
        seconds, static_cast<unsigned>(tree.FolderCount() + tree.FileCount()),
        static_cast<unsigned>(tree.FolderCount()), static_cast<unsigned>(tree.FileCount()), mib(tree.Bytes()),
        mib(after.PeakWorkingSetSize - before.PeakWorkingSetSize),
        mib(after.PeakPagefileUsage - before.PeakPagefileUsage));
    return 0;
}

}  // namespace
}  // namespace setup

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    const int workers = argc == 5 ? std::stoi(argv[4]) : setup::kCopyWorkers;
    setup::Win32FileSystem win32;
    setup::UncheckedFileSystem unchecked;
    setup::UnflushedFileSystem unflushed;
    setup::FilteredFileSystem filtered;
    setup::SeekingFileSystem seeking;
    if (mode == L"copier" && (argc == 4 || argc == 5)) return setup::RunCopier(argv[2], argv[3], win32, workers);
    if (mode == L"unchecked" && argc == 4) return setup::RunCopier(argv[2], argv[3], unchecked, workers);
    if (mode == L"unflushed" && argc == 4) return setup::RunCopier(argv[2], argv[3], unflushed, workers);
    if (mode == L"filtered" && (argc == 4 || argc == 5)) return setup::RunCopier(argv[2], argv[3], filtered, workers);
    if (mode == L"serial" && argc == 4) return setup::RunSerial(argv[2], argv[3], filtered);
    if (mode == L"seeking" && argc == 4) return setup::RunCopier(argv[2], argv[3], seeking, workers);
    if (mode == L"seekserial" && argc == 4) return setup::RunSerial(argv[2], argv[3], seeking);
    if (mode == L"bare" && argc == 4) return setup::RunBare(argv[2], argv[3]);
    if (mode == L"inplace" && argc == 4) return setup::RunInPlace(argv[2], argv[3]);
    if (mode == L"xcopy" && argc == 4) return setup::RunXcopy(argv[2], argv[3]);
    if (mode == L"list" && argc == 3) return setup::RunList(argv[2]);
    std::fprintf(stderr, "usage: copier_bench copier|filtered SRC DST [WORKERS] | "
                         "unchecked|unflushed|serial|seeking|seekserial|bare|inplace|xcopy SRC DST | list SRC\n");
    return 2;
}
