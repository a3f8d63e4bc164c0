#pragma once
#include <chrono>

#include "launcher/product_info_file.hpp"
#include "ui/form.hpp"
#include "ui/navigator.hpp"
#include "copier/tree_copier.hpp"

namespace setup {

// Works out source and destination, copies the content tree with a live progress bar,
// records the content marker and version, and hands over to the Completion window.
class WizardWindow : public ui::Form {
public:
    explicit WizardWindow(ui::Navigator& navigator, const ui::Desktop& desktop = ui::SystemDesktop());

private:
    void OnLoad() override;
    void OnClick(int id) override;
    void OnClose() override;
    bool OnQueryEndSession(bool critical) override;
    void OnEndSession() override;
    void Install();
    // "正在安装 " and the name: the status heading during a copy, and what the session is told.
    std::wstring Heading() const;
    void ShowCopying();
    void ShowFailure();

    ui::Navigator& navigator_;
    ProductLines lines_{};
    bool copying_ = false;
    bool stopRequested_ = false;
    FilesInFlight filesInFlight_;
    static constexpr std::chrono::milliseconds kSessionEndWait{3000};
};

}  // namespace setup
