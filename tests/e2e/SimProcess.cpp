#include "SimProcess.h"

#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"

#include <fstream>
#include <sstream>

namespace volmar::e2e {

QCoreApplication& qtApp() {
    static int argc = 1;
    static char name[] = "e2e_device_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

SimProcess::SimProcess(const std::filesystem::path& folder, QStringList args)
    : m_log(folder / "frames.log") {
    qtApp();
    args << "--log" << QString::fromStdString(m_log.string());
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QString(VOLMAR_SIM_PATH), args);
    if (!m_process.waitForStarted(30000)) {
        m_output = "cannot start volmar-sim: " + m_process.errorString().toStdString();
        return;
    }
    // The socket exists once the ready line is printed.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline && m_process.state() == QProcess::Running) {
        m_process.waitForReadyRead(200);
        m_output += m_process.readAll().toStdString();
        if (m_output.find("ready") != std::string::npos) {
            m_ready = true;
            return;
        }
    }
    m_output += m_process.readAll().toStdString();
}

SimProcess::~SimProcess() {
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(10000)) {
            m_process.kill();
            m_process.waitForFinished(10000);
        }
    }
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

ConfigImage knownImage(const std::string& name, const std::string& vid, const std::string& pid) {
    const TRecordLng& lng = englishLanguage();
    ConfigState state = startupState(lng);
    state.dev_name = name;
    state.dev_vid = vid;
    state.dev_pid = pid;
    state.axes[0].src = 2;
    state.axes[0].name = 1;
    state.axes[0].src_port = 41;
    osi_Change(state, lng, false);
    ConfigImage image{};
    DescriptorLog log(kDescriptorLogLines);
    ConfigToReport(state, image, log);
    return image;
}

void writeFile(const std::filesystem::path& path, const ConfigImage& image) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
}

std::vector<std::uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace volmar::e2e
