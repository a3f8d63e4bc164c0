#include "copier/memory_file_system.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cwctype>
#include <chrono>
#include <mutex>
#include <thread>

namespace setup::test {

MemoryFileSystem::MemoryFileSystem() { nodes_[L"C:"].folder = true; }

namespace {

wchar_t Upper(wchar_t c) { return static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c))); }

}  // namespace

std::wstring MemoryFileSystem::Clean(const std::wstring& path) {
    std::wstring clean;
    for (wchar_t c : path) {
        if (c == L'\\' && !clean.empty() && clean.back() == L'\\') continue;
        clean += c;
    }
    if (!clean.empty() && clean.back() == L'\\') clean.pop_back();
    return clean;
}

std::wstring MemoryFileSystem::Key(const std::wstring& path) {
    std::wstring key = Clean(path);
    for (wchar_t& c : key) c = Upper(c);
    return key;
}

std::pair<std::wstring, std::wstring> MemoryFileSystem::Split(const std::wstring& key) {
    const auto slash = key.rfind(L'\\');
    if (slash == std::wstring::npos) return {L"", key};
    return {key.substr(0, slash), key.substr(slash + 1)};
}

std::optional<std::wstring> MemoryFileSystem::Resolve(const std::wstring& path) const {
    std::wstring key = Key(path);
    if (nodes_.count(key) == 0) {
        const auto alias = aliases_.find(key);
        if (alias == aliases_.end() || nodes_.count(alias->second) == 0) return std::nullopt;
        key = alias->second;
    }
    return key;
}

const MemoryFileSystem::Node* MemoryFileSystem::Find(const std::wstring& path) const {
    const auto key = Resolve(path);
    return key ? &nodes_.at(*key) : nullptr;
}

MemoryFileSystem::Node* MemoryFileSystem::Find(const std::wstring& path) {
    const auto key = Resolve(path);
    return key ? &nodes_.at(*key) : nullptr;
}

void MemoryFileSystem::Erase(const std::wstring& key) {
    nodes_.erase(key);
    const auto [parent, name] = Split(key);
    if (const auto it = nodes_.find(parent); it != nodes_.end()) {
        // From the end: what goes is most often what came last, a copy's target.
        auto& children = it->second.children;
        for (auto child = children.rbegin(); child != children.rend(); ++child) {
            if (child->size() == name.size() &&
                std::equal(child->begin(), child->end(), name.begin(), [](wchar_t a, wchar_t b) { return Upper(a) == b; })) {
                children.erase(std::next(child).base());
                break;
            }
        }
    }
}

void MemoryFileSystem::SetShortName(const std::wstring& path, const std::wstring& alias) {
    const Lock hold(mutex_);
    aliases_[Key(Split(Clean(path)).first + L"\\" + alias)] = Key(path);
}

MemoryFileSystem::Node& MemoryFileSystem::Add(const std::wstring& path, bool folder) {
    const auto [parent, name] = Split(Clean(path));
    const bool drive = parent.empty();
    if (!drive && !Find(parent)) Add(parent, true);
    auto [it, added] = nodes_.try_emplace(Key(path));
    if (added && !drive) nodes_[Key(parent)].children.push_back(name);
    it->second.folder = folder;
    return it->second;
}

void MemoryFileSystem::AddFolder(const std::wstring& path, std::uint32_t attributes) {
    const Lock hold(mutex_);
    Add(path, true).attributes = attributes;
}

void MemoryFileSystem::AddFile(const std::wstring& path, std::string content, std::uint32_t attributes) {
    const Lock hold(mutex_);
    Node& node = Add(path, false);
    node.content = std::move(content);
    node.attributes = attributes;
}

void MemoryFileSystem::AddDistinct(const std::wstring& path, bool folder) {
    const Lock hold(mutex_);
    const auto [parent, name] = Split(Clean(path));
    Node& node = Add(parent, true);
    node.distinct.emplace_back(name, folder);
}

void MemoryFileSystem::SetListedSize(const std::wstring& path, std::uint64_t size) {
    const Lock hold(mutex_);
    if (Node* node = Find(path)) node->listedSize = size;
}

bool MemoryFileSystem::IsFolder(const std::wstring& path) const {
    const Lock hold(mutex_);
    const Node* node = Find(path);
    return node && node->folder;
}

