// Small pieces shared by the host's atomic file writers.
#pragma once

#include <string>
#include <string_view>

namespace quillmere {

// Removes the temporary file unless the rename has taken it over.
class TempFileGuard {
  public:
    explicit TempFileGuard(std::string path) : path_(std::move(path)) {}
    ~TempFileGuard();
    TempFileGuard(const TempFileGuard&) = delete;
    TempFileGuard& operator=(const TempFileGuard&) = delete;
    void Release() { path_.clear(); }

  private:
    std::string path_;
};

// Writes every byte, going on after interrupted writes; false on any other failure.
bool WriteAll(int fd, std::string_view bytes);

}  // namespace quillmere
