#include "copier/memory_file_system.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cwctype>
#include <thread>

namespace setup::test {
namespace {

wchar_t UpperChar(wchar_t c) { return static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c))); }

// The faults the platform gives where a call changes something.
constexpr Fault kMaking[] = {Fault::AccessDenied, Fault::DiskFull, Fault::PathNotFound, Fault::NameTaken};
constexpr Fault kCopyStart[] = {Fault::AccessDenied, Fault::SharingViolation, Fault::DiskFull,
                                Fault::PathNotFound, Fault::MediumGone, Fault::NameTaken};
constexpr Fault kWriting[] = {Fault::DiskFull, Fault::MediumGone};
constexpr Fault kSetting[] = {Fault::AccessDenied, Fault::DiskFull};
constexpr Fault kFlushing[] = {Fault::DiskFull, Fault::MediumGone};
constexpr Fault kRenaming[] = {Fault::AccessDenied, Fault::SharingViolation, Fault::DiskFull, Fault::PathNotFound,
                               Fault::NameTaken};
constexpr Fault kRemoving[] = {Fault::AccessDenied, Fault::SharingViolation};

std::vector<std::wstring> Names(const std::wstring& clean) {
    std::vector<std::wstring> names;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = clean.find(L'\\', start);
        names.push_back(clean.substr(start, slash - start));
        if (slash == std::wstring::npos) return names;
        start = slash + 1;
    }
}

}  // namespace

// A folder held: the node itself, whatever its path leads to later.
class MemoryFileSystem::Held final : public HeldFolder {
public:
    Held(NodePtr node, std::wstring path) : node(std::move(node)), path(std::move(path)) {}
    NodePtr node;
    std::wstring path;  // as it was held, for the calls recorded
};

class MemoryFileSystem::WrittenInMemory final : public WrittenFile {
public:
    WrittenInMemory(MemoryFileSystem& fs, NodePtr folder, std::wstring folderPath, std::wstring name, NodePtr file)
        : fs_(fs), folder_(std::move(folder)), folderPath_(std::move(folderPath)), name_(std::move(name)),
          file_(std::move(file)) {}
    ~WrittenInMemory() override {
        if (done_) return;
        const Lock hold(fs_.mutex_);
        if (Child(*folder_, name_, false).second != file_ || fs_.BeginChange(kRemoving)) return;
        Erase(*folder_, name_);
        fs_.EndChange();
    }

    CopyOutcome RenameTo(std::wstring_view to, bool replace, CopyPacing&) override {
        const std::wstring path = Below(folderPath_, to);
        const Lock hold(fs_.mutex_);
        fs_.Record(Op::Rename, path);
        if (Child(*folder_, name_, false).second != file_) return CopyOutcome::Failed;
        if (fs_.Fails(Op::Rename, Below(folderPath_, name_)) || fs_.Fails(Op::Rename, path)) return CopyOutcome::Failed;
        if (fs_.BeginChange(kRenaming)) return CopyOutcome::Failed;
        const auto [existingName, existing] = Child(*folder_, to, true);
        if (existing && existing != file_) {
            // A link is replaced as it stands; a folder, or a link to one, never.
            const bool folder = existing->kind == Kind::Folder || (existing->kind == Kind::Link && existing->folderLink);
            if (!replace || folder || (existing->kind == Kind::File && (existing->attributes & attr::kReadOnly)))
                return CopyOutcome::Failed;
            Erase(*folder_, existingName);
        }
        Erase(*folder_, name_);
        name_ = std::wstring(to);
        Insert(*folder_, name_, file_);
        done_ = true;
        fs_.EndChange();
        fs_.RunAfter(Op::Rename, path);
        return CopyOutcome::Copied;
    }
    void Keep() override { done_ = true; }
    bool Flush() override {
        const Lock hold(fs_.mutex_);
        if (fs_.BeginChange(kFlushing)) return false;
        file_->durable = file_->content;
        fs_.EndChange();
        return true;
    }

private:
    MemoryFileSystem& fs_;
    NodePtr folder_;
    std::wstring folderPath_;
    std::wstring name_;
    NodePtr file_;
    bool done_ = false;
};

