// Host windows and controls measure in twips: 1/1440 inch, 15 to a pixel at 96 dots per inch.
#pragma once

namespace quillmere {

inline constexpr int kTwipsPerPixel = 15;

}  // namespace quillmere
