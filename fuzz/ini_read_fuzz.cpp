// Any bytes as a settings file: every lookup reads without fault and within the value limit, and
// reads the same when every line ends in a lone CR instead.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ini_file.h"
#include "ini_names.h"

namespace {

std::string WithCrLineEnds(std::string_view file) {
    std::string out;
    out.reserve(file.size());
    for (std::size_t pos = 0; pos < file.size(); ++pos) {
        if (file.substr(pos).starts_with("\r\n")) {
            ++pos;
        }
        out += file[pos] == '\n' ? '\r' : file[pos];
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const std::string crFile = WithCrLineEnds(file);
    const inifuzz::Names names = inifuzz::NamesIn(file);
    for (const std::string& section : names.sections) {
        for (const std::string& key : names.keys) {
            const std::string value = quillmere::ReadIniValue(file, section, key);
            // A cut CP932 value grows at most threefold as UTF-8 (half-width kana).
            if (value.size() > 3 * quillmere::kIniValueLimit ||
                quillmere::ReadIniValue(crFile, section, key) != value) {
                std::abort();
            }
        }
    }
    return 0;
}
