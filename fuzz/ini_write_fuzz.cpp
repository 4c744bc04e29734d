// Storing a value in any settings file, as a round trip:
// - the stored value reads back as stored, less the leading blanks that readers skip (number
//   values are written with one), and cut to the value limit on a character boundary when longer;
// - every other key of the file reads as before;
// - storing the same value again changes nothing;
// - plain ASCII names are always accepted.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ini_file.h"
#include "ini_names.h"

namespace {

using quillmere::kIniValueLimit;
using quillmere::ReadIniValue;

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto fold = [](char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; };
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

bool IsPlainName(std::string_view name) {
    for (char c : name) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) {
            return false;
        }
    }
    return true;
}

bool ReadsAsStored(std::string_view read, std::string_view value) {
    value.remove_prefix(std::min(value.find_first_not_of(' '), value.size()));
    if (value.size() <= kIniValueLimit) {
        return read == value;
    }
    // Cut on a character boundary: never more than three bytes short of the limit.
    return value.starts_with(read) && read.size() + 3 >= kIniValueLimit;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = input.ConsumeRandomLengthString(64);
    const std::string key = input.ConsumeRandomLengthString(64);
    const std::string value = input.ConsumeRandomLengthString(600);
    const std::string before = input.ConsumeRemainingBytesAsString();

    const std::optional<std::string> after = quillmere::SetIniValue(before, section, key, value);
    if (!after) {
        if (!key.empty() && IsPlainName(key) && IsPlainName(section)) {
            std::abort();
        }
        return 0;
    }
    if (!ReadsAsStored(ReadIniValue(*after, section, key), value)) {
        std::abort();
    }
    if (quillmere::SetIniValue(*after, section, key, value) != after) {
        std::abort();
    }
    inifuzz::Names names = inifuzz::NamesIn(before);
    names.sections.push_back(section);
    names.keys.push_back(key);
    for (const std::string& s : names.sections) {
        for (const std::string& k : names.keys) {
            if (SameName(s, section) && SameName(k, key)) {
                continue;
            }
            if (ReadIniValue(*after, s, k) != ReadIniValue(before, s, k)) {
                std::abort();
            }
        }
    }
    return 0;
}
