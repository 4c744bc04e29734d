// The private-profile read and write on Linux: our own INI code.
#include "ini_file.h"
#include "last_api_result.h"

namespace quillmere {

std::string ReadIniString(const std::string& section, const std::string& key,
                          const std::string& file) {
    return ReadIniFile(section, key, file);
}

std::string WriteIniString(const std::string& section, const std::string& key,
                           const std::string& value, const std::string& file) {
    LastApiResult = WriteIniFile(section, key, value, file) ? 1 : 0;
    return {};
}

}  // namespace quillmere
