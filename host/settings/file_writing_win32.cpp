// The host's file system calls on Windows. Paths are in the ANSI code page, as the A functions
// take them; separators are found by whole characters (ansi_text_win32.h).
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <utility>

#include "ansi_text_win32.h"
#include "file_writing.h"

namespace quillmere {

namespace {

class FileHandle {
  public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { Close(); }
    FileHandle(FileHandle&& other) noexcept
        : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
    FileHandle& operator=(FileHandle&& other) noexcept {
        if (this != &other) {
            Close();
            handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
        }
        return *this;
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }
    // False when the close reports an error (data may not have reached the disk).
    bool Close() {
        if (handle_ == INVALID_HANDLE_VALUE) {
            return true;
        }
        const bool ok = CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != 0;
        return ok;
    }

  private:
    HANDLE handle_;
};

// Only files on a disk, opened so that others may read, write, rename or delete them meanwhile;
// the handle is not inherited (security attributes left out).
FileHandle OpenDiskFileForReading(const std::string& path) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file && GetFileType(file.get()) != FILE_TYPE_DISK) {
        return FileHandle(INVALID_HANDLE_VALUE);
    }
    return file;
}

bool WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), ask, &written, nullptr) || written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

std::size_t LastSeparator(const std::string& path) {
    return FindLastAnsiChar(path, "\\/");
}

}  // namespace

std::string FolderPart(const std::string& path) {
    const std::size_t separator = LastSeparator(path);
    return separator == std::string::npos ? "." : path.substr(0, separator);
}

bool ReplaceFileBytes(const std::string& path, std::string_view bytes, unsigned /*permissions*/,
                      Durability durability) {
    const std::size_t separator = LastSeparator(path);
    const std::string folder = FolderPart(path);
    const std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
    if (name.empty()) {
        return false;
    }
    // CREATE_NEW never opens what is already there, so nothing planted at the temporary name is
    // written through; another name is tried instead.
    std::string temporary;
    FileHandle file(INVALID_HANDLE_VALUE);
    for (unsigned attempt = 0; attempt < 100 && !file; ++attempt) {
        char suffix[32];
        std::snprintf(suffix, sizeof suffix, ".%lx.%x.tmp", GetCurrentProcessId(),
                      static_cast<unsigned>(GetTickCount()) + attempt);
        temporary = folder + "\\." + name + suffix;
        file = FileHandle(CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file && GetLastError() != ERROR_FILE_EXISTS) {
            return false;
        }
    }
    if (!file) {
        return false;
    }
    const bool written = WriteAll(file.get(), bytes) &&
                         (durability != Durability::PowerLoss || FlushFileBuffers(file.get())) &&
                         file.Close();
    // The entry at path is replaced itself, a symbolic link included; MOVEFILE_WRITE_THROUGH
    // returns only once the rename is on the disk.
    if (!written || !MoveFileExA(temporary.c_str(), path.c_str(),
                                 MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        file.Close();
        DeleteFileA(temporary.c_str());
        return false;
    }
    return true;
}

bool CreateFolderWithParents(const std::string& path, unsigned /*permissions*/) {
    if (path.empty()) {
        return false;
    }
    // Every parent in turn; those that exist, or cannot be made (a drive, a share), are left as
    // they are, and the folder itself decides.
    std::string prefix;
    for (std::size_t pos = 0; pos < path.size();) {
        const auto byte = static_cast<unsigned char>(path[pos]);
        const std::size_t width = IsDBCSLeadByte(byte) && pos + 1 < path.size() ? 2 : 1;
        if (width == 1 && (byte == '\\' || byte == '/') && !prefix.empty()) {
            CreateDirectoryA(prefix.c_str(), nullptr);
        }
        prefix.append(path, pos, width);
        pos += width;
    }
    CreateDirectoryA(path.c_str(), nullptr);
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

FileRead ReadRegularFile(const std::string& path, std::string& bytes, unsigned* permissions) {
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileRead::Missing
                                                                              : FileRead::Failed;
    }
    if (GetFileType(file.get()) != FILE_TYPE_DISK) {
        return FileRead::Failed;
    }
    if (permissions != nullptr) {
        *permissions = 0600;
    }
    bytes.clear();
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) {
            return FileRead::Failed;
        }
        if (got == 0) {
            return FileRead::Ok;
        }
        bytes.append(buffer, got);
    }
}

bool CanOpenForReading(const std::string& path) {
    // A folder cannot be opened this way at all.
    return static_cast<bool>(OpenDiskFileForReading(path));
}

std::optional<std::string> FinalLinkTarget(const std::string& path) {
    return path;
}

std::string HomeFolder() {
    std::wstring profile(32768, L'\0');
    const DWORD length =
        GetEnvironmentVariableW(L"USERPROFILE", profile.data(), static_cast<DWORD>(profile.size()));
    if (length > 0 && length < profile.size()) {
        profile.resize(length);
        if (std::optional<std::string> folder = AnsiPathOf(profile)) {
            return *folder;
        }
    }
    return "C:\\";
}

}  // namespace quillmere
