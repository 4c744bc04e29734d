// The pictures and the icon Quillmere.scr carries on Windows.
#pragma once

// The program's icon is the one the settings dialog carries: one icon group in the program, so
// that the icon images' numbers do not clash between the two resource scripts.
#include "win32_dialog_resources.h"
#define QUILLMERE_ICON QUILLMERE_DIALOG_ICON
// The three texture pictures as 24-bit BMP files, 256 x 256; texture file n is 100 + n.
#define QUILLMERE_TEXTURE_BASE 100
// The still preview picture as a 24-bit BMP file, 152 x 112.
#define QUILLMERE_PREVIEW_PICTURE 110
