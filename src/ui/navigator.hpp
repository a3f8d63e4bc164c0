#pragma once

namespace setup::ui {

// The hand-overs between the three windows. Each shows the next window, then unloads the
// current one.
class Navigator {
public:
    virtual ~Navigator() = default;
    virtual void ShowLauncher() = 0;
    virtual void ShowWizard() = 0;
    virtual void ShowCompletion() = 0;
};

}  // namespace setup::ui