class MemoryFileSystem::Volume final : public HeldVolume {
public:
    explicit Volume(MemoryFileSystem& fs) : fs_(fs) {}
    bool Flush() override {
        const Lock hold(fs_.mutex_);
        if (fs_.BeginChange(kFlushing)) return false;
        for (const auto& [name, drive] : fs_.drives_) fs_.FlushAll(*drive);
        fs_.EndChange();
        return true;
    }

private:
    MemoryFileSystem& fs_;
};

MemoryFileSystem::MemoryFileSystem() { drives_[L"C:"] = std::make_shared<Node>(); }

void MemoryFileSystem::FlushAll(Node& folder) {
    for (const auto& [name, node] : folder.children) {
        if (node && node->kind == Kind::File) node->durable = node->content;
        if (node && node->kind == Kind::Folder) FlushAll(*node);
    }
}

MemoryFileSystem::NodePtr MemoryFileSystem::Clone(const Node& node, bool powerCut) {
    auto copy = std::make_shared<Node>();
    copy->kind = node.kind;
    copy->attributes = node.attributes;
    copy->content = node.content;
    copy->durable = node.durable;
    if (powerCut && node.kind == Kind::File) {
        const std::size_t kept = std::min(node.durable.size(), node.content.size());
        copy->content = node.durable.substr(0, kept) + std::string(node.content.size() - kept, '\0');
        copy->durable = copy->content;
    }
    copy->listedSize = node.listedSize;
    copy->target = node.target;
    copy->folderLink = node.folderLink;
    copy->aliases = node.aliases;
    copy->distinct = node.distinct;
    for (const auto& [name, child] : node.children)
        if (child) Insert(*copy, name, Clone(*child, powerCut));
    return copy;
}

std::unique_ptr<MemoryFileSystem> MemoryFileSystem::Restarted(bool powerCut) const {
    const Lock hold(mutex_);
    auto next = std::make_unique<MemoryFileSystem>();
    for (const auto& [name, drive] : drives_) next->drives_[name] = Clone(*drive, powerCut);
    next->space_ = space_;
    next->disc_ = disc_;
    next->seeking_ = seeking_;
    next->chunkSize_ = chunkSize_;
    next->volumeHeld_ = volumeHeld_;
    return next;
}

void MemoryFileSystem::Watch(ChangeWatch watch) {
    const Lock hold(mutex_);
    watch_ = std::move(watch);
}

std::optional<Fault> MemoryFileSystem::BeginChange(std::span<const Fault> possible) {
    const Lock hold(mutex_);
    ++changes_;
    return watch_.before ? watch_.before(changes_, possible) : std::nullopt;
}

void MemoryFileSystem::EndChange() {
    const Lock hold(mutex_);
    if (watch_.after) watch_.after(changes_);
}

bool MemoryFileSystem::IsDurable(const std::wstring& path) const {
    const Lock hold(mutex_);
    const auto place = Walk(path, false);
    return place && place->node && place->node->durable == place->node->content;
}

std::wstring MemoryFileSystem::Clean(const std::wstring& path) {
    std::wstring clean;
    for (wchar_t c : path) {
        if (c == L'\\' && !clean.empty() && clean.back() == L'\\') continue;
        clean += c;
    }
    if (!clean.empty() && clean.back() == L'\\') clean.pop_back();
    return clean;
}

std::wstring MemoryFileSystem::Upper(std::wstring_view name) {
    std::wstring upper(name);
    for (wchar_t& c : upper) c = UpperChar(c);
    return upper;
}

std::wstring MemoryFileSystem::Key(const std::wstring& path) { return Upper(Clean(path)); }

std::wstring MemoryFileSystem::Below(const std::wstring& folder, std::wstring_view name) {
    std::wstring path = folder;
    if (path.empty() || path.back() != L'\\') path += L'\\';
    path += name;
    return path;
}

