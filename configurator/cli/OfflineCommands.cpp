#include "OfflineCommands.h"

#include "ConfigIo.h"

#include "volmar/core/Backups.h"
#include "volmar/core/ConfigFile.h"
#include "volmar/core/ConfigJson.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"
#include "volmar/core/Wiring.h"

#include <iostream>
#include <memory>
#include <ostream>

namespace volmar::cli {

namespace {

// The window shows these in message boxes; here they are notes on stderr
// that do not change the outcome.
void printBoxes(const std::vector<std::string>& boxes, std::ostream& err) {
    for (const std::string& box : boxes)
        err << box << '\n';
}

// Validation and encoding as saving a file runs them. False (with the
// conversion message printed) when a strictly converted edit holds no number.
bool validateAndEncode(ConfigState& state, ConfigImage& image, DescriptorLog& log,
                       std::ostream& err) {
    printBoxes(CheckConfig(state, englishLanguage(), false).messageBoxes, err);
    const EncodeResult encoded = ConfigToReport(state, image, log);
    if (!encoded.ok()) {
        err << encoded.conversionError << '\n';
        return false;
    }
    printBoxes(encoded.messageBoxes, err);
    return true;
}

} // namespace

int exportCommand(const std::string& file, std::ostream& out, std::ostream& err) {
    const auto loaded = loadImageState(file);
    if (!loaded) {
        err << loaded.error().text << '\n';
        return kExitBadInput;
    }
    printBoxes(loaded->notes, err);
    out << configToJson(loaded->state)
               .dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
        << '\n';
    return kExitOk;
}

bool writeImageTo(std::ostream& out, const ConfigImage& image) {
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    out.flush();
    return static_cast<bool>(out);
}

int importCommand(const std::string& jsonFile, const std::string& outFile, bool check,
                  std::ostream& out, std::ostream& err) {
    auto loaded = loadJsonState(jsonFile);
    if (!loaded) {
        err << loaded.error().text << '\n';
        return kExitBadInput;
    }
    ConfigState& state = *loaded;
    ConfigImage image{};
    DescriptorLog log;
    if (check) {
        // Validation first, as saving does; an invalid configuration is
        // saved all the same, and its report line printed.
        if (!validateAndEncode(state, image, log, err))
            return kExitBadInput;
    } else {
        const EncodeResult encoded = ConfigToReport(state, image, log);
        if (!encoded.ok()) {
            err << encoded.conversionError << '\n';
            return kExitBadInput;
        }
        printBoxes(encoded.messageBoxes, err);
        if (encoded.descriptorTooLong)
            err << state.chk_report_info << '\n';
    }
    const bool toStdout = outFile == kStandardOutput;
    if (toStdout) {
        if (!writeImageTo(out, image)) {
            err << "volmarctl: cannot write to standard output\n";
            return kExitBadInput;
        }
    } else if (const Status written = writeConfigFiles(outFile, image, log); !written) {
        err << written.error().text << '\n';
        return kExitBadInput;
    }
    if (!check)
        return kExitOk;
    // The image goes to stdout with "-o -": the report line then goes aside.
    (toStdout ? err : out) << state.chk_report_info << '\n';
    return state.ConfigHasErrors ? kExitFindings : kExitOk;
}

int checkCommand(const std::string& file, bool lint, std::ostream& out, std::ostream& err) {
    auto loaded = loadState(file);
    if (!loaded) {
        err << loaded.error().text << '\n';
        return kExitBadInput;
    }
    ConfigState& state = loaded->state;
    printBoxes(loaded->notes, err);
    printBoxes(loaded->boxes, err);
    if (fileKind(file) == FileKind::Json) {
        // A JSON configuration has not been through validation yet: check it
        // as saving it would, the descriptor's size included.
        ConfigImage image{};
        DescriptorLog log;
        if (!validateAndEncode(state, image, log, err))
            return kExitBadInput;
    }
    out << state.chk_report_info << '\n';
    // Warnings go beside the report line and leave the exit status alone.
    if (lint) {
        for (const WiringWarning& warning : wiringWarnings(state))
            out << "warning: " << warning.text << '\n';
    }
    return state.ConfigHasErrors ? kExitFindings : kExitOk;
}

int diffCommand(const std::string& a, const std::string& b, std::ostream& out, std::ostream& err) {
    const auto first = loadState(a);
    if (!first) {
        err << first.error().text << '\n';
        return kExitBadInput;
    }
    const auto second = loadState(b);
    if (!second) {
        err << second.error().text << '\n';
        return kExitBadInput;
    }
    printBoxes(first->notes, err);
    printBoxes(second->notes, err);
    const std::vector<std::string> lines = diffConfigs(first->state, second->state);
    for (const std::string& line : lines)
        out << line << '\n';
    return lines.empty() ? kExitOk : kExitFindings;
}

int backupsCommand(const std::string& folder, std::ostream& out, std::ostream& err) {
    const std::filesystem::path where =
        folder.empty() ? backupFolder() : std::filesystem::path(folder);
    if (where.empty()) {
        err << "no backup folder: neither XDG_DATA_HOME nor HOME is an absolute path\n";
        return kExitBadInput;
    }
    const std::vector<BackupEntry> backups = listBackups(where, englishLanguage());
    if (backups.empty())
        err << "no backups in " << where.string() << '\n';
    for (const BackupEntry& b : backups)
        out << backupLine(b) << "\n    " << b.file.string() << '\n';
    return kExitOk;
}

void addOfflineCommands(CLI::App& app, int& exitCode) {
    auto* exportCmd = app.add_subcommand(
        "export", "Print a configuration file as JSON, as the editor would load it");

    struct Args {
        std::string file;
        std::string jsonFile;
        std::string outFile;
        bool check = false;
        bool lint = false;
        std::string a;
        std::string b;
    };
    auto args = std::make_shared<Args>();

    exportCmd->add_option("FILE", args->file, "configuration file (.volmar)")->required();
    exportCmd->callback(
        [args, &exitCode] { exitCode = exportCommand(args->file, std::cout, std::cerr); });

    auto* importCmd = app.add_subcommand(
        "import", "Build a configuration file and its descriptor listing from JSON");
    importCmd->add_option("FILE", args->jsonFile, "JSON configuration")->required();
    importCmd
        ->add_option("-o,--output", args->outFile,
                     "configuration file to write (and its _HID_txt); - writes the image to "
                     "standard output")
        ->required();
    importCmd->add_flag("--check", args->check,
                        "validate first, as saving does, print the report line and exit 1 when "
                        "the configuration has errors (the file is written all the same)");
    importCmd->callback([args, &exitCode] {
        exitCode = importCommand(args->jsonFile, args->outFile, args->check, std::cout, std::cerr);
    });

    auto* checkCmd =
        app.add_subcommand("check", "Print the report line of a configuration (.volmar or .json)");
    checkCmd->add_option("FILE", args->file, "configuration file or JSON")->required();
    checkCmd->add_flag("--lint", args->lint,
                       "also print wiring warnings (pins used twice, unreachable buttons ...)");
    checkCmd->callback([args, &exitCode] {
        exitCode = checkCommand(args->file, args->lint, std::cout, std::cerr);
    });

    auto* diffCmd = app.add_subcommand(
        "diff", "Print the fields and button rows in which two configurations differ");
    diffCmd->add_option("A", args->a, "first configuration (.volmar or .json)")->required();
    diffCmd->add_option("B", args->b, "second configuration (.volmar or .json)")->required();
    diffCmd->callback(
        [args, &exitCode] { exitCode = diffCommand(args->a, args->b, std::cout, std::cerr); });

    auto* backupsCmd = app.add_subcommand(
        "backups", "List the configurations kept before each write to a controller, newest first");
    backupsCmd->add_option("--folder", args->file,
                           "backup folder (default: $XDG_DATA_HOME/VolmarSetup/backups)");
    backupsCmd->callback(
        [args, &exitCode] { exitCode = backupsCommand(args->file, std::cout, std::cerr); });
}

} // namespace volmar::cli
