#include "CliTestSupport.h"

#include "volmar/core/ConfigFields.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

namespace volmar::test {

namespace fs = std::filesystem;

RunResult runVolmarctl(const std::vector<std::string>& args) {
    return runProgram(VOLMARCTL_PATH, args);
}

int lineCount(const std::string& text) {
    int n = 0;
    for (char c : text)
        n += c == '\n';
    return n;
}

nlohmann::ordered_json randomConfig(unsigned seed) {
    std::mt19937 rng(seed);
    auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    static const std::string nameChars =
        " ()-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ[]_abcdefghijklmnopqrstuvwxyz";
    static const char hex[] = "0123456789ABCDEF";

    nlohmann::ordered_json j = nlohmann::ordered_json::object();
    for (const FieldDef& f : configFields()) {
        switch (f.kind) {
        case FieldKind::List:
            j[f.name] = pick(0, f.entries - 1);
            break;
        case FieldKind::Spin:
            j[f.name] = pick(f.min, f.max);
            break;
        case FieldKind::Check:
            j[f.name] = pick(0, 1) == 1;
            break;
        case FieldKind::Colour:
            j[f.name] = pick(0, 0xFFFFFF);
            break;
        case FieldKind::Edit:
            if (f.name == "dev_vid" || f.name == "dev_pid") {
                std::string id;
                for (int k = 0; k < 4; ++k)
                    id += hex[pick(0, 15)];
                j[f.name] = id;
            } else if (f.name == "dev_name") {
                std::string name;
                const int len = pick(0, 20);
                for (int k = 0; k < len; ++k)
                    name += nameChars[static_cast<std::size_t>(
                        pick(0, static_cast<int>(nameChars.size()) - 1))];
                j[f.name] = name;
            } else if (f.name.find("_acal_") != std::string::npos) {
                j[f.name] = std::to_string(pick(0, 65535));
            } else {
                j[f.name] = std::to_string(pick(0, 255));
            }
            break;
        }
    }
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (int row = 1; row <= 132; ++row) {
        const bool withModes = row <= 36;
        rows.push_back({{"hw", pick(0, 128)},
                        {"mode", withModes ? pick(0, 6) : 0},
                        {"shift", withModes ? pick(0, 4) : 0},
                        {"timer", withModes ? pick(0, 3) : 0}});
    }
    j["buttons"] = rows;
    return j;
}

} // namespace volmar::test