std::pair<std::wstring, MemoryFileSystem::NodePtr> MemoryFileSystem::Child(const Node& folder, std::wstring_view name,
                                                                         bool aliases) {
    const std::wstring upper = Upper(name);
    if (const auto at = folder.byName.find(upper); at != folder.byName.end()) return folder.children[at->second];
    if (aliases)
        if (const auto alias = folder.aliases.find(upper); alias != folder.aliases.end())
            return Child(folder, alias->second, false);
    return {};
}

void MemoryFileSystem::Erase(Node& folder, std::wstring_view name) {
    const auto at = folder.byName.find(Upper(name));
    if (at == folder.byName.end()) return;
    // Left empty in its place: the entries after it keep theirs.
    folder.children[at->second].second = nullptr;
    folder.byName.erase(at);
}

void MemoryFileSystem::Insert(Node& folder, std::wstring name, std::shared_ptr<Node> node) {
    folder.byName[Upper(name)] = folder.children.size();
    folder.children.emplace_back(std::move(name), std::move(node));
}

std::optional<MemoryFileSystem::Place> MemoryFileSystem::Walk(const std::wstring& path, bool follow, int depth) const {
    // A link that leads back to itself is as missing as one that leads nowhere.
    if (depth > 32) return std::nullopt;
    const std::vector<std::wstring> names = Names(Clean(path));
    const auto drive = drives_.find(Upper(names.front()));
    if (drive == drives_.end()) return std::nullopt;
    if (names.size() == 1) return Place{nullptr, names.front(), drive->second, names.front()};
    NodePtr folder = drive->second;
    for (std::size_t i = 1;; ++i) {
        auto [found, node] = Child(*folder, names[i], true);
        const bool last = i + 1 == names.size();
        if (node && node->kind == Kind::Link && (!last || follow)) {
            const auto target = Walk(node->target, true, depth + 1);
            node = target ? target->node : nullptr;
        }
        if (last) return Place{folder, names[i], node, found};
        if (!node || node->kind != Kind::Folder) return std::nullopt;
        folder = node;
    }
}

MemoryFileSystem::NodePtr MemoryFileSystem::Add(const std::wstring& path, Kind kind) {
    const std::vector<std::wstring> names = Names(Clean(path));
    NodePtr& drive = drives_[Upper(names.front())];
    if (!drive) drive = std::make_shared<Node>();
    NodePtr folder = drive;
    for (std::size_t i = 1; i < names.size(); ++i) {
        NodePtr node = Child(*folder, names[i], false).second;
        const bool last = i + 1 == names.size();
        if (!node) {
            node = std::make_shared<Node>();
            node->kind = last ? kind : Kind::Folder;
            Insert(*folder, names[i], node);
        }
        if (last) {
            node->kind = kind;
            return node;
        }
        folder = node;
    }
    return drive;
}

void MemoryFileSystem::AddFolder(const std::wstring& path, std::uint32_t attributes) {
    const Lock hold(mutex_);
    Add(path, Kind::Folder)->attributes = attributes;
}

void MemoryFileSystem::AddFile(const std::wstring& path, std::string content, std::uint32_t attributes) {
    const Lock hold(mutex_);
    const NodePtr node = Add(path, Kind::File);
    node->content = std::move(content);
    node->durable = node->content;
    node->attributes = attributes;
}

void MemoryFileSystem::AddLink(const std::wstring& path, const std::wstring& target, bool folder) {
    const Lock hold(mutex_);
    const NodePtr node = Add(path, Kind::Link);
    node->target = target;
    node->folderLink = folder;
}

void MemoryFileSystem::SwapForLink(const std::wstring& path, const std::wstring& target) {
    const Lock hold(mutex_);
    if (const auto place = Walk(path, false); place && place->parent) Erase(*place->parent, place->found);
    AddLink(path, target, true);
}

void MemoryFileSystem::AddDistinct(const std::wstring& path, bool folder) {
    const Lock hold(mutex_);
    const std::wstring clean = Clean(path);
    const auto slash = clean.rfind(L'\\');
    Add(clean.substr(0, slash), Kind::Folder)->distinct.emplace_back(clean.substr(slash + 1), folder);
}

