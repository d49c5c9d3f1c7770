#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace volmar::test {

namespace {
std::filesystem::path makeUniqueDir(const std::filesystem::path& parent) {
    std::string pattern = (parent / "volmar-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed below " + parent.string());
    }
    return pattern;
}
} // namespace

TempDir::TempDir() : m_path(makeUniqueDir(std::filesystem::temp_directory_path())) {}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::string readFileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> readFileBytes(const std::filesystem::path& file) {
    const std::string text = readFileText(file);
    return {text.begin(), text.end()};
}

void writeFileText(const std::filesystem::path& file, std::string_view text) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!out.good()) {
        ADD_FAILURE() << "cannot write " << file;
    }
}

void writeFileBytes(const std::filesystem::path& file, std::span<const std::uint8_t> bytes) {
    writeFileText(file,
                  std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

} // namespace volmar::test
