// Splitting a media command into words: blanks separate words, letter case is kept (callers
// compare keywords without regard to ASCII case), and a word in double quotes may hold blanks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere {

struct MciWord {
    std::string text;
    bool quoted = false;
};

struct MciWords {
    std::vector<MciWord> words;
    std::int32_t error = 0;  // a result code when the text cannot be split
};

// A quoted word ends at the first double quote that is followed by a blank or by the end of the
// text, so file names that hold a double quote still come through whole.
MciWords SplitMciCommand(std::string_view command);

// ASCII case-insensitive comparison, as keywords and device names are matched.
bool SameWord(std::string_view a, std::string_view b);
std::string LowerWord(std::string_view word);

}  // namespace quillmere
