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
                const std::size_t quote = command.find('"', end);
                if (quote == std::string_view::npos) {
                    return {{}, kMciErrNoClosingQuote};
                }
                word.text.append(command.substr(end, quote - end));
                end = quote;
                if (end + 1 < command.size() && command[end + 1] == '"') {
                    word.text += '"';  // a doubled quote stands for one
                    ++end;
                    continue;
                }
                if (end + 1 == command.size() || IsBlank(command[end + 1])) {
                    break;
                }
                word.text += '"';
            }
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

std::string QuotedMciWord(std::string_view text) {
    std::string quoted = "\"";
    for (std::size_t i = 0; i < text.size(); ++i) {
        quoted += text[i];
        // Only a quote the splitter would take for the end of the word, or for half of a doubled
        // one, needs doubling; any other stays single, as the text always had it.
        if (text[i] == '"' &&
            (i + 1 == text.size() || IsBlank(text[i + 1]) || text[i + 1] == '"')) {
            quoted += '"';
        }
    }
    return quoted + '"';
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
