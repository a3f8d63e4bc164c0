#pragma once
// How the product information file's bytes become lines of text. The file is in code page
// 936 by design; an editor that saves it as Unicode puts a byte-order mark in front, and
// such a file is read in the encoding the mark names.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/product_info.hpp"

namespace setup {

enum class ProductTextEncoding {
    kCodePage936,  // no byte-order mark
    kUtf8,         // EF BB BF
    kUtf16Le,      // FF FE
};

// Takes the file's bytes in chunks of any size and hands them to a ProductLineSplitter: the
// byte-order mark is dropped and UTF-16LE becomes UTF-8 first, so lines still end at CR.
// The lines come out as bytes of code page 936 or of UTF-8, as Encoding() tells.
class ProductInfoDecoder {
public:
    void Feed(std::string_view bytes);
    void Finish();
    bool Full() const { return splitter_.Full(); }
    ProductTextEncoding Encoding() const { return encoding_; }
    const std::vector<std::string>& Lines() const { return splitter_.Lines(); }

private:
    void Pass(std::string_view bytes);
    void AppendUnit(std::uint32_t unit);
    void AppendCodePoint(std::uint32_t codePoint);

    ProductLineSplitter splitter_;
    ProductTextEncoding encoding_ = ProductTextEncoding::kCodePage936;
    bool decided_ = false;
    std::string head_;      // the first bytes, until they show whether a mark is there
    int pendingByte_ = -1;  // UTF-16: the low byte of a unit split between chunks
    std::uint32_t highSurrogate_ = 0;
    std::string utf8_;
};

struct DecodedProductLines {
    ProductTextEncoding encoding;
    std::vector<std::string> lines;
};
DecodedProductLines DecodeProductLines(std::string_view bytes);

}  // namespace setup
