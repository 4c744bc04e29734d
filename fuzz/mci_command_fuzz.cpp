// Any text as media commands, one a line, through the splitter and the interpreter over scripted
// players: no fault, words that read back as themselves when joined again, and answers that stay
// inside their buffer and end with a NUL.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "mci_command.h"
#include "mci_errors.h"
#include "mci_interpreter.h"
#include "music_fakes.h"

namespace {

using quillmere::MciWords;

std::string Joined(const MciWords& split) {
    std::string command;
    for (const quillmere::MciWord& word : split.words) {
        command += word.quoted ? quillmere::QuotedMciWord(word.text) + " " : word.text + " ";
    }
    return command;
}

bool SameWords(const MciWords& a, const MciWords& b) {
    if (a.error != b.error || a.words.size() != b.words.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.words.size(); ++i) {
        if (a.words[i].text != b.words[i].text || a.words[i].quoted != b.words[i].quoted) {
            return false;
        }
    }
    return true;
}

// The answer buffer is exactly as long as the interpreter is told, so ASan sees any overrun.
void CheckAnswer(std::int32_t result, const std::vector<char>& buffer) {
    if (result == 0 && !buffer.empty() &&
        std::memchr(buffer.data(), '\0', buffer.size()) == nullptr) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const MciWords split = quillmere::SplitMciCommand(text);
    if (split.error == 0 && !SameWords(quillmere::SplitMciCommand(Joined(split)), split)) {
        std::abort();
    }

    musictest::FakeBackend backend;
    quillmere::MciInterpreter interpreter(backend);
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::string_view command = text.substr(start, end - start);
        start = end + 1;
        std::vector<char> answer(command.size() % 48);
        const std::int32_t result =
            interpreter.Send(command, answer.empty() ? nullptr : answer.data(),
                             static_cast<std::uint32_t>(answer.size()));
        CheckAnswer(result, answer);
        if (result != 0) {
            quillmere::MciGetErrorString(result, answer.empty() ? nullptr : answer.data(),
                                         static_cast<std::uint32_t>(answer.size()));
        }
    }
    interpreter.CloseAll();
    return 0;
}