void MemoryFileSystem::SetShortName(const std::wstring& path, const std::wstring& alias) {
    const Lock hold(mutex_);
    if (const auto place = Walk(path, false); place && place->parent)
        place->parent->aliases[Upper(alias)] = place->found.empty() ? place->name : place->found;
}

void MemoryFileSystem::SetListedSize(const std::wstring& path, std::uint64_t size) {
    const Lock hold(mutex_);
    if (const auto place = Walk(path, false); place && place->node) place->node->listedSize = size;
}

bool MemoryFileSystem::IsFolder(const std::wstring& path) const {
    const Lock hold(mutex_);
    const auto place = Walk(path, false);
    return place && place->node && place->node->kind == Kind::Folder;
}

bool MemoryFileSystem::IsFile(const std::wstring& path) const {
    const Lock hold(mutex_);
    const auto place = Walk(path, false);
    return place && place->node && place->node->kind == Kind::File;
}

bool MemoryFileSystem::IsLink(const std::wstring& path) const {
    const Lock hold(mutex_);
    const auto place = Walk(path, false);
    return place && place->node && place->node->kind == Kind::Link;
}

std::optional<std::string> MemoryFileSystem::Content(const std::wstring& path) const {
    const Lock hold(mutex_);
    const auto place = Walk(path, false);
    if (!place || !place->node || place->node->kind != Kind::File) return std::nullopt;
    return place->node->content;
}

std::uint32_t MemoryFileSystem::AttributesOf(const std::wstring& path) const {
    const Lock hold(mutex_);
    const auto place = Walk(path, false);
    return place && place->node ? place->node->attributes : 0;
}

std::size_t MemoryFileSystem::FileCount() const {
    const Lock hold(mutex_);
    std::size_t count = 0;
    std::function<void(const Node&)> visit = [&](const Node& folder) {
        for (const auto& [name, node] : folder.children) {
            if (node && node->kind == Kind::File) ++count;
            if (node && node->kind == Kind::Folder) visit(*node);
        }
    };
    for (const auto& [name, drive] : drives_) visit(*drive);
    return count;
}

std::size_t MemoryFileSystem::CallCount(Op op) const {
    const Lock hold(mutex_);
    return static_cast<std::size_t>(
        std::count_if(calls_.begin(), calls_.end(), [op](const auto& c) { return c.first == op; }));
}

void MemoryFileSystem::After(Op op, const std::wstring& path, std::function<void()> change) {
    const Lock hold(mutex_);
    after_.push_back({{op, Key(path)}, std::move(change)});
}

bool MemoryFileSystem::Fails(Op op, const std::wstring& path) { return failures_.count({op, Key(path)}) != 0; }

void MemoryFileSystem::Record(Op op, const std::wstring& path) { calls_.emplace_back(op, path); }

void MemoryFileSystem::RunAfter(Op op, const std::wstring& path) {
    const auto at = std::find_if(after_.begin(), after_.end(),
                                 [&](const auto& hook) { return hook.first == std::pair(op, Key(path)); });
    if (at == after_.end()) return;
    const std::function<void()> change = std::move(at->second);
    after_.erase(at);
    change();
}

std::uint32_t MemoryFileSystem::Listed(const Node& node) {
    switch (node.kind) {
        case Kind::Folder:
            return node.attributes | attr::kDirectory;
        case Kind::File:
            return node.attributes;
        case Kind::Link:
            return node.attributes | attr::kLink | (node.folderLink ? attr::kDirectory : 0);
    }
    return node.attributes;
}

