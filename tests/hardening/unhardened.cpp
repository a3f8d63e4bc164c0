// Linked into a test-only copy of setup.exe in place of the real hardening, so the planted-DLL
// tests can show that they see a planted DLL when one runs.
#include "platform/dll_search.hpp"

setup::SystemDlls setup::HardenDllSearch() { return {}; }
