// The built volmarctl, run as a user runs it: exit codes, what goes to
// stdout and stderr, and which files exist afterwards.

#include "CliTestSupport.h"
#include "TempDir.h"

#include "volmar/core/LanguageRecord.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace volmar::test {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::ordered_json;

std::string str(const fs::path& p) {
    return p.string();
}

int importFile(const fs::path& in, const fs::path& out) {
    return runVolmarctl({"import", str(in), "-o", str(out)}).exitCode;
}

// One line on stderr, nothing on stdout: how every refused input must end.
void expectOneErrorLine(const RunResult& r) {
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(lineCount(r.err), 1) << r.err;
}

// Import writes the image and its listing silently; with --check it prints
// the report line and, as a save does, writes an invalid configuration anyway.
TEST(VolmarctlImport, WritesTheImageAndItsListingAndChecksWhenAsked) {
    TempDir dir;
    writeFileText(dir / "in.json", R"({"osi_1_src": 2, "osi_1_name": 1, "osi_1_prcsn": 2})");
    const RunResult r =
        runVolmarctl({"import", str(dir / "in.json"), "-o", str(dir / "pad.volmar")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(fs::file_size(dir / "pad.volmar"), 1024u);
    const std::string listing = readFileText(dir / "pad.volmar_HID_txt");
    EXPECT_EQ(lineCount(listing), 1000);
    EXPECT_EQ(listing.rfind("=BEGIN HID DEBUG FILE=\r\n", 0), 0u);
    EXPECT_NE(listing.find("=END HID DEBUG FILE=\r\n"), std::string::npos);

    writeFileText(dir / "bad.json", R"({"osi_2_src": 1, "osi_2_name": 0})");
    const RunResult checked =
        runVolmarctl({"import", str(dir / "bad.json"), "-o", str(dir / "bad.volmar"), "--check"});
    // Saved as the window saves it, but the errors show in the exit status.
    EXPECT_EQ(checked.exitCode, 1) << checked.err;
    EXPECT_EQ(checked.out, englishLanguage().cfg_error_3 + " 2\n");
    EXPECT_TRUE(fs::exists(dir / "bad.volmar"));
    EXPECT_TRUE(fs::exists(dir / "bad.volmar_HID_txt"));
}

// The program's side of a refusal: each way in (reading, the JSON check,
// the encoder, writing) once; which values the JSON check and the encoder
// refuse is the core suites' business. Exit 2, one line, nothing written.
TEST(VolmarctlImport, RefusalsExitWith2AndWriteNothing) {
    struct RefusedImport {
        const char* name;
        const char* jsonText; // nullptr: no input file at all
        const char* output;   // relative to the test folder
        const char* errPart;
    };
    const RefusedImport cases[] = {
        {"MissingInput", nullptr, "o.volmar", "in.json"},
        {"MalformedJson", R"({"osi_1_src": )", "o.volmar", "malformed JSON"},
        {"UnknownField", R"({"osi_1_source": 1})", "o.volmar", "osi_1_source"},
        {"WrongType", R"({"led_ws2811": "yes"})", "o.volmar", "led_ws2811"},
        // Strict conversion failures stop the encoding with its own message.
        {"EmptyStep", R"({"osi_1_ms_step": ""})", "o.volmar", "'' is not a valid integer value"},
        {"OutputFolderMissing", "{}", "no/such/folder/o.volmar", "o.volmar"}};
    for (const RefusedImport& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        if (c.jsonText)
            writeFileText(dir / "in.json", c.jsonText);
        const fs::path out = dir / c.output;
        const RunResult r =
            runVolmarctl({"import", str(dir / "in.json"), "-o", str(out), "--check"});
        EXPECT_EQ(r.exitCode, 2);
        expectOneErrorLine(r);
        EXPECT_NE(r.err.find(c.errPart), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(out));
        EXPECT_FALSE(fs::exists(str(out) + "_HID_txt"));
        // No temporary file left beside the target either.
        if (fs::exists(out.parent_path())) {
            for (const auto& entry : fs::directory_iterator(out.parent_path()))
                EXPECT_EQ(entry.path().filename(), "in.json") << entry.path();
        }
    }
}

TEST(VolmarctlImport, ARefusedImportLeavesExistingFilesAlone) {
    TempDir dir;
    writeFileText(dir / "good.json", R"({"dev_name": "Good"})");
    ASSERT_EQ(importFile(dir / "good.json", dir / "pad.volmar"), 0);
    const std::string image = readFileText(dir / "pad.volmar");
    const std::string listing = readFileText(dir / "pad.volmar_HID_txt");
    writeFileText(dir / "bad.json", R"({"dev_name": "Bad", "osi_1_ms_step": "x"})");
    EXPECT_EQ(importFile(dir / "bad.json", dir / "pad.volmar"), 2);
    EXPECT_EQ(readFileText(dir / "pad.volmar"), image);
    EXPECT_EQ(readFileText(dir / "pad.volmar_HID_txt"), listing);
}

// Every field, the buttons and the results; only the first 1024 bytes of a
// longer file are the configuration.
TEST(VolmarctlExport, PrintsEveryFieldButtonsAndResultsOfTheFirst1024Bytes) {
    TempDir dir;
    writeFileText(dir / "in.json", randomConfig(7).dump());
    ASSERT_EQ(importFile(dir / "in.json", dir / "a.volmar"), 0);
    const RunResult r = runVolmarctl({"export", str(dir / "a.volmar")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const json j = json::parse(r.out);
    EXPECT_EQ(j["buttons"].size(), 132u);
    EXPECT_TRUE(j["report"].is_string());
    EXPECT_TRUE(j["errors"].is_boolean());
    EXPECT_EQ(j["osi_1_src"], randomConfig(7)["osi_1_src"]);
    writeFileText(dir / "long.volmar", readFileText(dir / "a.volmar") + std::string(1024, '\xFF'));
    const RunResult longer = runVolmarctl({"export", str(dir / "long.volmar")});
    ASSERT_EQ(longer.exitCode, 0) << longer.err;
    EXPECT_EQ(longer.out, r.out);
}

// A JSON file from a newer program is refused in one line that says so,
// and nothing is written; one from before the format keys still imports.
TEST(VolmarctlImport, RefusesANewerFormatVersionAndAcceptsFilesWithoutOne) {
    TempDir dir;
    writeFileText(dir / "new.json", R"({"format": "volmar-config", "version": 7, "osi_1_src": 2})");
    const RunResult refused =
        runVolmarctl({"import", str(dir / "new.json"), "-o", str(dir / "n.volmar")});
    EXPECT_EQ(refused.exitCode, 2);
    expectOneErrorLine(refused);
    EXPECT_NE(refused.err.find("new.json: version: this configuration is format version 7"),
              std::string::npos)
        << refused.err;
    EXPECT_FALSE(fs::exists(dir / "n.volmar"));

    writeFileText(dir / "old.json", R"({"osi_1_src": 2, "osi_1_name": 1})");
    ASSERT_EQ(importFile(dir / "old.json", dir / "o.volmar"), 0);
    const RunResult exported = runVolmarctl({"export", str(dir / "o.volmar")});
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_EQ(exported.out.rfind("{\n  \"format\": \"volmar-config\",\n  \"version\": 1,\n", 0), 0u)
        << exported.out.substr(0, 80);
}

// The kept configurations, newest first, each with the report line of what
// it holds and its file; by default from the user's data folder.
TEST(VolmarctlBackups, ListsNewestFirstWithTheReportLineAndTheFile) {
    TempDir dir;
    const std::string older = "2025-03-01_09-00-00-000_1209-5AB1_Pedals.volmar";
    const std::string newer = "2025-03-02_10-30-00-250_8888-8888_Volmar2.volmar";
    writeFileText(dir / "a.json", R"({"osi_3_src": 2, "osi_3_name": 3})");
    writeFileText(dir / "b.json", "{}");
    ASSERT_EQ(importFile(dir / "a.json", dir / older), 0);
    ASSERT_EQ(importFile(dir / "b.json", dir / newer), 0);
    writeFileText(dir / "notes.txt", "not a backup");

    const RunResult r = runVolmarctl({"backups", "--folder", str(dir.path())});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "2025-03-02 10:30:00  8888:8888  Volmar2  Ok. Used axis  0, buttons 0.\n    " +
                         str(dir / newer) +
                         "\n2025-03-01 09:00:00  1209:5AB1  Pedals  Ok. Used axis  1, buttons 0.\n"
                         "    " +
                         str(dir / older) + "\n");

    const RunResult none = runVolmarctl({"backups"});
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err,
              "no backups in " +
                  (fs::path(std::getenv("XDG_DATA_HOME")) / "VolmarSetup/backups").string() + "\n");
}

TEST(VolmarctlBadFile, OneLineOnStderrAndExit2) {
    struct BadFile {
        const char* name;
        const char* command;
        std::size_t bytes; // size of the file to create; 0 = do not create it
        const char* fileName;
    };
    const BadFile cases[] = {{"ExportMissing", "export", 0, "none.volmar"},
                             {"ExportOneByteShort", "export", 1023, "short.volmar"},
                             {"CheckMissing", "check", 0, "none.volmar"},
                             {"CheckShort", "check", 100, "short.volmar"},
                             {"CheckMissingJson", "check", 0, "none.json"},
                             {"DiffShort", "diff", 10, "short.volmar"},
                             {"DiffMissing", "diff", 0, "none.json"}};
    for (const BadFile& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        if (c.bytes)
            writeFileText(dir / c.fileName, std::string(c.bytes, '\0'));
        std::vector<std::string> args{c.command, str(dir / c.fileName)};
        if (std::string(c.command) == "diff")
            args.push_back(str(dir / c.fileName));
        const RunResult r = runVolmarctl(args);
        EXPECT_EQ(r.exitCode, 2);
        expectOneErrorLine(r);
        EXPECT_NE(r.err.find(c.fileName), std::string::npos) << r.err;
    }
}

TEST(VolmarctlCheck, ExitCodeFollowsTheReportLine) {
    struct CheckCase {
        const char* name;
        const char* jsonText;
        bool asImage; // import it first and check the file instead
        int exitCode;
    };
    const CheckCase cases[] = {
        {"ClearedJson", "{}", false, 0},
        {"ClearedFile", "{}", true, 0},
        {"NoAssignmentJson", R"({"osi_4_src": 2, "osi_4_name": 0})", false, 1},
        // The same assignment on two axes survives the load's axis rules.
        {"TwiceXFile", R"({"osi_2_src": 2, "osi_2_name": 1, "osi_5_src": 2, "osi_5_name": 1})",
         true, 1}};
    for (const CheckCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        writeFileText(dir / "c.json", c.jsonText);
        fs::path target = dir / "c.json";
        if (c.asImage) {
            ASSERT_EQ(importFile(target, dir / "c.volmar"), 0);
            target = dir / "c.volmar";
        }
        const RunResult r = runVolmarctl({"check", str(target)});
        EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
        ASSERT_EQ(lineCount(r.out), 1) << r.out;
        EXPECT_EQ(r.out.rfind(englishLanguage().cfg_error_m, 0) == 0, c.exitCode == 0) << r.out;
    }
}

// --lint adds the warnings after the report line and changes nothing else:
// not the line, not the exit code, on a valid and on an invalid configuration.
TEST(VolmarctlCheck, LintPrintsWarningsAfterTheReportLineAndKeepsTheExitCode) {
    struct LintCase {
        const char* name;
        const char* jsonText;
        int exitCode;
        int warnings;
    };
    const LintCase cases[] = {
        {"Clean", R"({"hw_br_1": 17, "hw_bc_1": 25})", 0, 0},
        {"RowOnColumnPin", R"({"hw_br_1": 17, "hw_bc_1": 17, "led_ws2811": true, "hw_bc_2": 14})",
         0, 2},
        {"InvalidAndEncoderOnOneButton",
         R"({"osi_4_src": 2, "osi_4_name": 0, "enc_02_l": 9, "enc_02_r": 9})", 1, 1}};
    for (const LintCase& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        writeFileText(dir / "c.json", c.jsonText);
        const RunResult plain = runVolmarctl({"check", str(dir / "c.json")});
        const RunResult lint = runVolmarctl({"check", "--lint", str(dir / "c.json")});
        EXPECT_EQ(plain.exitCode, c.exitCode) << plain.out << plain.err;
        EXPECT_EQ(lint.exitCode, c.exitCode) << lint.out << lint.err;
        ASSERT_EQ(lineCount(plain.out), 1) << plain.out;
        ASSERT_EQ(lineCount(lint.out), 1 + c.warnings) << lint.out;
        EXPECT_EQ(lint.out.rfind(plain.out, 0), 0u) << lint.out;
        std::size_t at = plain.out.size();
        for (int i = 0; i < c.warnings; ++i) {
            EXPECT_EQ(lint.out.compare(at, 9, "warning: "), 0) << lint.out;
            at = lint.out.find('\n', at) + 1;
        }
    }
}

// An encoder with one input is repaired and announced, never an error; the
// announcement goes to stderr, the report line stays the success summary.
// Import runs no validation, so the imported file keeps the half encoder.
TEST(VolmarctlCheck, HalfEncoderIsAnnouncedOnStderrAndStillValid) {
    TempDir dir;
    writeFileText(dir / "enc.json", R"({"enc_04_r": 12})");
    ASSERT_EQ(importFile(dir / "enc.json", dir / "enc.volmar"), 0);
    for (const char* name : {"enc.json", "enc.volmar"}) {
        SCOPED_TRACE(name);
        const RunResult r = runVolmarctl({"check", str(dir / name)});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err, englishLanguage().lbl_encsetuperror + " #4 \n");
        EXPECT_EQ(r.out.rfind(englishLanguage().cfg_error_m, 0), 0u) << r.out;
    }
}

TEST(VolmarctlDiff, ListsChangedFieldsAndRowsWithExit1AndNothingForEqualOnes) {
    TempDir dir;
    writeFileText(dir / "a.json", R"({"osi_3_src": 2, "dev_vid": "1A2B",
        "buttons": [{}, {}, {}, {}, {"hw": 12, "mode": 1}]})");
    writeFileText(dir / "b.json", R"({"osi_3_src": 0, "dev_vid": "1A2B",
        "buttons": [{}, {}, {}, {}, {"hw": 0, "mode": 1, "timer": 2}]})");
    const RunResult r = runVolmarctl({"diff", str(dir / "a.json"), str(dir / "b.json")});
    EXPECT_EQ(r.exitCode, 1) << r.err;
    EXPECT_EQ(r.out, "osi_3_src: 2 -> 0\nButton 1: hw 12 -> 0, timer 0 -> 2\n");
    writeFileText(dir / "r.json", randomConfig(11).dump());
    const RunResult same = runVolmarctl({"diff", str(dir / "r.json"), str(dir / "r.json")});
    EXPECT_EQ(same.exitCode, 0) << same.err;
    EXPECT_EQ(same.out, "");
}

TEST(VolmarctlUsage, NoCommandOrUnknownCommandFails) {
    EXPECT_NE(runVolmarctl({}).exitCode, 0);
    EXPECT_NE(runVolmarctl({"explode"}).exitCode, 0);
    EXPECT_NE(runVolmarctl({"import", "x.json"}).exitCode, 0); // -o is required
}

} // namespace
} // namespace volmar::test
