// What the host and the renderer agree on. They are separate programs that share no code at run
// time, so every name that crosses between them lives here and nowhere else.
#pragma once

#include <cstdint>
#include <string>

namespace quillmere {

// The renderer's program file, in the host's own folder.
inline constexpr char kRendererFileName[] = "Quillmere.dll";

// The renderer's window; the host watches for it by this title alone.
inline constexpr char kRendererWindowTitle[] = "Tormalune_VC";

// Captions that mark a full-screen run under way: the host's hidden saver window, and a second
// marker looked up the same way.
inline constexpr char kSaverWindowTitle[] = "Tormalune_Main";
inline constexpr char kSecondMarkerTitle[] = "<Quillmere>";

// Type atom of a ClientMessage (format 32) that carries a window message to either program:
// data.l[0] is the message number, data.l[1] wParam, data.l[2] lParam.
inline constexpr char kWindowMessageAtom[] = "QUILLMERE_WINDOW_MESSAGE";

// WM_CLOSE, by the number of the platform the saver was first made for: the host sends it to the
// renderer's window to end the renderer, and the host's hidden saver window ends the run on it.
inline constexpr std::uint32_t kWmClose = 0x0010;

// The three texture files in the texture folder, numbered 1 to 3: the host writes them before
// it starts the renderer, the renderer reads each once.
inline constexpr int kTextureCount = 3;
inline std::string TextureFileName(int number) {
    return "Tormalune" + std::to_string(number) + ".bmp";
}

// While the renderer holds the display in its switched mode, the root window carries this
// property (CARDINAL, format 32): the renderer's process id, then the RandR configuration
// timestamp right after its switch. The renderer removes it when it puts the mode back. If the
// renderer could not (it was killed outright), the host that started it finds the property and,
// while the timestamp is still the current one (nobody changed the screen since), puts back the
// configuration it recorded before starting the renderer, then removes the property.
inline constexpr char kSwitchedModeAtom[] = "QUILLMERE_SWITCHED_MODE";

// Renderer option: draw into an existing window (decimal or 0x hex id) instead of opening a
// full-screen window of its own, as an XScreenSaver hack does.
inline constexpr char kWindowIdOption[] = "--window-id";

}  // namespace quillmere
