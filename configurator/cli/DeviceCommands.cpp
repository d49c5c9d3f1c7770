// volmarctl's device commands: the same device link the window uses, driven
// by a QCoreApplication event loop that runs only for these commands.
// Messages the window would show as boxes go to stderr; data to stdout.
#include "DeviceCommands.h"

#include "ConfigIo.h"
#include "OfflineCommands.h"

#include "volmar/core/Backups.h"
#include "volmar/core/ConfigFile.h"
#include "volmar/core/DeviceLine.h"
#include "volmar/core/LanguageRecord.h"
#include "volmar/core/Rules.h"
#include "volmar/device/DeviceLink.h"
#include "volmar/hid/HidController.h"
#include "volmar/hid/VirtualBackend.h"
#include "volmar/sysio/Text.h"

#include <QCoreApplication>
#include <QTimer>

#include <iostream>
#include <memory>
#include <optional>
#include <sstream>

namespace {

using namespace volmar;
using device::Operation;
using device::Outcome;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitBadInput = 2;
// A whole read or write takes about 1.6 s; this only guards against a hang.
constexpr int kSessionTimeoutMs = 60000;

std::string terminalText(std::string text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        }
        out += text[i];
    }
    return out;
}

// One run of the event loop around the device link.
class Session : public device::LinkObserver {
public:
    explicit Session(bool virtualOnly)
        : m_app(s_argc, s_argv), m_hid(backends(virtualOnly)), m_state(startupState(lng())),
          m_document(m_state, lng()), m_link(m_hid, m_scheduler, m_document, lng(), *this) {
        m_link.setTransferExecutor(m_worker);
        QTimer::singleShot(kSessionTimeoutMs, &m_app,
                           [this] { fail("volmarctl: the controller did not finish in time"); });
    }

    static const TRecordLng& lng() { return englishLanguage(); }

    // Runs `work` after the first device list is built; returns the exit code.
    int run(std::function<void()> work) {
        QObject::connect(
            &m_hid, &hid::HidController::deviceChange, &m_app,
            [this, work = std::move(work)] {
                if (!m_started) {
                    m_started = true;
                    work();
                }
            },
            Qt::QueuedConnection);
        m_app.exec();
        return m_exitCode;
    }

    void finish(int code) {
        m_exitCode = code;
        m_app.exit(code);
    }
    void fail(const std::string& message) {
        std::cerr << message << '\n';
        finish(kExitFailed);
    }

    // Connects the controller with these ids, as a click on its line would.
    bool connect(const line::VidPid& ids) {
        m_ids = line::hexId(ids.vid) + ":" + line::hexId(ids.pid);
        m_link.selectDevice(ids.vid, ids.pid);
        if (m_link.ConfigDevice()) {
            return true;
        }
        if (!m_link.connectionProblem().empty()) {
            finish(kExitFailed); // the link has said why (no access, or in use)
        } else {
            fail("volmarctl: no controller " + m_ids + " with a command collection was found");
        }
        return false;
    }

    // The exit status of an exchange; a controller that went away before it
    // could be asked is said in one line (the window shows its display).
    int exitFor(Operation op, Outcome outcome) {
        if (outcome == Outcome::NotConnected) {
            std::cerr << "volmarctl: " << device::operationName(op) << " failed: the controller "
                      << m_ids << " is not connected any more (unplugged, restarted or stopped)\n";
        }
        return outcome == Outcome::Completed ? kExitOk : kExitFailed;
    }

    // Starts an exchange; `done` runs with its outcome once the last
    // exchange has ended. What follows it (the sensor hub load after a read)
    // shows its own messages but does not change that outcome: the read has
    // completed either way.
    void exchange(Operation op, bool started, std::function<void(Outcome)> done) {
        if (!started) {
            fail("volmarctl: another exchange is running");
            return;
        }
        m_op = op;
        m_outcome.reset();
        m_done = std::move(done);
    }

    hid::HidController& hid() { return m_hid; }
    device::DeviceLink& link() { return m_link; }
    device::StateDocument& document() { return m_document; }
    ConfigState& state() { return m_state; }

    // LinkObserver
    void showMessage(const std::string& text) override { std::cerr << terminalText(text) << '\n'; }
    void backupKept(const std::string& file) override {
        std::cout << "kept the controller's configuration as " << file << '\n';
    }
    void writeChecked(const device::WriteCheck& check) override {
        m_check = check;
        (check.result == device::WriteCheck::Result::Verified ? std::cout : std::cerr)
            << check.text << '\n';
    }
    // A write that went through but reads back otherwise has failed.
    bool writeDiffers() const {
        return m_check && m_check->result == device::WriteCheck::Result::Differs;
    }
    void exchangeFinished(Operation op, Outcome outcome) override {
        if (op == m_op && !m_outcome) {
            m_outcome = outcome;
        }
        // A read may be followed by the sensor hub load; wait for the last one.
        if (!m_link.busy() && m_done) {
            auto done = std::move(m_done);
            m_done = nullptr;
            done(m_outcome.value_or(outcome));
        }
    }

private:
    static std::vector<std::unique_ptr<hid::HidBackend>> backends(bool virtualOnly) {
        if (!virtualOnly) {
            return hid::HidController::defaultBackends();
        }
        std::vector<std::unique_ptr<hid::HidBackend>> list;
        list.push_back(hid::makeVirtualBackend());
        return list;
    }

