// Section and key names to look up in a fuzzed settings file: a few fixed ones, and the names
// its own lines seem to carry, as UTF-8 the way callers pass them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "cp932.h"

namespace inifuzz {

struct Names {
    std::vector<std::string> sections{"Section", ""};
    std::vector<std::string> keys{"K", "BGM区分", "BGMﾌｧｲﾙ"};
};

inline std::string_view TrimmedName(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t\v\f");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\v\f") - first + 1);
}

inline void AddName(std::vector<std::string>& names, std::string_view raw, bool utf8File) {
    constexpr std::size_t kMostNames = 8;
    if (names.size() >= kMostNames) {
        return;
    }
    const std::string_view name = TrimmedName(raw);
    if (utf8File) {
        names.emplace_back(name);
    } else if (const std::optional<std::string> utf8 = quillmere::Cp932ToUtf8(name)) {
        names.push_back(*utf8);
    }
}

inline Names NamesIn(std::string_view file) {
    Names names;
    const bool utf8File = file.starts_with("\xEF\xBB\xBF");
    std::size_t start = 0;
    while (start < file.size()) {
        std::size_t end = file.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            end = file.size();
        }
        const std::string_view line = file.substr(start, end - start);
        const std::size_t open = line.find('[');
        const std::size_t close = line.rfind(']');
        const std::size_t equals = line.find('=');
        if (open != std::string_view::npos && close != std::string_view::npos && open < close) {
            AddName(names.sections, line.substr(open + 1, close - open - 1), utf8File);
        } else if (equals != std::string_view::npos) {
            AddName(names.keys, line.substr(0, equals), utf8File);
        }
        start = end + 1;
    }
    return names;
}

}  // namespace inifuzz