bool MemoryFileSystem::IsFile(const std::wstring& path) const {
    const Lock hold(mutex_);
    const Node* node = Find(path);
    return node && !node->folder;
}

std::optional<std::string> MemoryFileSystem::Content(const std::wstring& path) const {
    const Lock hold(mutex_);
    const Node* node = Find(path);
    if (!node || node->folder) return std::nullopt;
    return node->content;
}

std::uint32_t MemoryFileSystem::AttributesOf(const std::wstring& path) const {
    const Lock hold(mutex_);
    const Node* node = Find(path);
    return node ? node->attributes : 0;
}

std::size_t MemoryFileSystem::FileCount() const {
    const Lock hold(mutex_);
    return static_cast<std::size_t>(
        std::count_if(nodes_.begin(), nodes_.end(), [](const auto& n) { return !n.second.folder; }));
}

std::size_t MemoryFileSystem::CallCount(Op op) const {
    const Lock hold(mutex_);
    return static_cast<std::size_t>(
        std::count_if(calls_.begin(), calls_.end(), [op](const auto& c) { return c.first == op; }));
}

bool MemoryFileSystem::Fails(Op op, const std::wstring& path) { return failures_.count({op, Key(path)}) != 0; }

bool MemoryFileSystem::ListFolder(const std::wstring& folder, FolderVisitor& visitor) {
    const Lock hold(mutex_);
    calls_.emplace_back(Op::List, folder);
    const Node* node = Find(folder);
    if (!node || !node->folder || Fails(Op::List, folder)) return false;
    // As on a real disk, the listing starts with the folder itself and its parent.
    visitor.Entry(L".", attr::kDirectory, 0);
    visitor.Entry(L"..", attr::kDirectory, 0);
    const std::wstring prefix = Key(folder) + L'\\';
    for (const std::wstring& name : node->children) {
        const Node& child = nodes_.at(Key(prefix + name));
        visitor.Entry(name, child.attributes | (child.folder ? attr::kDirectory : 0),
                      child.listedSize.value_or(child.content.size()));
    }
    for (const auto& [name, folder] : node->distinct) visitor.Entry(name, folder ? attr::kDirectory : 0, 1);
    return true;
}

std::optional<std::uint32_t> MemoryFileSystem::Attributes(const std::wstring& path) {
    const Lock hold(mutex_);
    calls_.emplace_back(Op::Attributes, path);
    const Node* node = Find(path);
    if (!node || Fails(Op::Attributes, path)) return std::nullopt;
    return node->attributes | (node->folder ? attr::kDirectory : 0);
}

std::optional<FoundEntry> MemoryFileSystem::Lookup(const std::wstring& path) {
    const Lock hold(mutex_);
    const auto attributes = Attributes(path);
    if (!attributes) return std::nullopt;
    const auto [parent, name] = Split(*Resolve(path));
    if (const auto it = nodes_.find(parent); it != nodes_.end())
        for (const std::wstring& child : it->second.children)
            if (Key(child) == name) return FoundEntry{child, *attributes};
    return FoundEntry{name, *attributes};
}

bool MemoryFileSystem::ClearAttributes(const std::wstring& path) {
    const Lock hold(mutex_);
    calls_.emplace_back(Op::ClearAttributes, path);
    Node* node = Find(path);
    if (!node || Fails(Op::ClearAttributes, path)) return false;
    node->attributes = 0;
    return true;
}

bool MemoryFileSystem::ClearReadOnly(const std::wstring& path) {
    const Lock hold(mutex_);
    calls_.emplace_back(Op::ClearReadOnly, path);
    Node* node = Find(path);
    if (!node || Fails(Op::ClearReadOnly, path)) return false;
    node->attributes &= ~attr::kReadOnly;
    return true;
}

