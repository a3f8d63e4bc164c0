#pragma once
#include "launcher/product_info_file.hpp"
#include "ui/form.hpp"
#include "ui/navigator.hpp"

namespace setup {

// The first window: greets the user and chooses between the wizard and the full installer.
class LauncherWindow : public ui::Form {
public:
    explicit LauncherWindow(ui::Navigator& navigator);

private:
    void OnLoad() override;
    void OnClick(int id) override;
    void Next();

    ui::Navigator& navigator_;
    ProductLines lines_{};
};

}  // namespace setup
