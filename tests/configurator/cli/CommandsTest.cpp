// volmarctl's commands called in process: the trip JSON -> file -> JSON for
// every field, export of a saved file, and what import does and does not run.

#include "CliTestSupport.h"
#include "ConfigIo.h"
#include "OfflineCommands.h"
#include "TempDir.h"

#include "volmar/core/ConfigFields.h"
#include "volmar/core/ConfigFile.h"
#include "volmar/core/ConfigJson.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"

#include "ResultAssert.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

namespace volmar::cli {
namespace {

using json = nlohmann::ordered_json;
using test::TempDir;

using Captured = test::RunResult;

// A command's exit code and what it printed, as if run as a program.
template <typename Command>
Captured capture(Command command) {
    std::ostringstream out, err;
    Captured c;
    c.exitCode = command(out, err);
    c.out = out.str();
    c.err = err.str();
    return c;
}

Captured exportOf(const std::filesystem::path& file) {
    return capture([&](std::ostream& out, std::ostream& err) {
        return exportCommand(file.string(), out, err);
    });
}

Captured importOf(const std::filesystem::path& jsonFile, const std::filesystem::path& outFile,
                  bool check = false) {
    return capture([&](std::ostream& out, std::ostream& err) {
        return importCommand(jsonFile.string(), outFile.string(), check, out, err);
    });
}

ConfigImage imageOf(const std::filesystem::path& file) {
    const auto read = readConfigImage(file.string());
    EXPECT_TRUE(test::isOk(read));
    return read ? *read : ConfigImage{};
}

// JSON -> import -> export gives E1; E1 -> import -> export must give E1
// again, for random configurations that set every field. Across the seeds
// every field must have travelled with more than one value, so no field can
// be silently dropped by the trip.
TEST(ImportExport, ExportedJsonIsAFixedPointAndEveryFieldTravels) {
    TempDir dir;
    std::map<std::string, std::set<std::string>> seen;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        test::writeFileText(dir / "in.json", test::randomConfig(seed).dump());
        ASSERT_EQ(importOf(dir / "in.json", dir / "a.volmar").exitCode, kExitOk);
        const Captured first = exportOf(dir / "a.volmar");
        ASSERT_EQ(first.exitCode, kExitOk) << first.err;
        test::writeFileText(dir / "e1.json", first.out);
        const Captured reimport = importOf(dir / "e1.json", dir / "b.volmar");
        ASSERT_EQ(reimport.exitCode, kExitOk) << reimport.err;
        const Captured second = exportOf(dir / "b.volmar");
        ASSERT_EQ(second.exitCode, kExitOk) << second.err;
        ASSERT_EQ(json::parse(second.out), json::parse(first.out));

        const json exported = json::parse(first.out);
        for (const FieldDef& f : configFields())
            seen[f.name].insert(exported.at(f.name).dump());
        for (std::size_t row = 0; row < 132; ++row)
            seen["buttons hw row " + std::to_string(row + 1)].insert(
                exported["buttons"][row]["hw"].dump());
        for (std::size_t row = 0; row < 36; ++row)
            seen["buttons mode row " + std::to_string(row + 1)].insert(
                exported["buttons"][row]["mode"].dump());
    }
    for (const auto& [name, values] : seen)
        EXPECT_GT(values.size(), 1u) << name << " never changed";
}

// The editor's state after edits and rules, saved as the window saves it,
// exports as exactly that state.
TEST(ImportExport, ExportOfASavedFileEqualsTheStateSaved) {
    TempDir dir;
    for (unsigned seed = 100; seed < 120; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        json edits = test::randomConfig(seed);
        // Two entries the image cannot tell from another by design: a timer
        // mode other than "ON+OFF" loads as "ON", and poll "-" is stored as
        // "8". An editor that picked them gets the twin back.
        for (int t = 1; t <= 3; ++t) {
            const std::string key = "btn_timer_" + std::to_string(t) + "_mode";
            if (edits[key] == 0)
                edits[key] = 2;
        }
        if (edits["dev_poll"] == 0)
            edits["dev_poll"] = 4;
        ConfigState state = clearedState();
        ASSERT_TRUE(test::isOk(applyConfigJson(edits, state)));
        osi_Change(state, englishLanguage(), false);
        const std::string file = dir / "saved.volmar";
        const SaveOutcome saved = saveConfigFile(file, state, englishLanguage(), false);
        ASSERT_TRUE(saved.ok()) << saved.error;

        const Captured exported = exportOf(file);
        ASSERT_EQ(exported.exitCode, kExitOk) << exported.err;
        const json loaded = json::parse(exported.out);
        ConfigState fromExport = clearedState();
        ASSERT_TRUE(test::isOk(applyConfigJson(loaded, fromExport)));
        EXPECT_EQ(diffConfigs(state, fromExport), std::vector<std::string>{});
        EXPECT_EQ(loaded["report"], state.chk_report_info);
        EXPECT_EQ(loaded["errors"], state.ConfigHasErrors);
    }
}

// Import starts from what "Clear sets" leaves, not from the editor's
// initial values ("1111", "Volmar", no poll entry); a named field changes
// only its own bytes.
TEST(ImportCommand, UnnamedFieldsKeepTheClearedValuesNamedOnesOnlyTheirBytes) {
    TempDir dir;
    test::writeFileText(dir / "empty.json", "{}");
    test::writeFileText(dir / "named.json", R"({"dev_name": "Pad"})");
    ASSERT_EQ(importOf(dir / "empty.json", dir / "a.volmar").exitCode, kExitOk);
    ASSERT_EQ(importOf(dir / "named.json", dir / "b.volmar").exitCode, kExitOk);
    const json exported = json::parse(exportOf(dir / "a.volmar").out);
    EXPECT_EQ(exported["dev_vid"], "8888");
    EXPECT_EQ(exported["dev_pid"], "8888");
    EXPECT_EQ(exported["dev_name"], "Volmar2");
    EXPECT_EQ(exported["dev_poll"], 2);
    EXPECT_EQ(exported["errors"], false);

    const ConfigImage a = imageOf(dir / "a.volmar");
    const ConfigImage b = imageOf(dir / "b.volmar");
    std::vector<std::size_t> differing;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            differing.push_back(i);
    // "Volmar2" -> "Pad": the name starts at byte 470 and is zero-padded.
    EXPECT_EQ(differing, (std::vector<std::size_t>{470, 471, 472, 473, 474, 475, 476}));
    EXPECT_EQ(b[470], 'P');
    EXPECT_EQ(b[473], 0);
}

// No axis rules: an assignment on an axis without a source stays in the
// image (the rules would reset it). Validation only with --check: it raises
// a zoom divisor of 0 to 2.
TEST(ImportCommand, RunsNoRulesAndValidatesOnlyWhenAsked) {
    TempDir dir;
    test::writeFileText(dir / "in.json",
                        R"({"osi_1_src": 0, "osi_1_name": 3, "osi_1_zm_del": "0"})");
    const Captured plain = importOf(dir / "in.json", dir / "plain.volmar");
    ASSERT_EQ(plain.exitCode, kExitOk) << plain.err;
    EXPECT_EQ(plain.out, "");
    const Captured checked = importOf(dir / "in.json", dir / "checked.volmar", true);
    ASSERT_EQ(checked.exitCode, kExitOk) << checked.err;
    EXPECT_EQ(checked.out.rfind(englishLanguage().cfg_error_m, 0), 0u) << checked.out;

    const ConfigImage plainImage = imageOf(dir / "plain.volmar");
    const ConfigImage checkedImage = imageOf(dir / "checked.volmar");
    EXPECT_EQ(plainImage[3], 3); // axis 1 assignment "Z"
    EXPECT_EQ(checkedImage[3], 3);
    EXPECT_EQ(plainImage[144 + 10], 0); // curve/zoom row 1 divisor
    EXPECT_EQ(checkedImage[144 + 10], 2);
}

TEST(DiffCommand, ComparesAFileWithJson) {
    TempDir dir;
    test::writeFileText(dir / "a.json", R"({"dev_name": "One"})");
    ASSERT_EQ(importOf(dir / "a.json", dir / "a.volmar", true).exitCode, kExitOk);
    // Loaded and exported again, the file is its own JSON's equal.
    test::writeFileText(dir / "a2.json", exportOf(dir / "a.volmar").out);
    std::ostringstream out, err;
    EXPECT_EQ(diffCommand(dir / "a.volmar", dir / "a2.json", out, err), kExitOk)
        << out.str() << err.str();
    EXPECT_EQ(out.str(), "");
}

} // namespace
} // namespace volmar::cli
