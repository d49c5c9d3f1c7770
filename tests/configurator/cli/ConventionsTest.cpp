// volmarctl's conventions as a user meets them: usage errors, what a save
// does to every kind of target, "-o -", and the notes on stderr.

#include "CliTestSupport.h"
#include "TempDir.h"

#include "volmar/core/LanguageRecord.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace volmar::test {
namespace {

namespace fs = std::filesystem;

std::string str(const fs::path& p) {
    return p.string();
}

TEST(VolmarctlUsage, UsageErrorsExit2WithTheProblemAndOneUsageLine) {
    struct Usage {
        const char* name;
        std::vector<std::string> args;
        const char* problem; // part of the first line
        const char* usage;   // start of the second line
        bool device = false; // a device command, missing from a build without Qt
    };
    const Usage cases[] = {
        {"NoCommand", {}, "subcommand", "usage: volmarctl COMMAND"},
        {"UnknownCommand",
         {"bogus", "x.json"},
         "unknown command \"bogus\"",
         "usage: volmarctl COMMAND"},
        {"UnknownOption",
         {"check", "--frobnicate", "x.json"},
         "frobnicate",
         "usage: volmarctl check FILE"},
        {"MissingOutput", {"import", "in.json"}, "--output", "usage: volmarctl import FILE.json"},
        {"BadIds",
         {"read", "--device", "88888", "-o", "x.volmar"},
         "expected VVVV:PPPP",
         "usage: volmarctl read --device",
         true},
        {"ZeroPolls",
         {"live", "--device", "8888:8888", "--count", "0"},
         "--count",
         "usage: volmarctl live",
         true},
        // A value pasted by mistake is not echoed back whole.
        {"HugeIds",
         {"clear", "--device", std::string(100000, '7')},
         "... (100000 bytes)",
         "usage: volmarctl clear",
         true}};
    for (const Usage& c : cases) {
        if (c.device && !VOLMARCTL_DEVICE_COMMANDS) {
            continue;
        }
        SCOPED_TRACE(c.name);
        const RunResult r = runVolmarctl(c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.out, "");
        ASSERT_EQ(lineCount(r.err), 2) << r.err;
        const std::string first = r.err.substr(0, r.err.find('\n'));
        EXPECT_NE(first.find(c.problem), std::string::npos) << first;
        EXPECT_LT(first.size(), 300u);
        EXPECT_EQ(r.err.substr(first.size() + 1).rfind(c.usage, 0), 0u) << r.err;
    }
}

TEST(VolmarctlJson, DuplicateKeysAndHugeValuesAreNamedNotGuessedOrEchoedWhole) {
    TempDir dir;
    struct Bad {
        const char* name;
        std::string text;
        const char* errPart;
    };
    const Bad cases[] = {
        {"TopLevel", R"({"dev_name": "A", "dev_vid": "1234", "dev_name": "B"})",
         "duplicate key \"dev_name\""},
        {"InAButtonRow", R"({"buttons": [{"hw": 1, "mode": 0, "hw": 2}]})", "duplicate key \"hw\""},
        {"HugeName", R"({"dev_name": ")" + std::string(8 << 20, 'x') + R"("})",
         "... (8388608 bytes)"}};
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.name);
        writeFileText(dir / "in.json", c.text);
        for (const char* command : {"check", "import"}) {
            std::vector<std::string> args{command, str(dir / "in.json")};
            if (std::string(command) == "import")
                args.insert(args.end(), {"-o", str(dir / "o.volmar")});
            const RunResult r = runVolmarctl(args);
            EXPECT_EQ(r.exitCode, 2) << command;
            EXPECT_EQ(lineCount(r.err), 1) << r.err.substr(0, 300);
            EXPECT_LT(r.err.size(), 400u) << command;
            EXPECT_NE(r.err.find(c.errPart), std::string::npos) << r.err.substr(0, 300);
            EXPECT_FALSE(fs::exists(dir / "o.volmar"));
        }
    }
}

TEST(VolmarctlNotes, AFileLongerThanAnImageIsUsedAsFarAsTheImageGoes) {
    TempDir dir;
    writeFileText(dir / "in.json", "{}");
    ASSERT_EQ(runVolmarctl({"import", str(dir / "in.json"), "-o", str(dir / "a.volmar")}).exitCode,
              0);
    writeFileText(dir / "long.volmar", readFileText(dir / "a.volmar") + std::string(2000, 'x'));
    const std::string note =
        str(dir / "long.volmar") + ": 3024 bytes; only the first 1024 bytes are used\n";
    for (const char* command : {"export", "check"}) {
        SCOPED_TRACE(command);
        const RunResult r = runVolmarctl({command, str(dir / "long.volmar")});
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(r.err, note);
        EXPECT_FALSE(r.out.empty());
    }
    EXPECT_EQ(runVolmarctl({"check", str(dir / "a.volmar")}).err, "") << "an image is no news";
}

