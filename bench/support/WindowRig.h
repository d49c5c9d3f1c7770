#pragma once

// What the window benchmarks share: a private folder, volmar-sim as a child
// process, and a VolmarSetup window in the benchmark's own process (offscreen,
// the virtual HID backend) connected to that sim.

#include "volmar/app/Dialogs.h"
#include "volmar/app/TMForm.h"
#include "volmar/core/ImageCodec.h"
#include "volmar/hid/VirtualBackend.h"

#include "EventLoopProbe.h"

#include <QApplication>
#include <QProcess>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

namespace volmar::bench {

// A new folder only this user may enter; the caller removes it.
inline std::filesystem::path privateFolder() {
    char pattern[] = "/tmp/volmar-bench-XXXXXX";
    if (!mkdtemp(pattern)) {
        throw std::runtime_error("mkdtemp failed");
    }
    return pattern;
}

// The 1024 bytes of `image` as an EEPROM file for the sim.
inline void writeEeprom(const std::filesystem::path& file, const ConfigImage& image) {
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(image.data()),
              static_cast<std::streamsize>(image.size()));
    if (!out.flush()) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

// Waits (at most 30 s) until the process printed a line containing `text`.
inline bool waitForOutput(QProcess& process, const char* text) {
    QByteArray out;
    while (!out.contains(text)) {
        if (!process.waitForReadyRead(30000)) {
            return false;
        }
        out += process.readAllStandardOutput();
    }
    return true;
}

inline void stop(QProcess& process) {
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(10000);
    }
}

class WindowRig {
public:
    // A private runtime folder for this process, volmar-sim in it as device
    // `id` with `eeprom`, and the window connected to it; throws
    // std::runtime_error when either cannot be had.
    WindowRig(const std::string& id, const ConfigImage& eeprom)
        : m_folder(privateFolder()), m_id(id) {
        ::setenv("XDG_RUNTIME_DIR", m_folder.c_str(), 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        m_app = std::make_unique<QApplication>(s_argc, s_argv);
        writeEeprom(m_folder / "eeprom.bin", eeprom);
        m_sim.start(VOLMAR_SIM_PATH, {"--id", QString::fromStdString(id), "--eeprom",
                                      QString::fromStdString((m_folder / "eeprom.bin").string())});
        if (!waitForOutput(m_sim, "ready")) {
            throw std::runtime_error("volmar-sim did not start");
        }
        app::WindowOptions options;
        options.settingsFile = QString::fromStdString((m_folder / "VolmarSetup.ini").string());
        options.backends = [] {
            std::vector<std::unique_ptr<hid::HidBackend>> list;
            list.push_back(hid::makeVirtualBackend());
            return list;
        };
        m_window = std::make_unique<app::TMForm>(m_dialogs, options);
        m_window->show();
        spinUntil([&] { return !m_window->link().deviceLines().empty(); });
        m_window->link().selectDevice(0x8888, 0x8888);
        if (!m_window->link().ConfigDevice()) {
            throw std::runtime_error("volmar-sim was not found");
        }
    }
    // The window before the program's exit handlers take Qt's thread-local
    // storage away, then the sim and the folder.
    ~WindowRig() {
        m_window.reset();
        stop(m_sim);
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    WindowRig(const WindowRig&) = delete;
    WindowRig& operator=(const WindowRig&) = delete;

    app::TMForm& window() { return *m_window; }
    // One line into the sim's runtime pipe.
    void command(const std::string& line) {
        std::ofstream(m_folder / "volmar" / "virtual" / (m_id + ".control")) << line << '\n';
    }

private:
    static inline int s_argc = 1;
    static inline char s_name[] = "bench";
    static inline char* s_argv[] = {s_name, nullptr};

    std::filesystem::path m_folder;
    std::string m_id;
    std::unique_ptr<QApplication> m_app;
    QProcess m_sim;
    app::ScriptedDialogs m_dialogs;
    std::unique_ptr<app::TMForm> m_window;
};

} // namespace volmar::bench
