#pragma once
// The product information file: short lines of text, one field a line.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace setup {

inline constexpr std::size_t kProductLineCount = 5;

// A window's five lines; they belong to the window object and outlive its unload.
using ProductLines = std::array<std::wstring, kProductLineCount>;

enum ProductLine : std::size_t {
    kProductName = 0,
    kContentVersion = 2,
    kContentMarker = 3,
};

// Splits raw bytes into lines as they arrive. A line ends at CR or at CR LF; a bare LF
// belongs to the line. Only the first five lines are kept, so a file of any length costs
// the same.
class ProductLineSplitter {
public:
    void Feed(std::string_view bytes);
    void Finish();
    // True once five lines are complete: the rest of the file cannot change the result.
    bool Full() const { return lines_.size() == kProductLineCount; }
    const std::vector<std::string>& Lines() const { return lines_; }

private:
    void EndLine();

    std::vector<std::string> lines_;
    std::string current_;
    bool pending_ = false;  // bytes seen since the last terminator
    bool afterCr_ = false;  // a LF right after CR is part of the terminator
};

std::vector<std::string> SplitProductLines(std::string_view bytes);

// Overwrites the entries for which the file has lines; the others keep what an earlier
// load left.
template <class Text>
void ApplyProductLines(std::array<Text, kProductLineCount>& target, const std::vector<Text>& lines) {
    for (std::size_t i = 0; i < lines.size() && i < kProductLineCount; ++i) target[i] = lines[i];
}

}  // namespace setup