// "-o -": the image alone on stdout, for pipes; no listing, no other output
// there (the report line of --check goes to stderr).
TEST(VolmarctlOutput, DashWritesTheImageToStandardOutput) {
    TempDir dir;
    writeFileText(dir / "in.json", R"({"osi_2_src": 1, "osi_2_name": 0})");
    ASSERT_EQ(runVolmarctl({"import", str(dir / "in.json"), "-o", str(dir / "a.volmar")}).exitCode,
              0);
    const std::string file = readFileText(dir / "a.volmar");
    const RunResult piped = runVolmarctl({"import", str(dir / "in.json"), "-o", "-"});
    EXPECT_EQ(piped.exitCode, 0) << piped.err;
    EXPECT_EQ(piped.out, file);
    const RunResult checked = runVolmarctl({"import", str(dir / "in.json"), "-o", "-", "--check"});
    EXPECT_EQ(checked.exitCode, 1);
    EXPECT_EQ(checked.out, file);
    EXPECT_EQ(checked.err, englishLanguage().cfg_error_3 + " 2\n");
    EXPECT_FALSE(fs::exists(fs::current_path() / "-"));
    EXPECT_FALSE(fs::exists(fs::current_path() / "-_HID_txt"));
}

bool isKind(const fs::path& p, mode_t kind) {
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == kind;
}

// Every kind of target a user may name with -o: what it holds afterwards
// and the exit code. Refused targets stay as they were, and so does the
// listing beside them.
TEST(VolmarctlOutput, EveryKindOfTargetEndsAsItShould) {
    struct Target {
        const char* name;
        std::function<void(const fs::path&)> make;
        int exitCode;
        std::function<bool(const fs::path&)> afterwards;
    };
    const auto holdsTheImage = [](const fs::path& p) { return fs::file_size(p) == 1024u; };
    const Target cases[] = {
        {"Regular", [](const fs::path& t) { writeFileText(t, "old"); }, 0, holdsTheImage},
        {"Symlink",
         [](const fs::path& t) {
             writeFileText(t.parent_path() / "real", "old");
             fs::create_symlink("real", t);
         },
         0,
         [&](const fs::path& t) {
             return fs::is_symlink(t) && holdsTheImage(t.parent_path() / "real");
         }},
        {"DanglingLink", [](const fs::path& t) { fs::create_symlink("nowhere", t); }, 2,
         [](const fs::path& t) { return fs::is_symlink(t) && !fs::exists(t); }},
        {"LinkLoop", [](const fs::path& t) { fs::create_symlink(t.filename(), t); }, 2,
         [](const fs::path& t) { return fs::is_symlink(t); }},
        {"Fifo", [](const fs::path& t) { ASSERT_EQ(::mkfifo(t.c_str(), 0600), 0); }, 2,
         [](const fs::path& t) { return isKind(t, S_IFIFO); }},
        {"CharacterDevice",
         [](const fs::path& t) {
             if (::mknod(t.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) != 0)
                 fs::create_symlink("/dev/null", t); // without the right to make one
         },
         2, [](const fs::path& t) { return isKind(t, S_IFCHR) || fs::is_symlink(t); }},
        {"Socket",
         [](const fs::path& t) {
             const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
             sockaddr_un addr{};
             addr.sun_family = AF_UNIX;
             std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", t.c_str());
             ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
             ::close(fd);
         },
         2, [](const fs::path& t) { return isKind(t, S_IFSOCK); }},
        {"Folder", [](const fs::path& t) { fs::create_directory(t); }, 2,
         [](const fs::path& t) { return fs::is_directory(t) && fs::is_empty(t); }},
        {"HardLinks",
         [](const fs::path& t) {
             writeFileText(t, "old");
             fs::create_hard_link(t, t.parent_path() / "other");
         },
         0,
         [&](const fs::path& t) {
             return holdsTheImage(t.parent_path() / "other") && fs::hard_link_count(t) == 2;
         }},
        {"ReadOnlyFolderWritableFile",
         [](const fs::path& t) {
             writeFileText(t, "old");
             writeFileText(str(t) + "_HID_txt", "old");
             fs::permissions(t.parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
         },
         0,
         [&](const fs::path& t) {
             fs::permissions(t.parent_path(), fs::perms::owner_all);
             return holdsTheImage(t);
         }}};
    for (const Target& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        writeFileText(dir / "in.json", "{}");
        fs::create_directory(dir / "out");
        const fs::path target = dir / "out" / "t.volmar";
        c.make(target);
        const RunResult r = runVolmarctl({"import", str(dir / "in.json"), "-o", str(target)});
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_EQ(lineCount(r.err), c.exitCode == 0 ? 0 : 1) << r.err;
        EXPECT_TRUE(c.afterwards(target));
        if (c.exitCode != 0) {
            EXPECT_FALSE(fs::exists(str(target) + "_HID_txt")) << "a refused save writes nothing";
        }
    }
}

} // namespace
} // namespace volmar::test
