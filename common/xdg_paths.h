// Folders both programs agree on. Header-only so the host and the renderer compute the same
// paths without linking each other. On Windows the texture folder is the fixed "C:\q_vorn";
// elsewhere the folders follow the XDG base directories.
#pragma once

#include <cstdlib>
#include <string>

#include "saver_contract.h"

namespace quillmere {

#ifdef _WIN32

// The texture folder: the host writes the three bitmaps here, the renderer reads them.
inline std::string TextureFolder() {
    return "C:\\q_vorn";
}

// Path of texture file 1, 2 or 3: "C:\q_vorn\Tormalune1.bmp" and so on.
inline std::string TextureFilePath(int number) {
    return TextureFolder() + "\\" + TextureFileName(number);
}

#else

// $NAME when it is an absolute path, else $HOME/fallback (relative to "." without a home).
inline std::string XdgFolder(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] == '/') {
        return value;
    }
    const char* home = std::getenv("HOME");
    std::string base = (home != nullptr && home[0] != '\0') ? home : ".";
    return base + "/" + fallback;
}

// The texture folder: the host writes the three bitmaps here, the renderer reads them.
inline std::string TextureFolder() {
    return XdgFolder("XDG_CACHE_HOME", ".cache") + "/q_vorn";
}

// Path of texture file 1, 2 or 3.
inline std::string TextureFilePath(int number) {
    return TextureFolder() + "/" + TextureFileName(number);
}

// The settings folder of the host.
inline std::string SettingsFolder() {
    return XdgFolder("XDG_CONFIG_HOME", ".config") + "/Quillmere";
}

#endif

}  // namespace quillmere
