#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace volmar::test {

// A private folder removed with everything in it when the object dies.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// The folder the test main made for this test binary (XDG folders and the
// working directory live below it).
const std::filesystem::path& testRoot();

// A whole file; empty when it cannot be read.
std::string readFileText(const std::filesystem::path& file);
std::vector<std::uint8_t> readFileBytes(const std::filesystem::path& file);

// Replaces a file's content; a test failure when it cannot be written.
void writeFileText(const std::filesystem::path& file, std::string_view text);
void writeFileBytes(const std::filesystem::path& file, std::span<const std::uint8_t> bytes);

} // namespace volmar::test
