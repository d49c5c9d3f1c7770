#pragma once

#include <filesystem>
#include <string>

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

} // namespace volmar::test