    static inline int s_argc = 1;
    static inline char s_name[] = "volmarctl";
    static inline char* s_argv[] = {s_name, nullptr};

    QCoreApplication m_app;
    device::QtScheduler m_scheduler;
    device::WorkerExecutor m_worker;
    hid::HidController m_hid;
    ConfigState m_state;
    device::StateDocument m_document;
    device::DeviceLink m_link;
    std::function<void(Outcome)> m_done;
    Operation m_op = Operation::Read;
    std::optional<Outcome> m_outcome;
    bool m_started = false;
    int m_exitCode = kExitOk;
    std::string m_ids; // VVVV:PPPP of the controller asked for
    std::optional<device::WriteCheck> m_check;
};

int listDevices(bool virtualOnly) {
    Session session(virtualOnly);
    return session.run([&session] {
        for (hid::HidDevice* dev : session.hid().devices()) {
            if (!dev->isPluggedIn()) {
                continue;
            }
            // The usage tells apart the collections of one controller.
            std::cout << line::deviceListLine(dev->attributes().vendorId,
                                              dev->attributes().productId, dev->productName(),
                                              dev->serialNumber())
                      << " page:" << line::hexId(dev->caps().usagePage)
                      << " usage:" << line::hexId(dev->caps().usage) << std::endl;
            if (!dev->isOpenable()) {
                std::cerr << "  " << line::cannotOpenText(dev->openError()) << std::endl;
            }
        }
        session.finish(kExitOk);
    });
}

// The image exactly as read, and the listing of the configuration it decodes to.
int saveRead(Session& session, const std::string& path) {
    const ConfigImage& image = session.document().image();
    ConfigState state = session.state();
    ConfigImage scratch{};
    DescriptorLog log(kDescriptorLogLines);
    const EncodeResult encoded = ConfigToReport(state, scratch, log);
    if (!encoded.ok()) {
        std::cerr << encoded.conversionError << '\n';
        return kExitFailed;
    }
    if (path == cli::kStandardOutput) {
        if (!cli::writeImageTo(std::cout, image)) {
            std::cerr << "volmarctl: cannot write to standard output\n";
            return kExitFailed;
        }
        return kExitOk;
    }
    if (const Status written = writeConfigFiles(path, image, log); !written) {
        std::cerr << written.error().text << '\n';
        return kExitFailed;
    }
    std::cout << "wrote " << path << " and " << descriptorTextPath(path).string() << '\n';
    return kExitOk;
}

int readConfiguration(const line::VidPid& ids, const std::string& path, bool virtualOnly) {
    Session session(virtualOnly);
    return session.run([&] {
        if (!session.connect(ids)) {
            return;
        }
        session.exchange(Operation::Read, session.link().readConfiguration(), [&](Outcome outcome) {
            session.finish(outcome == Outcome::Completed
                               ? saveRead(session, path)
                               : session.exitFor(Operation::Read, outcome));
        });
    });
}

int writeConfiguration(const line::VidPid& ids, const std::string& path, bool virtualOnly) {
    Session session(virtualOnly);
    return session.run([&] {
        // The file first: a bad file must not touch the controller.
        if (cli::fileKind(path) == cli::FileKind::Json) {
            auto loaded = cli::loadJsonState(path);
            if (!loaded) {
                std::cerr << loaded.error().text << '\n';
                session.finish(kExitBadInput);
                return;
            }
            session.state() = std::move(*loaded);
        } else {
            auto loaded = cli::loadImageState(path);
            if (!loaded) {
                std::cerr << loaded.error().text << '\n';
                session.finish(kExitBadInput);
                return;
            }
            for (const auto& text : loaded->notes) {
                session.showMessage(text);
            }
            for (const auto& box : loaded->boxes) {
                session.showMessage(box);
            }
            session.state() = std::move(loaded->state);
        }
        if (!session.connect(ids)) {
            return;
        }
        // As the window writes: the controller's configuration kept first,
        // the write read back after.
        session.link().setWriteSafety({backupFolder(), true});
        session.exchange(
            Operation::Write, session.link().writeConfiguration(), [&](Outcome outcome) {
                const int code = session.exitFor(Operation::Write, outcome);
                session.finish(code == kExitOk && session.writeDiffers() ? kExitFailed : code);
            });
    });
}

int simpleCommand(const line::VidPid& ids, Operation op, bool virtualOnly) {
    Session session(virtualOnly);
    return session.run([&] {
        if (!session.connect(ids)) {
            return;
        }
        auto& link = session.link();
        const bool started = op == Operation::Restart ? link.restart()
                             : op == Operation::Clear ? link.clearConfiguration()
                                                      : link.startBootloader();
        session.exchange(op, started,
                         [&](Outcome outcome) { session.finish(session.exitFor(op, outcome)); });
    });
}