bool MemoryFileSystem::ListFolder(const std::wstring& folder, FolderVisitor& visitor) {
    const Lock hold(mutex_);
    Record(Op::List, folder);
    const auto place = Walk(folder, true);
    if (!place || !place->node || place->node->kind != Kind::Folder || Fails(Op::List, folder)) return false;
    // As on a real disk, the listing starts with the folder itself and its parent.
    visitor.Entry(L".", attr::kDirectory, 0);
    visitor.Entry(L"..", attr::kDirectory, 0);
    for (const auto& [name, child] : place->node->children)
        if (child) visitor.Entry(name, Listed(*child), child->kind == Kind::File ? child->listedSize.value_or(child->content.size()) : 0);
    for (const auto& [name, isFolder] : place->node->distinct) visitor.Entry(name, isFolder ? attr::kDirectory : 0, 1);
    RunAfter(Op::List, folder);
    return true;
}

std::optional<std::uint32_t> MemoryFileSystem::Attributes(const std::wstring& path) {
    const Lock hold(mutex_);
    Record(Op::Attributes, path);
    const auto place = Walk(path, false);
    if (!place || !place->node || Fails(Op::Attributes, path)) return std::nullopt;
    const std::uint32_t attributes = Listed(*place->node);
    RunAfter(Op::Attributes, path);
    return attributes;
}

std::optional<FoundEntry> MemoryFileSystem::Lookup(const std::wstring& path) {
    const Lock hold(mutex_);
    const auto place = Walk(path, false);
    if (!place || !place->node || Fails(Op::Attributes, path)) return std::nullopt;
    return FoundEntry{place->found, Listed(*place->node)};
}

