// The renderer's command line: the full-screen run without arguments, or the window to draw in.
#include <gtest/gtest.h>

#include <vector>

#include "renderer_options.h"

namespace quillmere {
namespace {

TEST(RendererOptions, WindowIdFormsAndRefusals) {
    struct Case {
        std::vector<const char*> args;
        std::uint32_t windowId;
        bool refused;
    };
    const std::vector<Case> cases = {
        {{}, 0, false},
        {{"--window-id", "12345"}, 12345, false},
        {{"--window-id", "0x1a00007"}, 0x1a00007, false},
        {{"--window-id=0X1A00007"}, 0x1a00007, false},
        {{"--window-id"}, 0, true},
        {{"--window-id", "0"}, 0, true},
        {{"--window-id", "12ab"}, 0, true},
        {{"--window-id", "0x"}, 0, true},
        {{"--window-id", "0x100000000"}, 0, true},
        {{"--window-id", "1", "--window-id", "2"}, 0, true},
        {{"-window-id", "1"}, 0, true},
        {{"/s"}, 0, true},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv{"Quillmere.dll"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const RendererOptions options =
            ParseRendererOptions(static_cast<int>(argv.size()), argv.data());
        SCOPED_TRACE(c.args.empty() ? "(none)" : c.args.back());
        EXPECT_EQ(!options.error.empty(), c.refused) << options.error;
        if (!c.refused) {
            EXPECT_EQ(options.windowId, c.windowId);
        }
    }
}

}  // namespace
}  // namespace quillmere
