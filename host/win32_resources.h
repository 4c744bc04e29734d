// The pictures and the icon Quillmere.scr carries on Windows.
#pragma once

#define QUILLMERE_ICON 1
// The three texture pictures as 24-bit BMP files, 256 x 256; texture file n is 100 + n.
#define QUILLMERE_TEXTURE_BASE 100
// The still preview picture as a 24-bit BMP file, 152 x 112.
#define QUILLMERE_PREVIEW_PICTURE 110
