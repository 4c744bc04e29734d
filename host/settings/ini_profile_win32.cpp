// The private-profile read and write on Windows: the system's profile functions on the file. The
// names go in as CP932 bytes whatever the ANSI code page, so the file holds the same key bytes on
// every system; values pass as the A functions take them, byte for byte.
#include <windows.h>

#include <cstring>

#include "cp932.h"
#include "ini_file.h"
#include "last_api_result.h"

namespace quillmere {

std::string ReadIniString(const std::string& section, const std::string& key,
                          const std::string& file) {
    const std::optional<std::string> sectionBytes = Utf8ToCp932Exact(section);
    const std::optional<std::string> keyBytes = Utf8ToCp932Exact(key);
    if (file.empty() || !sectionBytes || !keyBytes || keyBytes->empty()) {
        return {};
    }
    char buffer[kIniValueLimit + 1] = {};
    GetPrivateProfileStringA(sectionBytes->c_str(), keyBytes->c_str(), "", buffer, sizeof buffer,
                             file.c_str());
    return std::string(buffer, strnlen(buffer, sizeof buffer));
}

std::string WriteIniString(const std::string& section, const std::string& key,
                           const std::string& value, const std::string& file) {
    const std::optional<std::string> sectionBytes = Utf8ToCp932Exact(section);
    const std::optional<std::string> keyBytes = Utf8ToCp932Exact(key);
    // An empty key would delete the whole section.
    if (file.empty() || !sectionBytes || !keyBytes || keyBytes->empty()) {
        LastApiResult = 0;
        return {};
    }
    LastApiResult = WritePrivateProfileStringA(sectionBytes->c_str(), keyBytes->c_str(),
                                               value.c_str(), file.c_str());
    return {};
}

}  // namespace quillmere
