// Resource numbers of the push button's skins in the Windows program
// (host/dialog/win32_resources.rc.in).
#pragma once

#define QUILLMERE_SKIN_NORMAL 1101
#define QUILLMERE_SKIN_HIGHLIGHT 1102
#define QUILLMERE_SKIN_SELECTED 1103
#define QUILLMERE_SKIN_HIGHLIGHTSELECT 1104
#define QUILLMERE_SKIN_PRESSED 1105
#define QUILLMERE_SKIN_DISABLE 1106
