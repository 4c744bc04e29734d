#include "pictures.h"

#include <array>

namespace assetgen {

std::span<const Picture> Pictures() {
    static const std::array<Picture, 5> pictures{{
        {"Tormalune1.jpg", MakeCloudTexture, 256, 256, 92},
        {"Tormalune2.jpg", MakeCausticTexture, 256, 256, 92},
        {"Tormalune3.jpg", MakeWaterTexture, 256, 256, 92},
        {"preview.jpg", MakePreview, 152, 112, 92},
        {"icon.png", MakeIcon, 32, 32, -1},
    }};
    return pictures;
}

}  // namespace assetgen
