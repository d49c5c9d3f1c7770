#include "volmar/core/PortWatch.h"

namespace volmar::ports {

std::string joinPortList(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) {
        if (!list.empty()) {
            list += ',';
        }
        list += name;
    }
    return list;
}

WatchStep comPortWatch(std::string_view list, std::string_view com_port, bool autoFirmware) {
    WatchStep step;
    step.com_port = autoFirmware && com_port.empty() ? std::string(list) : std::string(com_port);
    step.present = !list.empty() && !step.com_port.empty() &&
                   list.find(step.com_port) != std::string_view::npos;
    step.startUpload = step.present && autoFirmware;
    return step;
}

} // namespace volmar::ports
