#include "file_writing.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>
#include <vector>

#include "unique_fd.h"

namespace quillmere {

namespace {

// Removes the temporary file unless the rename has taken it over.
class TempFileGuard {
  public:
    explicit TempFileGuard(std::string path) : path_(std::move(path)) {}
    ~TempFileGuard() {
        if (!path_.empty()) {
            ::unlink(path_.c_str());
        }
    }
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    void Release() { path_.clear(); }

  private:
    std::string path_;
};

// Writes every byte, going on after interrupted writes; false on any other failure.
bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

bool ReplaceFileBytes(const std::string& path, std::string_view bytes, unsigned permissions,
                      Durability durability) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = FolderPart(path);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // mkostemp creates with O_EXCL, so nothing planted at the temporary name is followed.
    std::string temporary = folder + "/." + name + ".XXXXXX";
    UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd) {
        return false;
    }
    TempFileGuard guard(temporary);
    if (!WriteAll(fd.get(), bytes) || ::fchmod(fd.get(), permissions) != 0 ||
        (durability == Durability::PowerLoss && ::fsync(fd.get()) != 0) || !fd.Close()) {
        return false;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        return false;
    }
    guard.Release();
    if (durability == Durability::PowerLoss) {
        // Make the rename itself durable; the data is already safe, so a failure here is none.
        UniqueFd dir(
            ::open(folder.empty() ? "/" : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (dir) {
            ::fsync(dir.get());
        }
    }
    return true;
}

bool CreateFolderWithParents(const std::string& path, unsigned permissions) {
    if (path.empty()) {
        return false;
    }
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        // Parents that exist, or cannot be made, are left as they are; the last mkdir decides.
        ::mkdir(path.substr(0, slash).c_str(), permissions);
    }
    ::mkdir(path.c_str(), permissions);
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

namespace {

// Non-blocking so that a FIFO put in the file's place cannot hang us.
UniqueFd OpenForReading(const std::string& path) {
    return UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
}

}  // namespace

FileRead ReadRegularFile(const std::string& path, std::string& bytes, unsigned* permissions) {
    const UniqueFd fd = OpenForReading(path);
    if (!fd) {
        return errno == ENOENT ? FileRead::Missing : FileRead::Failed;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return FileRead::Failed;
    }
    if (permissions != nullptr) {
        *permissions = info.st_mode & 07777;
    }
    bytes.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return FileRead::Failed;
        }
        if (got == 0) {
            return FileRead::Ok;
        }
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

bool CanOpenForReading(const std::string& path) {
    const UniqueFd fd = OpenForReading(path);
    if (!fd) {
        return false;
    }
    // Linux opens folders for reading too.
    struct stat info {};
    return ::fstat(fd.get(), &info) == 0 && !S_ISDIR(info.st_mode);
}

std::string FolderPart(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return path.substr(0, slash);
}

std::optional<std::string> FinalLinkTarget(const std::string& path) {
    std::string current = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0) {
            return errno == ENOENT ? std::optional<std::string>(current) : std::nullopt;
        }
        if (!S_ISLNK(info.st_mode)) {
            return current;
        }
        std::vector<char> target(4096);
        const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
        if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) {
            return std::nullopt;
        }
        std::string next(target.data(), static_cast<std::size_t>(length));
        current = next.front() == '/' ? next : FolderPart(current) + "/" + next;
    }
    return std::nullopt;  // a loop
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return home;
    }
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return "/";
}

}  // namespace quillmere
