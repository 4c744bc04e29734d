// The host's last platform result: most platform calls of the host leave their return value
// here, and the caller that cares reads it right after its own call. It means nothing else.
#pragma once

#include <cstdint>

namespace quillmere {

extern std::int32_t LastApiResult;

}  // namespace quillmere
