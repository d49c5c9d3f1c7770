// Where the configurator looks for its loader folders and keeps its settings
// file, for a program in the build tree, unpacked anywhere, or installed
// under a prefix (bin/ beside share/volmar/).
#include "volmar/app/ProgramFolders.h"
#include "volmar/app/SettingsFile.h"

#include "GuiTest.h"
#include "TempDir.h"

#include <QStandardPaths>

#include <gtest/gtest.h>

namespace volmar::app {
namespace {

namespace fs = std::filesystem;

QString q(const fs::path& path) {
    return QString::fromStdString(path.string());
}

QString userSettingsFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           "/VolmarSetup/VolmarSetup.ini";
}

TEST(ProgramFolders, InstalledOnlyWhereBinSitsBesideShareVolmarWithoutLoadersOfItsOwn) {
    test::guiApp();
    test::TempDir root;
    struct Case {
        const char* name;
        std::vector<const char*> folders; // made below the root
        const char* program;
        const char* data; // expected, below the root
        bool installed;
    };
    const Case cases[] = {
        {"build tree", {"app/DarOzazoz_arduino"}, "app", "app", false},
        {"a bin folder of its own", {"bin/DarOzazoz_teensy2", "share/volmar"}, "bin", "bin", false},
        {"installed",
         {"usr/bin", "usr/share/volmar/DarOzazoz_arduino"},
         "usr/bin",
         "usr/share/volmar",
         true},
        {"installed without loaders yet",
         {"opt/bin", "opt/share/volmar"},
         "opt/bin",
         "opt/share/volmar",
         true},
        {"no shared folder", {"bare/bin", "bare/share"}, "bare/bin", "bare/bin", false},
        {"not called bin", {"x/programs", "x/share/volmar"}, "x/programs", "x/programs", false},
    };
    for (const Case& c : cases) {
        for (const char* folder : c.folders) {
            fs::create_directories(root / folder);
        }
        const ProgramFolders folders = programFoldersFor(q(root / c.program));
        EXPECT_EQ(folders.program, q(root / c.program)) << c.name;
        EXPECT_EQ(folders.data, q(root / c.data)) << c.name;
        EXPECT_EQ(folders.installed, c.installed) << c.name;
    }
}

TEST(ProgramFolders, SettingsStayBesideAWritableProgramButNeverBesideAnInstalledOne) {
    test::guiApp();
    test::TempDir root;
    fs::create_directories(root / "tree" / "DarOzazoz_arduino");
    EXPECT_EQ(settingsFileFor(programFoldersFor(q(root / "tree"))),
              q(root / "tree" / "VolmarSetup.ini"));

    // Writable by whoever runs the tests (root too), yet the system's.
    fs::create_directories(root / "usr" / "bin");
    fs::create_directories(root / "usr" / "share" / "volmar" / "DarOzazoz_arduino");
    EXPECT_EQ(settingsFileFor(programFoldersFor(q(root / "usr" / "bin"))), userSettingsFile());

    // A folder that does not exist cannot be written either.
    EXPECT_EQ(settingsFileFor(programFoldersFor(q(root / "gone"))), userSettingsFile());
}

} // namespace
} // namespace volmar::app
