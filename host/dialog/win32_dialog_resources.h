// Resource numbers of the settings dialog's pictures in the Windows program.
#pragma once

#define QUILLMERE_DIALOG_ICON 1201
#define QUILLMERE_HAND_CURSOR 1202
#define QUILLMERE_PANEL_TILE 1203
#define QUILLMERE_MARK_UNSELECTED 1204
#define QUILLMERE_MARK_SELECTED 1205
