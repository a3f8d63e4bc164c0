#pragma once
// Whether a text colour can be read on a background. Platform-free.
#include <cstdint>

namespace setup::ui {

struct Rgb {
    std::uint8_t red, green, blue;
};

// The contrast ratio of two colours, 1 (none) to 21 (black on white), as the Web Content
// Accessibility Guidelines define it from relative luminance.
double ContrastRatio(Rgb a, Rgb b);

// Those guidelines' least contrast for text of ordinary size.
inline constexpr double kReadableContrast = 4.5;

inline bool Readable(Rgb text, Rgb background) { return ContrastRatio(text, background) >= kReadableContrast; }

}  // namespace setup::ui
