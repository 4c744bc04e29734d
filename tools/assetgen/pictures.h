// Every picture the host carries, one function each, and the table that names their files.
// To add a picture: write its function, declare it here, add a row to Pictures().
#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>

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

// The push button's skins, 64 x 25, 24-bit.
QImage MakeSkinNormal();
QImage MakeSkinHighLight();
QImage MakeSkinSelected();
QImage MakeSkinHighLightSelect();
QImage MakeSkinPressed();
QImage MakeSkinDisable();

// The settings dialog's panel tile (556 x 20, 24-bit), its choice marks (12 x 12 with alpha) and
// the pointing-hand cursor (32 x 32 with alpha, hot spot 12, 10).
QImage MakePanelTile();
QImage MakeMarkUnselected();
QImage MakeMarkSelected();
QImage MakeHandCursor();

struct Picture {
    const char* fileName;  // its extension picks the format
    QImage (*make)();
    int width;
    int height;
    int quality;  // for JPEG; -1 keeps the writer's default
};

std::span<const Picture> Pictures();

// The same pictures in the forms that Windows resources take (icon, cursor, 32-bit bitmaps with
// alpha): whole files, written as they are.
struct WindowsForm {
    const char* fileName;
    QByteArray (*make)();
};

std::span<const WindowsForm> WindowsForms();
bool WriteWindowsForm(const QString& path, const WindowsForm& form);

}  // namespace assetgen
