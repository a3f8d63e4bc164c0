// libFuzzer target: the product information splitter fed in arbitrary chunks.
// Input: byte 0 gives the number n (0-15) of chunk-size bytes that follow; the rest is the file.
#include "launcher/product_info.hpp"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

// The rule written a second way: cut at each CR, skip one LF after it.
Lines ReferenceLines(std::string_view text) {
    Lines lines;
    std::size_t pos = 0;
    while (pos < text.size() && lines.size() < setup::kProductLineCount) {
        const std::size_t cr = text.find('\r', pos);
        if (cr == std::string_view::npos) {
            lines.emplace_back(text.substr(pos));
            break;
        }
        lines.emplace_back(text.substr(pos, cr - pos));
        pos = cr + 1;
        if (pos < text.size() && text[pos] == '\n') ++pos;
    }
    return lines;
}

// Lines and their terminators laid end to end give back the start of the text; with fewer
// than five lines they give back all of it.
void CheckRebuildsText(const Lines& lines, std::string_view text) {
    std::size_t pos = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        Check(text.substr(pos, lines[i].size()) == lines[i]);
        pos += lines[i].size();
        if (pos == text.size()) {
            Check(i + 1 == lines.size());  // only the last line may lack a terminator
            break;
        }
        Check(text[pos] == '\r');
        ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
    }
    if (lines.size() < setup::kProductLineCount) Check(pos == text.size());
}

void CheckState(const setup::ProductLineSplitter& s, const Lines& before) {
    const Lines& now = s.Lines();
    Check(now.size() <= setup::kProductLineCount);
    Check(s.Full() == (now.size() == setup::kProductLineCount));
    // Complete lines never change, and nothing is added once full.
    Check(now.size() >= before.size());
    for (std::size_t i = 0; i < before.size(); ++i) Check(now[i] == before[i]);
    if (before.size() == setup::kProductLineCount) Check(now == before);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::size_t cuts = data[0] % 16;
    ++data;
    --size;
    if (cuts > size) cuts = size;
    const std::uint8_t* sizes = data;
    const std::string_view text(reinterpret_cast<const char*>(data + cuts), size - cuts);

    setup::ProductLineSplitter s;
    std::size_t pos = 0;
    std::size_t turn = 0;
    while (pos < text.size()) {
        std::size_t len = text.size() - pos;
        if (cuts > 0) {
            const std::uint8_t b = sizes[turn++ % cuts];
            if (b == 0) {
                const Lines before = s.Lines();
                s.Feed({});
                CheckState(s, before);
            }
            len = std::min<std::size_t>(len, b == 0 ? 1 : b % 64 == 0 ? len : b % 64);
        }
        const Lines before = s.Lines();
        s.Feed(text.substr(pos, len));
        CheckState(s, before);
        pos += len;
    }
    const Lines fed = s.Lines();
    s.Finish();
    CheckState(s, fed);

    const Lines& lines = s.Lines();
    for (const std::string& line : lines) Check(line.find('\r') == std::string::npos);
    Check(lines == setup::SplitProductLines(text));
    Check(lines == ReferenceLines(text));
    CheckRebuildsText(lines, text);

    // A later load overwrites only the entries the file has.
    std::array<std::string, setup::kProductLineCount> window{"0", "1", "2", "3", "4"};
    setup::ApplyProductLines(window, lines);
    for (std::size_t i = 0; i < window.size(); ++i) {
        Check(window[i] == (i < lines.size() ? lines[i] : std::to_string(i)));
    }
    return 0;
}
