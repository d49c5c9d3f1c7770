#include "volmar/hid/VirtualBackend.h"

#include "volmar/hid/Collections.h"
#include "volmar/sysio/DeviceLock.h"
#include "volmar/vhid/Client.h"

#include <QFileSystemWatcher>
#include <QString>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <sys/socket.h>
#include <sys/stat.h>

namespace volmar::hid {

namespace {

namespace fs = std::filesystem;

// One opened virtual device: a connection for feature transfers and a
// second, subscribed one that streams the input reports to the reader, so
// neither waits behind the other.
class VirtualNode final : public HidNode {
public:
    VirtualNode(sysio::DeviceLock lock, std::unique_ptr<vhid::Client> feature,
                std::unique_ptr<vhid::Client> input)
        : m_lock(std::move(lock)), m_feature(std::move(feature)), m_input(std::move(input)) {}

    Status setFeature(std::span<const std::uint8_t> report) override {
        if (report.empty()) {
            return Error::fromErrno(EINVAL);
        }
        return m_feature->setFeature(report, kVirtualTransferTimeoutMs);
    }

    Status getFeature(std::span<std::uint8_t> report) override {
        if (report.empty()) {
            return Error::fromErrno(EINVAL);
        }
        std::vector<std::uint8_t> answer;
        if (Status got =
                m_feature->getFeature(report[0], report.size(), answer, kVirtualTransferTimeoutMs);
            !got) {
            return got;
        }
        if (answer.size() < report.size()) {
            return Error::fromErrno(EIO); // a short report is a failed transfer
        }
        std::copy_n(answer.begin(), report.size(), report.begin());
        return {};
    }

    Status readInput(std::vector<std::uint8_t>& report, int timeoutMs) override {
        if (m_cancelled.load()) {
            return Error::fromErrno(ECANCELED);
        }
        Status read = m_input->readInput(report, timeoutMs);
        // cancelRead() shuts the connection down, which reads as a hang-up.
        return m_cancelled.load() ? Error::fromErrno(ECANCELED) : std::move(read);
    }

    void cancelRead() override {
        m_cancelled.store(true);
        ::shutdown(m_input->fd(), SHUT_RDWR);
    }

private:
    sysio::DeviceLock m_lock; // held while the node is open
    std::unique_ptr<vhid::Client> m_feature;
    std::unique_ptr<vhid::Client> m_input;
    std::atomic<bool> m_cancelled{false};
};

class VirtualBackend final : public HidBackend {
public:
    explicit VirtualBackend(fs::path folder) : m_folder(std::move(folder)) {
        QObject::connect(&m_watcher, &QFileSystemWatcher::directoryChanged, [this] {
            if (m_callback) {
                m_callback();
            }
        });
        ensureWatched();
    }

    std::string name() const override { return "virtual"; }

    std::vector<CollectionInfo> enumerate() override {
        // A folder removed meanwhile (and made again by a sim) is watched anew.
        ensureWatched();
        std::vector<fs::path> sockets;
        std::error_code ec;
        for (fs::directory_iterator it(m_folder, ec), end; !ec && it != end; it.increment(ec)) {
            if (it->path().extension() == ".sock") {
                sockets.push_back(it->path());
            }
        }
        std::sort(sockets.begin(), sockets.end());

        std::vector<CollectionInfo> out;
        for (const fs::path& socket : sockets) {
            struct stat st {};
            if (::stat(socket.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) {
                continue;
            }
            const auto client = vhid::Client::connect(socket);
            if (!client) {
                continue; // a file nobody listens on any more: not plugged in
            }
            const vhid::DeviceInfo& dev = (*client)->info();
            CollectionInfo node;
            node.path = socket.string();
            node.attributes = HidAttributes{dev.vendorId, dev.productId, dev.version};
            node.manufacturer = dev.manufacturer;
            node.product = dev.product;
            node.serial = dev.serial;
            // A sim that restarts makes a new socket file: inode and change
            // time tell the attachments apart, like a new USB enumeration.
            const std::string nodeId =
                "virtual:" + socket.string() + "@" + std::to_string(st.st_ino) + "." +
                std::to_string(st.st_ctim.tv_sec) + "." + std::to_string(st.st_ctim.tv_nsec);
            for (CollectionInfo& info : collectionsOf(node, nodeId, dev.reportDescriptor)) {
                out.push_back(std::move(info));
            }
        }
        return out;
    }

    Result<std::unique_ptr<HidNode>> open(const std::string& path) override {
        // One program per device: the lock comes first, so that a refused
        // program has not even connected.
        auto lock =
            sysio::DeviceLock::acquire(vhid::lockFileOf(path), sysio::DeviceLock::Kind::File);
        if (!lock) {
            return lock.error();
        }
        // A device that cannot be reached any more has gone.
        auto feature = vhid::Client::connect(path);
        if (!feature) {
            return Error::fromErrno(ENODEV);
        }
        auto input = vhid::Client::connect(path);
        if (!input) {
            return Error::fromErrno(ENODEV);
        }
        if (Status subscribed = (*input)->subscribe(); !subscribed) {
            return subscribed.error();
        }
        return std::unique_ptr<HidNode>(std::make_unique<VirtualNode>(
            std::move(*lock), std::move(*feature), std::move(*input)));
    }

    void setChangeCallback(std::function<void()> callback) override {
        m_callback = std::move(callback);
    }

private:
    // The folder must exist to be watched; one made here is private to the user.
    void ensureWatched() {
        if (!m_watcher.directories().isEmpty()) {
            return;
        }
        std::error_code ec;
        if (fs::create_directories(m_folder, ec)) {
            fs::permissions(m_folder, fs::perms::owner_all, fs::perm_options::replace, ec);
        }
        m_watcher.addPath(QString::fromStdString(m_folder.string()));
    }

    fs::path m_folder;
    QFileSystemWatcher m_watcher;
    std::function<void()> m_callback;
};

} // namespace

std::unique_ptr<HidBackend> makeVirtualBackend(std::filesystem::path folder) {
    if (folder.empty()) {
        folder = vhid::deviceFolder();
    }
    return std::make_unique<VirtualBackend>(std::move(folder));
}

} // namespace volmar::hid
