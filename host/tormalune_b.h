// The host's start-up module: reading the command line, choosing the mode and opening the one
// window the program lives for. Plain C++: every platform step is handed in, so the dispatch is
// tested without a display.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "hack_mode.h"
#include "saver_contract.h"
#include "twips.h"

namespace quillmere {

// The cursor display count returned by the host's last hide or show call; empty before the first.
extern std::optional<int> SavedCursorCount;

// argv[1..] joined by single blanks: the command line after the program name.
std::string ArgumentText(int argc, const char* const* argv);

// Character 2 of the upper-cased text, or empty when the text has fewer than two characters.
// Characters are UTF-8 sequences (a stray byte counts as one); only ASCII letters change case.
std::string ModeLetter(std::string_view argumentText);

// True when the text is not empty and its mode letter is none of P, C and S.
bool UnknownSwitch(std::string_view argumentText);

// The preview's host window, read as a number from character 4 on: decimal, or hexadecimal after
// 0x as xwininfo prints ids. Blanks are skipped, reading stops at the first other non-digit, no
// digits give 0. A number beyond 32 bits gives 0, since no window has such an id.
std::uint32_t PreviewHandle(std::string_view argumentText);

// The preview's place inside its host window, in twips. A size that does not fit 16 bits stays 0.
struct PreviewRect {
    std::int16_t PreviewLeft = 0;
    std::int16_t PreviewTop = 0;
    std::int16_t PreviewWidth = 0;
    std::int16_t PreviewHeight = 0;

    // The picture's size back in pixels.
    int ImageWidth() const { return PreviewWidth / kTwipsPerPixel; }
    int ImageHeight() const { return PreviewHeight / kTwipsPerPixel; }
};
PreviewRect PreviewRectFor(int widthPixels, int heightPixels);

// The platform steps Main (and HackMain) take.
class MainOps {
  public:
    virtual ~MainOps() = default;
    virtual bool WindowExists(const std::string& title) = 0;
    // Sets up and shows the preview; false when there is nothing to show it in.
    virtual bool ShowPreview(const std::string& argumentText) = 0;
    // One full-screen run at a time: false when another run holds the lock. Taken for the
    // full-screen run only, so starts of other kinds can run beside one.
    virtual bool TakeRunLock() = 0;
    virtual void CreateTextureFolder() = 0;
    virtual void LoadSettings() = 0;
    virtual void ShowSettingsDialog() = 0;  // modal: returns once the dialog has closed
    virtual int HideCursor() = 0;           // the new display count
    virtual void LoadSaverWindow() = 0;     // loads Tormalune_S without showing it
    // Starts the run inside the request's window; false when that window does not exist.
    virtual bool LoadHackSession(const HackRequest& request) = 0;
};

enum class MainResult {
    EndProgram,       // nothing is left to run
    RunWindow,        // the preview or the saver window now runs the program
    UnknownSwitch,    // nothing to run either: the command line names no mode
    NoPreviewWindow,  // the preview had no window to show in
    NoHackWindow,     // the hack had no window to draw in
};

MainResult Main(const std::string& argumentText, MainOps& ops);

// The start of an XScreenSaver hack. A full-screen run under way refuses it as it refuses every
// start. It takes no run lock and makes no marker window: the daemon runs one instance per
// monitor at once, and a second full-screen run stays possible beside the daemon's.
MainResult HackMain(const HackRequest& request, MainOps& ops);

}  // namespace quillmere
