// Any template and any values (file names, ports): filling must not crash,
// keeps two lines, and every value comes back out of the shell's quoting
// exactly, as one word, whatever bytes it holds.

#include "FuzzParts.h"
#include "volmar/core/LoaderScript.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

// The words of a line as a POSIX shell splits them at blanks, for text made
// only of blanks, single-quoted runs and \' (all that quoting produces).
std::vector<std::string> shellWords(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == ' ') {
            if (inWord) {
                words.push_back(word);
                word.clear();
                inWord = false;
            }
        } else if (c == '\'') {
            const std::size_t end = line.find('\'', i + 1);
            if (end == std::string_view::npos) {
                std::abort(); // an unterminated quote
            }
            word += line.substr(i + 1, end - i - 1);
            i = end;
            inWord = true;
        } else if (c == '\\' && i + 1 < line.size()) {
            word += line[++i];
            inWord = true;
        } else {
            std::fprintf(stderr, "unquoted byte %d\n", c);
            std::abort();
        }
    }
    if (inWord) {
        words.push_back(word);
    }
    return words;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Template and four values, separated by NUL bytes.
    const auto parts = volmar::fuzz::splitAtNul<5>(data, size);
    const volmar::loader::Values values{parts[1], parts[2], parts[3], parts[4]};

    const std::string script = volmar::loader::fillTemplate(parts[0], values);
    const bool valuesOneLine = std::none_of(parts.begin() + 1, parts.end(), [](const auto& v) {
        return v.find('\n') != std::string::npos;
    });
    if (valuesOneLine && std::count(script.begin(), script.end(), '\n') != 2) {
        std::abort();
    }

    const std::vector<std::string> words =
        shellWords(volmar::loader::fillLine("$CHIP$ $FILE$ $PORT$ $PATH$", values));
    const std::vector<std::string> expected(parts.begin() + 1, parts.end());
    if (words != expected) {
        std::abort();
    }
    return 0;
}
