// The renderer's command line: nothing for the full-screen run, or --window-id ID to draw inside
// another program's window.
#pragma once

#include <cstdint>
#include <string>

namespace quillmere {

struct RendererOptions {
    std::uint32_t windowId = 0;  // 0: the full-screen run
    std::string error;           // why the command line was refused; empty when it was not
};

// Accepts no argument, "--window-id ID" or "--window-id=ID" (ID decimal or 0x hex).
RendererOptions ParseRendererOptions(int argc, const char* const* argv);

}  // namespace quillmere
