#include "texture_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "file_writing.h"
#include "unique_fd.h"

namespace quillmere {

bool ReplaceFileAtomically(const std::string& folder, const std::string& name,
                           std::string_view bytes) {
    if (folder.empty() || name.empty() || name.find('/') != std::string::npos) {
        return false;
    }
    // mkostemp creates with O_EXCL, so nothing planted at the temporary name is followed either.
    std::string temporary = folder + "/." + name + ".XXXXXX";
    UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd) {
        return false;
    }
    TempFileGuard guard(temporary);
    // The file is rewritten at every run and only needs to be whole for the next reader, not to
    // survive a power cut, so it is not synced: that would cost the start of every run.
    if (!WriteAll(fd.get(), bytes) || !fd.Close()) {
        return false;
    }
    const std::string path = folder + "/" + name;
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        return false;
    }
    guard.Release();
    return true;
}

}  // namespace quillmere