int MemoryFileSystem::CompareNames(std::wstring_view a, std::wstring_view b) {
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const wchar_t x = UpperChar(a[i]);
        const wchar_t y = UpperChar(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::optional<VolumeSpace> MemoryFileSystem::Space(const std::wstring& folder) {
    const Lock hold(mutex_);
    const auto place = Walk(folder, true);
    return place && place->node && place->node->kind == Kind::Folder ? space_ : std::nullopt;
}

bool MemoryFileSystem::OnDisc(const std::wstring& path) {
    const Lock hold(mutex_);
    return disc_ && Key(path).compare(0, disc_->size(), *disc_) == 0;
}

bool MemoryFileSystem::IncursSeekPenalty(const std::wstring& path) {
    const Lock hold(mutex_);
    return seeking_ && Key(path).compare(0, seeking_->size(), *seeking_) == 0;
}

std::unique_ptr<HeldFolder> MemoryFileSystem::Hold(const std::wstring& path, bool create) {
    const Lock hold(mutex_);
    if (create) Record(Op::CreateFolder, path);
    const auto place = Walk(path, false);
    if (!place) return nullptr;
    NodePtr node = place->node;
    if (create) {
        if (node || !place->parent || Fails(Op::CreateFolder, path) || BeginChange(kMaking)) return nullptr;
        node = std::make_shared<Node>();
        Insert(*place->parent, place->name, node);
        EndChange();
    }
    if (!node || node->kind != Kind::Folder) return nullptr;
    return std::make_unique<Held>(node, path);
}

std::unique_ptr<HeldVolume> MemoryFileSystem::HoldVolume(const std::wstring&) {
    return volumeHeld_ ? std::make_unique<Volume>(*this) : nullptr;
}

std::unique_ptr<HeldFolder> MemoryFileSystem::HoldIn(HeldFolder& parentFolder, std::wstring_view name, bool create) {
    const Lock hold(mutex_);
    const Held& parent = static_cast<Held&>(parentFolder);
    const std::wstring path = Below(parent.path, name);
    if (create) Record(Op::CreateFolder, path);
    // As on Windows, a name that reaches a folder through its short alias is no hold of it.
    NodePtr node = Child(*parent.node, name, create).second;
    if (create) {
        if (node || Fails(Op::CreateFolder, path) || BeginChange(kMaking)) return nullptr;
        node = std::make_shared<Node>();
        Insert(*parent.node, std::wstring(name), node);
        EndChange();
    }
    if (!node || node->kind != Kind::Folder) return nullptr;
    return std::make_unique<Held>(node, path);
}

Written MemoryFileSystem::CopyInto(const std::wstring& from, HeldFolder& heldFolder, std::wstring_view name,
                                   bool dropReadOnly, CopyPacing& pacing) {
    const Held& folder = static_cast<Held&>(heldFolder);
    const std::wstring path = Below(folder.path, name);
    NodePtr file;
    {
        const Lock hold(mutex_);
        Record(Op::Copy, path);
        const auto source = Walk(from, true);
        if (!source || !source->node || source->node->kind != Kind::File) return {CopyOutcome::Failed, nullptr};
        if (Fails(Op::Copy, from) || Fails(Op::Copy, path)) return {CopyOutcome::Failed, nullptr};
        // Made new: any entry answering to the name, an alias too, fails the copy.
        if (Child(*folder.node, name, true).second || BeginChange(kCopyStart)) return {CopyOutcome::Failed, nullptr};
        file = std::make_shared<Node>();
        file->kind = Kind::File;
        Insert(*folder.node, std::wstring(name), file);
        EndChange();
    }
    // As on Windows, a copy cancelled between chunks, or failing, deletes what it wrote.
    auto written = std::make_unique<WrittenInMemory>(*this, folder.node, folder.path, std::wstring(name), file);
    // Outside the lock: the hook may hold its file as long as a stalled disk would.
    if (copyHook_)
        if (const auto outcome = copyHook_(from, pacing); outcome && *outcome != CopyOutcome::Copied)
            return {*outcome, nullptr};
    const Lock hold(mutex_);
    const auto source = Walk(from, true);
    if (!source || !source->node) return {CopyOutcome::Failed, nullptr};
    const std::string content = source->node->content;
    // Chunk by chunk, each a write of its own; after each whole chunk a stop is heard.
    const std::size_t chunk = chunkSize_ != 0 ? chunkSize_ : std::max<std::size_t>(content.size(), 1);
    std::size_t done = 0;
    do {
        const std::size_t piece = std::min(chunk, content.size() - done);
        if (BeginChange(kWriting)) return {CopyOutcome::Failed, nullptr};
        file->content += content.substr(done, piece);
        EndChange();
        done += piece;
        if (chunkSize_ != 0 && piece == chunkSize_ && !pacing.KeepGoing()) return {CopyOutcome::Stopped, nullptr};
    } while (done < content.size());
    if (BeginChange(kSetting)) return {CopyOutcome::Failed, nullptr};
    file->attributes = source->node->attributes & ~(dropReadOnly ? attr::kReadOnly : 0u);
    EndChange();
    RunAfter(Op::Copy, path);
    return {CopyOutcome::Copied, std::move(written)};
}

bool MemoryFileSystem::ClearAttributesIn(HeldFolder& heldFolder, std::wstring_view name) {
    const Lock hold(mutex_);
    const Held& folder = static_cast<Held&>(heldFolder);
    const std::wstring path = Below(folder.path, name);
    Record(Op::ClearAttributes, path);
    const NodePtr node = Child(*folder.node, name, true).second;
    if (!node || node->kind != Kind::File || Fails(Op::ClearAttributes, path) || BeginChange(kRemoving)) return false;
    node->attributes = 0;
    EndChange();
    return true;
}

bool MemoryFileSystem::RemoveIn(HeldFolder& heldFolder, std::wstring_view name) {
    const Lock hold(mutex_);
    const Held& folder = static_cast<Held&>(heldFolder);
    const std::wstring path = Below(folder.path, name);
    Record(Op::Remove, path);
    const auto [found, node] = Child(*folder.node, name, true);
    if (!node) return true;
    if (node->kind != Kind::File || Fails(Op::Remove, path) || BeginChange(kRemoving)) return false;
    Erase(*folder.node, found);
    EndChange();
    return true;
}

bool AwaitHalt(CopyPacing& pacing) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (pacing.KeepGoing()) {
        if (std::chrono::steady_clock::now() > end) {
            ADD_FAILURE() << "the file in flight was never asked to end";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::optional<CopyOutcome> StallUntilHalted(CopyPacing& pacing) {
    return AwaitHalt(pacing) ? CopyOutcome::Stopped : CopyOutcome::Failed;
}

}  // namespace setup::test
