// Prints what setup.exe reads from a product information file: the encoding, then each line.
#include <fstream>
#include <iostream>
#include <iterator>

#include "launcher/product_info_text.hpp"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    std::ifstream in(argv[1], std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto decoded = setup::DecodeProductLines(bytes);
    std::cout << static_cast<int>(decoded.encoding) << '\n';
    for (const auto& line : decoded.lines) std::cout << line << '\n';
}