int MemoryFileSystem::CompareNames(std::wstring_view a, std::wstring_view b) {
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
        const wchar_t x = Upper(a[i]);
        const wchar_t y = Upper(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::optional<VolumeSpace> MemoryFileSystem::Space(const std::wstring& folder) {
    const Lock hold(mutex_);
    return IsFolder(folder) ? space_ : std::nullopt;
}

bool MemoryFileSystem::OnDisc(const std::wstring& path) {
    const Lock hold(mutex_);
    return disc_ && Key(path).compare(0, disc_->size(), *disc_) == 0;
}

bool MemoryFileSystem::IncursSeekPenalty(const std::wstring& path) {
    const Lock hold(mutex_);
    return seeking_ && Key(path).compare(0, seeking_->size(), *seeking_) == 0;
}

bool MemoryFileSystem::CreateFolder(const std::wstring& path) {
    const Lock hold(mutex_);
    calls_.emplace_back(Op::CreateFolder, path);
    const std::wstring key = Key(path);
    if (Find(key) || !IsFolder(Split(key).first) || Fails(Op::CreateFolder, path)) return false;
    Add(key, true);
    return true;
}

CopyOutcome MemoryFileSystem::Copy(const std::wstring& from, const std::wstring& to, bool replace, CopyPacing& pacing) {
    std::wstring target;
    {
        const Lock hold(mutex_);
        calls_.emplace_back(Op::Copy, to);
        const Node* source = Find(from);
        if (!source || source->folder || !IsFolder(Split(Key(to)).first)) return CopyOutcome::Failed;
        if (Fails(Op::Copy, from) || Fails(Op::Copy, to)) return CopyOutcome::Failed;
        if (const Node* existing = Find(to)) {
            if (!replace) return CopyOutcome::Failed;
            // Windows refuses these: a read-only file always, a hidden or system one unless
            // the source carries the same attribute.
            const std::uint32_t hiding = existing->attributes & (attr::kHidden | attr::kSystem);
            if (existing->folder || (existing->attributes & attr::kReadOnly) || (hiding & ~source->attributes) != 0)
                return CopyOutcome::Failed;
        }
        // The target is open, and a file it replaces cut to nothing, before any data moves.
        target = Resolve(to).value_or(Key(to));
        Node& opened = Add(target == Key(to) ? to : target, false);
        opened.content.clear();
        opened.attributes = 0;
    }
    // As on Windows, a copy cancelled between chunks, or failing, deletes what it wrote.
    auto abandon = [&](CopyOutcome outcome) {
        const Lock hold(mutex_);
        Erase(target);
        return outcome;
    };
    // Outside the lock: the hook may hold its file as long as a stalled disk would.
    if (copyHook_)
        if (const auto outcome = copyHook_(from, pacing)) return *outcome == CopyOutcome::Copied ? *outcome : abandon(*outcome);
    const Lock hold(mutex_);
    const Node* source = Find(from);
    if (!source) return abandon(CopyOutcome::Failed);
    if (chunkSize_ != 0)
        for (std::size_t done = chunkSize_; done <= source->content.size(); done += chunkSize_)
            if (!pacing.KeepGoing()) return abandon(CopyOutcome::Stopped);
    Node& written = nodes_.at(target);
    written.content = source->content;
    written.attributes = source->attributes;
    return CopyOutcome::Copied;
}

CopyOutcome MemoryFileSystem::Rename(const std::wstring& from, const std::wstring& to, bool replace, CopyPacing&) {
    const Lock hold(mutex_);
    calls_.emplace_back(Op::Rename, to);
    const auto source = Resolve(from);
    if (!source || nodes_.at(*source).folder || !IsFolder(Split(Key(to)).first)) return CopyOutcome::Failed;
    if (Fails(Op::Rename, from) || Fails(Op::Rename, to)) return CopyOutcome::Failed;
    if (const auto existing = Resolve(to); existing && *existing != *source) {
        const Node& node = nodes_.at(*existing);
        if (!replace || node.folder || (node.attributes & attr::kReadOnly)) return CopyOutcome::Failed;
        Erase(*existing);
    }
    Node moved = nodes_.at(*source);
    Erase(*source);
    Node& placed = Add(to, false);
    placed.content = std::move(moved.content);
    placed.attributes = moved.attributes;
    return CopyOutcome::Copied;
}

bool MemoryFileSystem::Remove(const std::wstring& path) {
    const Lock hold(mutex_);
    calls_.emplace_back(Op::Remove, path);
    const auto key = Resolve(path);
    if (!key) return true;
    if (nodes_.at(*key).folder || Fails(Op::Remove, path)) return false;
    Erase(*key);
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
