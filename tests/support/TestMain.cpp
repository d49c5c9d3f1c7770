// Shared main of every test binary: tests never see the user's environment.
// XDG_RUNTIME_DIR (where virtual controllers live), XDG_CONFIG_HOME,
// XDG_DATA_HOME and the working directory all point into one private folder
// per test binary.
#include "TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace volmar::test {

namespace {
TempDir* g_root = nullptr;
}

const std::filesystem::path& testRoot() {
    return g_root->path();
}

} // namespace volmar::test

// Fontconfig keeps a few blocks of its own for the whole process, which the
// leak checker of the sanitizer builds would report for every suite that
// draws widgets (the configurator's and the viewer's alike).
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    volmar::test::TempDir root;
    volmar::test::g_root = &root;
    namespace fs = std::filesystem;
    const fs::path runtime = root / "runtime";
    const fs::path config = root / "config";
    const fs::path data = root / "data";
    const fs::path work = root / "work";
    for (const auto& dir : {runtime, config, data, work}) {
        fs::create_directories(dir);
    }
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    ::setenv("VOLMAR_TEST", "1", 1);
    fs::current_path(work);
    const int rc = RUN_ALL_TESTS();
    fs::current_path(root.path().parent_path());
    return rc;
}
