#pragma once
// One setup at a time in a session: a second start hands over to the running one.
#include "platform/unique_handle.hpp"

namespace setup {

class SingleInstance {
public:
    // False when another setup of this session holds the claim. When the claim can't be
    // checked at all, this one runs: a broken check must never stop an installation.
    bool Claim();

private:
    UniqueHandleK mutex_;  // held for the life of the process
};

// Brings the running setup's window to the front, restored if it was minimized.
void ActivateRunningInstance();

}  // namespace setup
