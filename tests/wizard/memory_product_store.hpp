#pragma once
// The installation's product store in memory: the registry's values as a program reads them,
// and what of them a power cut would leave, which is only what was flushed.
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "copier/memory_file_system.hpp"
#include "wizard/installation.hpp"

namespace setup::test {

inline const std::wstring kProduct = L"SOFTWARE\\corvanthyle\\Tessovarine";
inline const std::wstring kMarker = kProduct + L"\\ZRV\\7B";

class MemoryProductStore final : public ProductStore {
public:
    using Values = std::map<std::pair<std::wstring, std::wstring>, std::wstring>;

    std::wstring GetProductValue(const std::wstring& name) override {
        const auto it = values.find({kProduct, name});
        return it == values.end() ? std::wstring() : it->second;
    }
    bool SetRegString(const std::wstring& keyPath, const std::wstring& name, const std::wstring& text) override {
        writes.push_back({keyPath, name});
        if (refused.count(keyPath)) return false;
        static constexpr Fault kWriting[] = {Fault::AccessDenied, Fault::DiskFull};
        if (changes && changes->BeginChange(kWriting)) return false;
        values[{keyPath, name}] = text;
        if (changes) changes->EndChange();
        return true;
    }
    bool Flush() override {
        static constexpr Fault kFlushing[] = {Fault::DiskFull};
        if (changes && changes->BeginChange(kFlushing)) return false;
        durable = values;
        if (changes) changes->EndChange();
        return true;
    }
    // What a new run reads after a power cut now.
    void CutPower() { values = durable; }

    Values values;
    Values durable;  // on the disk
    std::vector<std::pair<std::wstring, std::wstring>> writes;  // attempted, in order
    std::set<std::wstring> refused;                             // keys whose writes fail
    MemoryFileSystem* changes = nullptr;  // whose count of changes the store's count in
};

}  // namespace setup::test
