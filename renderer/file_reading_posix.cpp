#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

#include "file_reading.h"
#include "unique_fd.h"

namespace quillmere {

namespace {

// Non-blocking so a FIFO in place of the file cannot stall the renderer; only regular files.
UniqueFd OpenRegularFile(const char* name, struct stat& info) {
    UniqueFd fd(::open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return UniqueFd();
    }
    return fd;
}

}  // namespace

std::optional<std::size_t> ReadFileStart(const char* name, std::span<std::uint8_t> into) {
    struct stat info {};
    const UniqueFd fd = OpenRegularFile(name, info);
    if (!fd) {
        return std::nullopt;
    }
    ssize_t got = -1;
    do {
        got = ::read(fd.get(), into.data(), into.size());
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(got);
}

FileReadResult ReadWholeFile(const char* name, std::uint64_t maxBytes,
                             std::vector<std::uint8_t>& bytes) {
    struct stat info {};
    const UniqueFd fd = OpenRegularFile(name, info);
    if (!fd) {
        return FileReadResult::kFailed;
    }
    if (static_cast<std::uint64_t>(info.st_size) > maxBytes) {
        return FileReadResult::kTooLarge;
    }
    try {
        // The size may change under us; read to the end rather than trust it.
        bytes.resize(static_cast<std::size_t>(info.st_size) + 1);
        std::size_t total = 0;
        for (;;) {
            if (total == bytes.size()) {
                if (total > maxBytes) {
                    return FileReadResult::kTooLarge;
                }
                bytes.resize(std::min<std::size_t>(total * 2, maxBytes + 1));
            }
            const ssize_t got = ::read(fd.get(), bytes.data() + total, bytes.size() - total);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                return FileReadResult::kFailed;
            }
            if (got == 0) {
                break;
            }
            total += static_cast<std::size_t>(got);
        }
        bytes.resize(total);
    } catch (const std::bad_alloc&) {
        return FileReadResult::kTooLarge;
    }
    return FileReadResult::kOk;
}

}  // namespace quillmere
