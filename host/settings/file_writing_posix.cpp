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
    // The folder part: "" for a file in the root, "." for a bare name.
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
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

UniqueFd OpenForReading(const std::string& path) {
    return UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
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
