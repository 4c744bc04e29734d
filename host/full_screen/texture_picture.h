// The texture pictures on disk, as both the full-screen run and the XScreenSaver hack write them
// before they start the renderer.
#pragma once

#include <QImage>

namespace quillmere {

// Writes the texture picture as texture file number (1 to 3), a 24-bit BMP, replacing the old one
// at once.
void SaveTexturePicture(const QImage& picture, int number);

}  // namespace quillmere
