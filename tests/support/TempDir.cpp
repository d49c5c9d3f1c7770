#include "TempDir.h"

#include <cstdlib>
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

} // namespace volmar::test
