#pragma once

// The program's end of the runtime commands (volmar/sim/Control.h): a named
// pipe "<id>.control" beside the device socket. Anyone who may open it
// writes lines into it (echo "axis 1 900" > .../volmar-sim.control); the
// sim reads them in its poll() loop, applies them and prints what it did
// ("volmar-sim: did axis 1 900") or why not on stderr. The sim holds the
// pipe open for writing too, so the last writer leaving is no end of file.

#include "volmar/sim/Control.h"
#include "volmar/sysio/Fd.h"
#include "volmar/sysio/Result.h"

#include <filesystem>
#include <memory>
#include <string>

namespace volmar::sim {

class ControlChannel {
public:
    // Makes the pipe (a stale pipe of an earlier run is replaced, anything
    // else at the path is left alone).
    static Result<std::unique_ptr<ControlChannel>> open(const std::filesystem::path& path);
    // The pipe of device `id` in the virtual device folder; nullptr, with
    // the reason on stderr, when there can be none.
    static std::unique_ptr<ControlChannel> openFor(const std::string& id);
    ~ControlChannel(); // closes and removes the pipe
    ControlChannel(const ControlChannel&) = delete;
    ControlChannel& operator=(const ControlChannel&) = delete;

    int fd() const { return m_fd.get(); }
    const std::filesystem::path& path() const { return m_path; }

    // Reads what has arrived and applies every complete line.
    void serve(BoardSettings& board, InputControl& input);

    // A longer line is dropped whole, with a message.
    static constexpr std::size_t kMaxLine = 256;

private:
    ControlChannel(std::filesystem::path path, sysio::UniqueFd fd)
        : m_path(std::move(path)), m_fd(std::move(fd)) {}
    void line(std::string_view text, BoardSettings& board, InputControl& input);

    std::filesystem::path m_path;
    sysio::UniqueFd m_fd;
    std::string m_pending;
    bool m_overlong = false; // dropping the rest of a line that was too long
};

} // namespace volmar::sim
