#include "last_api_result.h"

namespace quillmere {

std::int32_t LastApiResult = 0;

}  // namespace quillmere
