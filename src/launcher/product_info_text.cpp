#include "launcher/product_info_text.hpp"

namespace setup {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeMark = "\xFF\xFE";
constexpr std::uint32_t kReplacement = 0xFFFD;

bool CouldBecome(std::string_view head, std::string_view mark) {
    return head.size() < mark.size() && mark.substr(0, head.size()) == head;
}

}  // namespace

void ProductInfoDecoder::Feed(std::string_view bytes) {
    if (decided_) {
        Pass(bytes);
        return;
    }
    // The mark may arrive split over chunks: hold the bytes until it is known.
    while (!bytes.empty() && !decided_) {
        head_.push_back(bytes.front());
        bytes.remove_prefix(1);
        if (head_ == kUtf8Mark) {
            encoding_ = ProductTextEncoding::kUtf8;
            head_.clear();
            decided_ = true;
        } else if (head_ == kUtf16LeMark) {
            encoding_ = ProductTextEncoding::kUtf16Le;
            head_.clear();
            decided_ = true;
        } else if (!CouldBecome(head_, kUtf8Mark) && !CouldBecome(head_, kUtf16LeMark)) {
            decided_ = true;
        }
    }
    if (!decided_) return;
    if (!head_.empty()) {
        const std::string head = std::move(head_);
        head_.clear();
        Pass(head);
    }
    Pass(bytes);
}

void ProductInfoDecoder::Finish() {
    if (!decided_) {
        decided_ = true;
        const std::string head = std::move(head_);
        head_.clear();
        Pass(head);
    }
    if (encoding_ == ProductTextEncoding::kUtf16Le) {
        utf8_.clear();
        // A lone high surrogate or a final odd byte stands for a character that was cut off.
        if (highSurrogate_ != 0 || pendingByte_ >= 0) AppendCodePoint(kReplacement);
        highSurrogate_ = 0;
        pendingByte_ = -1;
        splitter_.Feed(utf8_);
    }
    splitter_.Finish();
}

void ProductInfoDecoder::Pass(std::string_view bytes) {
    if (bytes.empty() || splitter_.Full()) return;
    if (encoding_ != ProductTextEncoding::kUtf16Le) {
        splitter_.Feed(bytes);
        return;
    }
    utf8_.clear();
    for (const char c : bytes) {
        const auto byte = static_cast<std::uint32_t>(static_cast<unsigned char>(c));
        if (pendingByte_ < 0) {
            pendingByte_ = static_cast<int>(byte);
            continue;
        }
        const std::uint32_t unit = static_cast<std::uint32_t>(pendingByte_) | (byte << 8);
        pendingByte_ = -1;
        AppendUnit(unit);
    }
    splitter_.Feed(utf8_);
}

void ProductInfoDecoder::AppendUnit(std::uint32_t unit) {
    if (highSurrogate_ != 0) {
        const std::uint32_t high = highSurrogate_;
        highSurrogate_ = 0;
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            AppendCodePoint(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
            return;
        }
        AppendCodePoint(kReplacement);
    }
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        highSurrogate_ = unit;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
        AppendCodePoint(kReplacement);
    } else {
        AppendCodePoint(unit);
    }
}

void ProductInfoDecoder::AppendCodePoint(std::uint32_t cp) {
    auto put = [this](std::uint32_t byte) { utf8_.push_back(static_cast<char>(byte)); };
    if (cp < 0x80) {
        put(cp);
    } else if (cp < 0x800) {
        put(0xC0 | (cp >> 6));
        put(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        put(0xE0 | (cp >> 12));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    } else {
        put(0xF0 | (cp >> 18));
        put(0x80 | ((cp >> 12) & 0x3F));
        put(0x80 | ((cp >> 6) & 0x3F));
        put(0x80 | (cp & 0x3F));
    }
}

DecodedProductLines DecodeProductLines(std::string_view bytes) {
    ProductInfoDecoder decoder;
    decoder.Feed(bytes);
    decoder.Finish();
    return {decoder.Encoding(), decoder.Lines()};
}

}  // namespace setup
