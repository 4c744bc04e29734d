#include "texture_file.h"

#include "file_writing.h"

namespace quillmere {

bool ReplaceFileAtomically(const std::string& folder, const std::string& name,
                           std::string_view bytes) {
    if (folder.empty() || name.empty() || name.find('/') != std::string::npos ||
        name.find(kPathSeparator) != std::string::npos) {
        return false;
    }
    // The file is rewritten at every run and only needs to be whole for the next reader, not to
    // survive a power cut, so it is not synced: that would cost the start of every run.
    return ReplaceFileBytes(folder + kPathSeparator + name, bytes, 0600, Durability::NextReader);
}

}  // namespace quillmere
