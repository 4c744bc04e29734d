// Where the settings live on Linux, and the path rules LoadSettings applies there.
#include "file_writing.h"
#include "settings.h"
#include "xdg_paths.h"

namespace quillmere {

std::string SettingsFilePath() {
    return SettingsFolder() + "/Quillmere.ini";
}

std::string MusicFolderWhenNone() {
    return HomeFolder();
}

std::string WithoutTrailingSeparator(const std::string& path) {
    if (!path.empty() && path.back() == '/') {
        return path.substr(0, path.size() - 1);
    }
    return path;
}

std::string FolderOfPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return {};
    }
    std::string folder = path.substr(0, slash + 1);
    // The root keeps its "/": an empty folder would mean "no folder" to the file chooser.
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

}  // namespace quillmere
