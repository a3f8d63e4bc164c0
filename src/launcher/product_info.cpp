#include "launcher/product_info.hpp"

namespace setup {

void ProductLineSplitter::EndLine() {
    if (!Full()) lines_.push_back(std::move(current_));
    current_.clear();
    pending_ = false;
}

void ProductLineSplitter::Feed(std::string_view bytes) {
    for (const char c : bytes) {
        if (Full()) return;
        if (afterCr_) {
            afterCr_ = false;
            if (c == '\n') continue;
        }
        if (c == '\r') {
            EndLine();
            afterCr_ = true;
        } else {
            current_.push_back(c);
            pending_ = true;
        }
    }
}

void ProductLineSplitter::Finish() {
    if (pending_) EndLine();
}

std::vector<std::string> SplitProductLines(std::string_view bytes) {
    ProductLineSplitter s;
    s.Feed(bytes);
    s.Finish();
    return s.Lines();
}

}  // namespace setup
