#include "x11_report_text.h"

#include <gtest/gtest.h>

namespace quillmere::x11 {
namespace {

using Lines = std::vector<std::u16string>;

TEST(X11ReportText, LinesReadyToDraw) {
    struct Case {
        std::string text;
        std::size_t columns;
        char32_t maxCharacter;
        Lines lines;
    } cases[] = {
        // The reader's message ends in a line break: it must not show as a glyph or a line.
        {"Failed to open DIB file /tmp/a.bmp.\n",
         80,
         0xFFFF,
         {u"Failed to open DIB file /tmp/a.bmp."}},
        {"Unknown DIB file format.", 80, 0xFFFF, {u"Unknown DIB file format."}},
        {"one\ntwo\r\n\r\n", 80, 0xFFFF, {u"one", u"two"}},
        {"a\n\nb", 80, 0xFFFF, {u"a", u"", u"b"}},
        {"", 80, 0xFFFF, {u""}},
        {"tab\there\x01", 80, 0xFFFF, {u"tab here "}},
        {"/tmp/\xE6\x97\xA5\xE6\x9C\xAC.bmp", 80, 0xFFFF, {u"/tmp/\u65E5\u672C.bmp"}},
        {"/tmp/\xE6\x97\xA5.bmp", 80, 0xFF, {u"/tmp/?.bmp"}},
        {"caf\xC3\xA9", 80, 0xFF, {u"caf\u00E9"}},
        // Not UTF-8: a lone continuation byte, a cut-off sequence, an overlong form.
        {"a\x80z", 80, 0xFFFF, {u"a?z"}},
        {"a\xE6\x97", 80, 0xFFFF, {u"a??"}},
        {"\xC0\xAF", 80, 0xFFFF, {u"??"}},
        {"\xF0\x9F\x98\x80!", 80, 0xFFFF, {u"?!"}},
        {"abcdefgh", 3, 0xFFFF, {u"abc", u"def", u"gh"}},
        {"abc\nde", 3, 0xFFFF, {u"abc", u"de"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReportLines(c.text, c.columns, c.maxCharacter), c.lines) << c.text;
    }
}

}  // namespace
}  // namespace quillmere::x11
