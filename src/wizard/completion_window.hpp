#pragma once
#include "launcher/product_info_file.hpp"
#include "ui/form.hpp"

namespace setup {

// The last window of a successful installation; its only button ends the program.
class CompletionWindow : public ui::Form {
public:
    CompletionWindow();

private:
    void OnLoad() override;
    void OnClick(int id) override;

    ProductLines lines_{};
};

}  // namespace setup
