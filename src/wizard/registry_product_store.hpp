#pragma once
// The installation's product store over the machine's registry.
#include "registry/reg.hpp"
#include "wizard/installation.hpp"

namespace setup {

class RegistryProductStore final : public ProductStore {
public:
    std::wstring GetProductValue(const std::wstring& name) override { return reg::GetProductValue(name); }
    bool SetRegString(const std::wstring& keyPath, const std::wstring& name, const std::wstring& text) override {
        return reg::SetRegString(keyPath, name, text);
    }
    // The marker's key lies in the product key's hive: one flush takes both.
    bool Flush() override { return reg::FlushKey(reg::kProductKey); }
};

}  // namespace setup
