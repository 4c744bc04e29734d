// Any bytes as a settings file: every lookup reads without fault and within the value limit.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ini_file.h"
#include "ini_names.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const inifuzz::Names names = inifuzz::NamesIn(file);
    for (const std::string& section : names.sections) {
        for (const std::string& key : names.keys) {
            // A cut CP932 value grows at most threefold as UTF-8 (half-width kana).
            if (quillmere::ReadIniValue(file, section, key).size() >
                3 * quillmere::kIniValueLimit) {
                std::abort();
            }
        }
    }
    return 0;
}
