#include "command_line.h"

namespace quillmere {

InfoRequest InfoRequestOf(int argc, const char* const* argv) {
    if (argc != 2) {
        return InfoRequest::None;
    }
    const std::string_view argument = argv[1];
    if (argument == "--help") {
        return InfoRequest::Help;
    }
    if (argument == "--version") {
        return InfoRequest::Version;
    }
    return InfoRequest::None;
}

std::string UsageText(std::string_view programName) {
    const std::string name(programName);
    return "Usage: " + name + " [/s | /p <window id> | /c]\n" + "       " + name +
           " -root | -window-id <window id> [-music | -no-music]\n" + "       " + name +
           " --help | --version\n"
           "Quillmere is a screen saver: an animated view of the open sea.\n"
           "\n"
           "  /s              run the saver full-screen until Escape is pressed\n"
           "  /p <window id>  show the still preview inside that window; the id is decimal,\n"
           "                  or hexadecimal with 0x as xwininfo prints it\n"
           "  /c              open the settings dialog (the background music)\n"
           "  (nothing)       run the saver full-screen, leaving the mouse pointer visible\n"
           "  --help          print this text\n"
           "  --version       print the version\n"
           "\n"
           "The letter after the first character picks the mode: -s, /S and -S run the saver "
           "too.\n"
           "\n"
           "As an XScreenSaver hack it runs the animation inside a window until it is ended:\n"
           "  -root                 in XSCREENSAVER_WINDOW, else in the root window\n"
           "  -window-id <id>       in that window\n"
           "  -music, -no-music     play the music chosen with /c, or not (default: play)\n"
           "With XSCREENSAVER_WINDOW set, a start without arguments runs in that window too.\n";
}

std::string VersionText() {
    return std::string("Quillmere ") + QUILLMERE_VERSION + "\n";
}

}  // namespace quillmere
