// What the command line offers people beyond the three screen-saver switches: help, version,
// and the usage text for a switch the program does not know.
#pragma once

#include <string>
#include <string_view>

namespace quillmere {

// Exit codes of the host.
inline constexpr int kExitFailure = 1;  // a run, the preview or the dialog could not start
inline constexpr int kExitUsage = 2;    // a switch the program does not know

enum class InfoRequest {
    None,
    Help,     // --help
    Version,  // --version
};

// --help or --version as the only argument. Asking needs no display and touches no file.
InfoRequest InfoRequestOf(int argc, const char* const* argv);

// The usage text, naming the program as it was called.
std::string UsageText(std::string_view programName);

// "Quillmere <version>".
std::string VersionText();

}  // namespace quillmere
