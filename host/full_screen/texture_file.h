// Writing a texture file so that the renderer never reads half of one and a planted symbolic link
// is never followed.
#pragma once

#include <string>
#include <string_view>

namespace quillmere {

// Writes bytes to a temporary file in folder and renames it to name, replacing whatever entry had
// that name (a symbolic link is replaced itself; its target is left alone). False on any failure,
// which leaves the old entry and no temporary file behind.
bool ReplaceFileAtomically(const std::string& folder, const std::string& name,
                           std::string_view bytes);

}  // namespace quillmere
