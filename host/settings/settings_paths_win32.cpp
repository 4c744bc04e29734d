// Where the settings live on Windows, and the path rules LoadSettings applies there. Paths are in
// the ANSI code page and are taken apart by whole characters.
#include "ansi_text_win32.h"
#include "program_folder.h"
#include "settings.h"

namespace quillmere {

std::string SettingsFilePath() {
    const std::string folder = platform::ProgramFolder();
    return folder.empty() ? std::string() : folder + "\\Quillmere.ini";
}

std::string MusicFolderWhenNone() {
    return platform::ProgramFolder();
}

std::string WithoutTrailingSeparator(const std::string& path) {
    if (!path.empty() && FindLastAnsiChar(path, "\\") == path.size() - 1) {
        return path.substr(0, path.size() - 1);
    }
    return path;
}

std::string FolderOfPath(const std::string& path) {
    const std::size_t last = FindLastAnsiChar(path, ":\\");
    if (last == std::string::npos) {
        return {};
    }
    std::string folder = path.substr(0, last + 1);
    if (folder.back() == '\\') {
        folder.pop_back();
    }
    return folder;
}

}  // namespace quillmere
