#include "HexDescriptor.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <sstream>

namespace volmar::hidparse::test {

std::vector<std::uint8_t> hexBytes(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string word;
        while (words >> word) {
            if (word.size() != 2 || !std::isxdigit(static_cast<unsigned char>(word[0])) ||
                !std::isxdigit(static_cast<unsigned char>(word[1]))) {
                ADD_FAILURE() << "not a hex byte: '" << word << "'";
                return {};
            }
            bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
        }
    }
    return bytes;
}

std::vector<std::uint8_t> goldenDescriptor(const std::string& name) {
    const std::string path = std::string(VOLMAR_TEST_DATA_DIR) + "/hid/" + name + ".hex";
    std::ifstream in(path);
    if (!in) {
        ADD_FAILURE() << "cannot open " << path;
        return {};
    }
    std::stringstream text;
    text << in.rdbuf();
    return hexBytes(text.str());
}

ParsedDescriptor mustParse(const std::vector<std::uint8_t>& bytes) {
    auto parsed = parseDescriptor(bytes);
    if (!parsed) {
        ADD_FAILURE() << "parse failed: " << parsed.error().text;
        return {};
    }
    return std::move(*parsed);
}

} // namespace volmar::hidparse::test
