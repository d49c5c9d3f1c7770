#include "SimProcess.h"

#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"

#include <fstream>
#include <sstream>

namespace volmar::e2e {

SimProcess::SimProcess(const std::filesystem::path& folder, std::vector<std::string> args)
    : m_log(folder / "frames.log") {
    qtApp();
    args.insert(args.end(), {"--log", m_log.string()});
    m_child = std::make_unique<test::ChildProcess>(VOLMAR_SIM_PATH, args);
    // The socket exists once the ready line is printed.
    m_socket = test::waitForSimReady(*m_child, 30000);
    m_ready = !m_socket.empty();
}

std::string SimProcess::command(const std::string& line) {
    std::filesystem::path pipe = m_socket;
    pipe.replace_extension(".control");
    std::ofstream(pipe) << line << '\n';
    return m_child->waitForLine("volmar-sim: did ", 10000);
}

SimProcess::~SimProcess() {
    m_child->terminate();
}

std::string SimProcess::output() {
    return m_child->stdoutText() + m_child->stderrText();
}

std::vector<LoggedFrame> SimProcess::frames() const {
    std::vector<LoggedFrame> out;
    std::ifstream in(m_log);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        LoggedFrame frame;
        std::string kind, hex;
        if (!(fields >> frame.ms >> kind >> hex)) {
            continue;
        }
        frame.set = kind == "SET";
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
            frame.bytes.push_back(
                static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
        }
        out.push_back(std::move(frame));
    }
    return out;
}

std::vector<std::string> splitArgs(const std::string& line) {
    std::vector<std::string> out;
    std::istringstream words(line);
    for (std::string w; std::getline(words, w, ' ');) {
        out.push_back(w);
    }
    return out;
}

ConfigImage knownImage(const std::string& name, const std::string& vid, const std::string& pid,
                       const std::function<void(ConfigState&)>& edit) {
    const TRecordLng& lng = englishLanguage();
    ConfigState state = startupState(lng);
    state.dev_name = name;
    state.dev_vid = vid;
    state.dev_pid = pid;
    state.axes[0].src = 2;
    state.axes[0].name = 1;
    state.axes[0].src_port = 41;
    if (edit) {
        edit(state);
    }
    osi_Change(state, lng, false);
    ConfigImage image{};
    DescriptorLog log(kDescriptorLogLines);
    ConfigToReport(state, image, log);
    return image;
}

} // namespace volmar::e2e
