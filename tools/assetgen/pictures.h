// Every picture the host carries, one function each, and the table that names their files.
// To add a picture: write its function, declare it here, add a row to Pictures().
#pragma once

#include <QImage>

#include <span>

namespace assetgen {

// Textures of 256 x 256 that the renderer repeats across the sky and the sea.
QImage MakeCloudTexture();
QImage MakeCausticTexture();
QImage MakeWaterTexture();

// The still picture of the preview, 152 x 112.
QImage MakePreview();

// The window icon, 32 x 32 with alpha.
QImage MakeIcon();

struct Picture {
    const char* fileName;  // its extension picks the format
    QImage (*make)();
    int width;
    int height;
    int quality;  // for JPEG; -1 keeps the writer's default
};

std::span<const Picture> Pictures();

}  // namespace assetgen