std::string liveLine(const live::LiveData& data) {
    std::ostringstream out;
    out << "hw=" << int(data.hardwareType);
    const auto chip = live::chipName(data.hardwareType);
    if (!chip.empty()) {
        out << " (" << chip << ")";
    }
    out << " uptime=" << live::uptimeText(data) << " raw=";
    for (int n = 0; n < live::kAxes; ++n) {
        out << (n ? "," : "") << data.raw[n];
    }
    out << " axis=";
    for (int n = 0; n < live::kAxes; ++n) {
        out << (n ? "," : "") << data.processed[n];
    }
    out << " buttons=";
    bool any = false;
    for (int b = 0; b < live::kButtons; ++b) {
        if (data.buttons[b]) {
            out << (any ? "," : "") << b + 1;
            any = true;
        }
    }
    if (!any) {
        out << "-";
    }
    out << " errors=";
    for (int n = 0; n < live::kAxes; ++n) {
        out << (n ? "," : "") << int(data.linkErrors[n]);
    }
    out << " debug=" << live::debugLine(data);
    return out.str();
}

int liveData(const line::VidPid& ids, int count, bool virtualOnly) {
    Session session(virtualOnly);
    QTimer timer;
    int polls = 0;
    return session.run([&] {
        if (!session.connect(ids)) {
            return;
        }
        // The monitor's 100 ms tick; the next one starts when this one ends.
        timer.setSingleShot(true);
        timer.setInterval(100);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            const auto poll = session.link().pollLiveData();
            using Status = device::LivePoll::Status;
            switch (poll.status) {
            case Status::Data:
                std::cout << liveLine(poll.data) << std::endl;
                break;
            case Status::NoData:
                std::cout << "no data" << std::endl;
                break;
            case Status::Failed:
                session.fail("live data read failed [" + poll.error + "]");
                return;
            case Status::NotConnected:
            case Status::Skipped:
                session.fail("volmarctl: the controller is not connected");
                return;
            }
            if (++polls >= count) {
                session.finish(kExitOk);
                return;
            }
            timer.start();
        });
        timer.start();
    });
}

struct DeviceOption {
    std::string text;
    bool virtualOnly = false;
    std::optional<line::VidPid> ids() const { return line::parseVidPid(text); }
};

void addDeviceOptions(CLI::App* cmd, DeviceOption& option) {
    cmd->add_option("--device", option.text, "the controller's ids as VVVV:PPPP (hexadecimal)")
        ->required()
        ->check([](const std::string& text) {
            return line::parseVidPid(text) ? std::string()
                                           : "expected VVVV:PPPP, got " + sysio::shortened(text);
        });
    cmd->add_flag("--virtual", option.virtualOnly, "only volmar-sim devices");
}

} // namespace

void addDeviceCommands(CLI::App& app, int& exitCode) {
    static DeviceOption option;
    static std::string file;
    static int count = 10;

    auto* list = app.add_subcommand("list", "list every HID collection, one device list line each");
    list->add_flag("--virtual", option.virtualOnly, "only volmar-sim devices");
    list->callback([&exitCode] { exitCode = listDevices(option.virtualOnly); });

    auto* read = app.add_subcommand("read", "read the controller's configuration into a file");
    addDeviceOptions(read, option);
    read->add_option("-o,--output", file,
                     "configuration file to write (and its _HID_txt); - writes the image to "
                     "standard output")
        ->required();
    read->callback(
        [&exitCode] { exitCode = readConfiguration(*option.ids(), file, option.virtualOnly); });

    auto* write = app.add_subcommand("write", "write a configuration file to the controller");
    addDeviceOptions(write, option);
    write->add_option("file", file, "configuration file (.volmar or .json)")->required();
    write->callback(
        [&exitCode] { exitCode = writeConfiguration(*option.ids(), file, option.virtualOnly); });

    const std::pair<const char*, Operation> commands[] = {{"restart", Operation::Restart},
                                                          {"clear", Operation::Clear},
                                                          {"bootloader", Operation::Bootloader}};
    const char* help[] = {"restart the controller", "clear the controller's stored configuration",
                          "start the controller's bootloader"};
    for (int i = 0; i < 3; ++i) {
        auto* cmd = app.add_subcommand(commands[i].first, help[i]);
        addDeviceOptions(cmd, option);
        const Operation op = commands[i].second;
        cmd->callback(
            [&exitCode, op] { exitCode = simpleCommand(*option.ids(), op, option.virtualOnly); });
    }

    auto* liveCmd =
        app.add_subcommand("live", "print the controller's live data, one line per poll");
    addDeviceOptions(liveCmd, option);
    liveCmd->add_option("--count", count, "number of polls (100 ms apart)")
        ->check(CLI::Range(1, 1000000));
    liveCmd->callback(
        [&exitCode] { exitCode = liveData(*option.ids(), count, option.virtualOnly); });
}
