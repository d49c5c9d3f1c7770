#include "volmar/viewer/LockIndicators.h"

#include <fstream>
#include <string>

namespace volmar::viewer {

namespace {

bool endsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

bool lit(const std::filesystem::path& led) {
    std::ifstream in(led / "brightness");
    int brightness = 0;
    return (in >> brightness) && brightness > 0;
}

} // namespace

LockState readLockState(const std::filesystem::path& ledsFolder) {
    LockState state;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(ledsFolder, ec)) {
        const std::string name = entry.path().filename().string();
        if (endsWith(name, "::capslock")) {
            state.caps = state.caps || lit(entry.path());
        } else if (endsWith(name, "::numlock")) {
            state.num = state.num || lit(entry.path());
        } else if (endsWith(name, "::scrolllock")) {
            state.scroll = state.scroll || lit(entry.path());
        }
    }
    return state;
}

} // namespace volmar::viewer
