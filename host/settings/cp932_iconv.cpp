// CP932 conversion on Linux: iconv.
#include "cp932.h"

#include <iconv.h>

#include <cerrno>

namespace quillmere {

namespace {

class IconvHandle {
  public:
    IconvHandle(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (valid()) {
            iconv_close(handle_);
        }
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;

    bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return handle_; }

  private:
    iconv_t handle_;
};

std::optional<std::string> Convert(const char* to, const char* from, std::string_view text) {
    IconvHandle converter(to, from);
    if (!converter.valid()) {
        return std::nullopt;
    }
    std::string out;
    // UTF-8 takes at most 3 bytes per CP932 byte pair or byte, CP932 at most 2 per character.
    out.resize(text.size() * 3 + 16);
    char* in = const_cast<char*>(text.data());
    std::size_t inLeft = text.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
        if (iconv(converter.get(), &in, &inLeft, &outPtr, &outLeft) ==
            static_cast<std::size_t>(-1)) {
            if (errno != E2BIG) {
                return std::nullopt;  // EILSEQ or EINVAL: invalid or incomplete input
            }
            const std::size_t used = static_cast<std::size_t>(outPtr - out.data());
            out.resize(out.size() * 2);
            outPtr = out.data() + used;
            outLeft = out.size() - used;
        }
    }
    // Flush any shift state (none for these encodings, but cheap to be correct).
    if (iconv(converter.get(), nullptr, nullptr, &outPtr, &outLeft) ==
        static_cast<std::size_t>(-1)) {
        return std::nullopt;
    }
    out.resize(static_cast<std::size_t>(outPtr - out.data()));
    return out;
}

}  // namespace

std::optional<std::string> Cp932ToUtf8(std::string_view cp932) {
    return Convert("UTF-8", "CP932", cp932);
}

std::optional<std::string> Utf8ToCp932(std::string_view utf8) {
    return Convert("CP932", "UTF-8", utf8);
}

}  // namespace quillmere
