#include "volmar/core/ConfigFile.h"

#include "volmar/sysio/Fd.h"
#include "volmar/sysio/FileOutput.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>

namespace volmar {

namespace fs = std::filesystem;

namespace {

std::string systemText(int err) {
    return std::strerror(err);
}

std::string readError(const fs::path& file, const std::string& reason) {
    return "Error read file \"" + file.string() + "\" [" + reason + "]";
}

std::string writeError(const fs::path& file, std::string_view reason) {
    return "Error write file \"" + file.string() + "\" [" + std::string(reason) + "]";
}

} // namespace

fs::path descriptorTextPath(const fs::path& configFile) {
    fs::path companion = configFile;
    companion += "_HID_txt";
    return companion;
}

Result<ConfigImage> readConfigImage(const fs::path& file) {
    const auto fd = sysio::openFile(file, O_RDONLY);
    if (!fd) {
        return Error{fd.error().code, readError(file, fd.error().text)};
    }
    ConfigImage image{};
    const auto have = sysio::readFull(fd->get(), image);
    if (!have) {
        return Error{have.error().code, readError(file, have.error().text)};
    }
    if (*have < image.size()) {
        return Error{EIO,
                     readError(file, systemText(EIO) + ": the file holds " + std::to_string(*have) +
                                         " bytes, a configuration needs " +
                                         std::to_string(kConfigImageSize))};
    }
    return image;
}

Status writeConfigFiles(const fs::path& file, const ConfigImage& image, const DescriptorLog& log) {
    std::string text;
    for (std::size_t line = 0; line < kDescriptorLogLines; ++line) {
        if (line < log.size()) {
            text += log[line];
        }
        text += "\r\n";
    }
    const sysio::OutputFile files[] = {
        {file, image},
        {descriptorTextPath(file),
         std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())}};
    return sysio::writeFiles(files, writeError);
}

Status writeTextFile(const fs::path& file, std::string_view text) {
    const sysio::OutputFile out{
        file, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())};
    return sysio::writeFiles(std::span(&out, 1), writeError);
}

LoadOutcome loadConfigFile(const fs::path& file, ConfigState& state, const TRecordLng& lng,
                           bool connected) {
    LoadOutcome outcome;
    const auto read = readConfigImage(file);
    if (!read) {
        outcome.error = read.error().text;
        return outcome;
    }
    outcome.image = *read;
    outcome.rules = ReportToConfig(outcome.image, state, lng, connected);
    return outcome;
}

SaveOutcome saveConfigFile(const fs::path& file, ConfigState& state, const TRecordLng& lng,
                           bool connected) {
    SaveOutcome outcome;
    outcome.validation = CheckConfig(state, lng, connected);
    const EncodeResult encoded = ConfigToReport(state, outcome.image, outcome.log);
    outcome.validation.messageBoxes.insert(outcome.validation.messageBoxes.end(),
                                           encoded.messageBoxes.begin(),
                                           encoded.messageBoxes.end());
    if (!encoded.ok()) {
        outcome.error = encoded.conversionError;
        return outcome;
    }
    if (state.ConfigHasErrors) {
        outcome.reportBox = state.chk_report_info;
    }
    if (const Status written = writeConfigFiles(file, outcome.image, outcome.log); !written) {
        outcome.error = written.error().text;
    }
    return outcome;
}

} // namespace volmar
