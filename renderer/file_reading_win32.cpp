#include <windows.h>

#include <algorithm>
#include <new>
#include <utility>

#include "file_reading.h"

namespace quillmere {

namespace {

class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) {
            CloseHandle(handle_);
        }
    }
    FileHandle(FileHandle&& other) noexcept
        : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    FileHandle& operator=(FileHandle&&) = delete;
    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }

  private:
    HANDLE handle_;
};

// Only files on a disk: a named pipe or a device in the file's place could block the renderer.
// Others may read the file meanwhile, and the host may replace it. The handle is not inherited
// (the renderer starts no program, but nothing should carry it along).
FileHandle OpenDiskFile(const char* name) {
    FileHandle file(CreateFileA(name, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                                nullptr));
    if (file && GetFileType(file.get()) != FILE_TYPE_DISK) {
        return FileHandle(INVALID_HANDLE_VALUE);
    }
    return file;
}

// One ReadFile takes at most a DWORD's worth.
bool ReadSome(HANDLE file, std::uint8_t* into, std::size_t size, std::size_t& got) {
    DWORD read = 0;
    const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    if (!ReadFile(file, into, ask, &read, nullptr)) {
        return false;
    }
    got = read;
    return true;
}

}  // namespace

std::optional<std::size_t> ReadFileStart(const char* name, std::span<std::uint8_t> into) {
    const FileHandle file = OpenDiskFile(name);
    std::size_t got = 0;
    if (!file || !ReadSome(file.get(), into.data(), into.size(), got)) {
        return std::nullopt;
    }
    return got;
}

FileReadResult ReadWholeFile(const char* name, std::uint64_t maxBytes,
                             std::vector<std::uint8_t>& bytes) {
    const FileHandle file = OpenDiskFile(name);
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) {
        return FileReadResult::kFailed;
    }
    if (static_cast<std::uint64_t>(size.QuadPart) > maxBytes) {
        return FileReadResult::kTooLarge;
    }
    try {
        // The size may change under us; read to the end rather than trust it.
        bytes.resize(static_cast<std::size_t>(size.QuadPart) + 1);
        std::size_t total = 0;
        for (;;) {
            if (total == bytes.size()) {
                if (total > maxBytes) {
                    return FileReadResult::kTooLarge;
                }
                bytes.resize(std::min<std::size_t>(total * 2, maxBytes + 1));
            }
            std::size_t got = 0;
            if (!ReadSome(file.get(), bytes.data() + total, bytes.size() - total, got)) {
                return FileReadResult::kFailed;
            }
            if (got == 0) {
                break;
            }
            total += got;
        }
        bytes.resize(total);
    } catch (const std::bad_alloc&) {
        return FileReadResult::kTooLarge;
    }
    return FileReadResult::kOk;
}

}  // namespace quillmere
