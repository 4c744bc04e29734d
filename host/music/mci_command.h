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

// Inside a quoted word two double quotes stand for one, and the word ends at the first single
// double quote that is followed by a blank or by the end of the text; any other double quote is
// kept as it is. A file name may hold any character then, a quote before a blank included.
MciWords SplitMciCommand(std::string_view command);

// The text as one quoted word that SplitMciCommand gives back unchanged: in double quotes, with
// each double quote doubled that is followed by a blank, by another double quote or by nothing.
// Any other text is only put in quotes.
std::string QuotedMciWord(std::string_view text);

// ASCII case-insensitive comparison, as keywords and device names are matched.
bool SameWord(std::string_view a, std::string_view b);
std::string LowerWord(std::string_view word);

}  // namespace quillmere
