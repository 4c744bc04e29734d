#include "mci_command.h"

#include "mci_errors.h"

namespace quillmere {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

MciWords SplitMciCommand(std::string_view command) {
    MciWords result;
    std::size_t at = 0;
    while (at < command.size()) {
        if (IsBlank(command[at])) {
            ++at;
            continue;
        }
        MciWord word;
        if (command[at] == '"') {
            std::size_t end = at + 1;
            for (;; ++end) {
                end = command.find('"', end);
                if (end == std::string_view::npos) {
                    return {{}, kMciErrNoClosingQuote};
                }
                if (end + 1 == command.size() || IsBlank(command[end + 1])) {
                    break;
                }
            }
            word.text = std::string(command.substr(at + 1, end - at - 1));
            word.quoted = true;
            at = end + 1;
        } else {
            std::size_t end = at;
            while (end < command.size() && !IsBlank(command[end])) {
                ++end;
            }
            word.text = std::string(command.substr(at, end - at));
            at = end;
        }
        result.words.push_back(std::move(word));
    }
    return result;
}

bool SameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

std::string LowerWord(std::string_view word) {
    std::string lower(word);
    for (char& c : lower) {
        c = LowerAscii(c);
    }
    return lower;
}

}  // namespace quillmere
