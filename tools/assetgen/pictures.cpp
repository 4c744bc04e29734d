#include "pictures.h"

#include <array>

namespace assetgen {

std::span<const Picture> Pictures() {
    static const std::array<Picture, 15> pictures{{
        {"Tormalune1.jpg", MakeCloudTexture, 256, 256, 92},
        {"Tormalune2.jpg", MakeCausticTexture, 256, 256, 92},
        {"Tormalune3.jpg", MakeWaterTexture, 256, 256, 92},
        {"preview.jpg", MakePreview, 152, 112, 92},
        {"icon.png", MakeIcon, 32, 32, -1},
        {"skin_normal.bmp", MakeSkinNormal, 64, 25, -1},
        {"skin_highlight.bmp", MakeSkinHighLight, 64, 25, -1},
        {"skin_selected.bmp", MakeSkinSelected, 64, 25, -1},
        {"skin_highlightselect.bmp", MakeSkinHighLightSelect, 64, 25, -1},
        {"skin_pressed.bmp", MakeSkinPressed, 64, 25, -1},
        {"skin_disable.bmp", MakeSkinDisable, 64, 25, -1},
        {"panel_tile.bmp", MakePanelTile, 556, 20, -1},
        {"mark_unselected.png", MakeMarkUnselected, 12, 12, -1},
        {"mark_selected.png", MakeMarkSelected, 12, 12, -1},
        {"cursor_hand.png", MakeHandCursor, 32, 32, -1},
    }};
    return pictures;
}

}  // namespace assetgen
