#include "platform/redirection_trust.hpp"

namespace setup {
namespace {

// PROCESS_MITIGATION_POLICY's ProcessRedirectionTrustPolicy and the flag of its structure, which
// this toolchain's headers don't have yet.
constexpr int kRedirectionTrustPolicy = 16;
constexpr DWORD kEnforceRedirectionTrust = 0x1;

}  // namespace

bool EnforceRedirectionTrust(SetMitigationFunction set) {
    if (!set) {
        const HMODULE kernel32 = ::GetModuleHandleW(L"kernel32.dll");
        set = kernel32 ? reinterpret_cast<SetMitigationFunction>(
                             reinterpret_cast<void*>(::GetProcAddress(kernel32, "SetProcessMitigationPolicy")))
                       : nullptr;
        if (!set) return false;
    }
    DWORD flags = kEnforceRedirectionTrust;
    return set(kRedirectionTrustPolicy, &flags, sizeof flags) != FALSE;
}

}  // namespace setup
