#pragma once

// Saving files so that nothing is lost or mixed: every file of one save is
// fully written to a temporary beside its target before any target is
// replaced, so a failure leaves every target as it was. A target that exists
// and is not a regular file (device node, FIFO, socket, folder) is refused; a
// symbolic link is followed and what it points at replaced, the link staying
// a link; a link to nothing, or a loop of links, is refused. Where the folder
// cannot be written but the file can, or the file has other hard links, the
// file is rewritten in place from the bytes prepared in memory, so that its
// links stay whole and a locked-down folder does not stop the save.

#include "volmar/sysio/Result.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace volmar::sysio {

struct OutputFile {
    std::filesystem::path path; // as the user named it
    std::span<const std::uint8_t> bytes;
};

// Turns a failure into the caller's words: the file as the user named it,
// and what went wrong ("Permission denied", "not a regular file (a FIFO)").
using DescribeFailure =
    std::function<std::string(const std::filesystem::path& file, std::string_view reason)>;

// Writes all files or, when anything fails before the first target is
// replaced, none. Without `describe` a failure reads "<file>: <reason>".
Status writeFiles(std::span<const OutputFile> files, const DescribeFailure& describe = {});

} // namespace volmar::sysio
