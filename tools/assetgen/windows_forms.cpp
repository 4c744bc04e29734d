// The forms the Windows resource compiler takes for the pictures with alpha: the window icon as an
// .ico, the pointing hand as a .cur with its hot spot, the choice marks as 32-bit bitmaps. Made
// from the same pictures as the PNG files, so they too rebuild byte for byte.
#include <QByteArray>
#include <QFile>
#include <QImage>

#include <array>
#include <cstdint>

#include "pictures.h"

namespace assetgen {

namespace {

void Put16(QByteArray& out, std::uint16_t value) {
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>(value >> 8));
}

void Put32(QByteArray& out, std::uint32_t value) {
    Put16(out, static_cast<std::uint16_t>(value & 0xFFFF));
    Put16(out, static_cast<std::uint16_t>(value >> 16));
}

// A 40-byte BITMAPINFOHEADER for 32-bit pixels; rows counts the AND mask too in an icon.
void PutInfoHeader(QByteArray& out, int width, int rows, std::uint32_t imageSize) {
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(rows));
    Put16(out, 1);   // planes
    Put16(out, 32);  // bits per pixel
    Put32(out, 0);   // BI_RGB
    Put32(out, imageSize);
    Put32(out, 3780);  // 96 dots per inch
    Put32(out, 3780);
    Put32(out, 0);
    Put32(out, 0);
}

// Bottom-up rows of blue, green, red, alpha (not premultiplied).
QByteArray PixelsBottomUp(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    QByteArray out;
    for (int y = image.height() - 1; y >= 0; --y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            out.append(static_cast<char>(qBlue(p)));
            out.append(static_cast<char>(qGreen(p)));
            out.append(static_cast<char>(qRed(p)));
            out.append(static_cast<char>(qAlpha(p)));
        }
    }
    return out;
}

// The 1-bit mask that systems without alpha use: set where the picture is mostly transparent.
QByteArray AndMaskBottomUp(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    const int rowBytes = ((image.width() + 31) / 32) * 4;
    QByteArray out;
    for (int y = image.height() - 1; y >= 0; --y) {
        QByteArray row(rowBytes, '\0');
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) < 128) {
                row[x / 8] = static_cast<char>(row[x / 8] | (0x80 >> (x % 8)));
            }
        }
        out.append(row);
    }
    return out;
}

// One image in an icon (type 1) or cursor (type 2) file; a cursor's entry holds the hot spot
// where an icon's holds planes and bit count.
QByteArray IconFile(const QImage& picture, std::uint16_t type, int hotX, int hotY) {
    const QByteArray pixels = PixelsBottomUp(picture);
    const QByteArray mask = AndMaskBottomUp(picture);
    QByteArray image;
    PutInfoHeader(image, picture.width(), 2 * picture.height(),
                  static_cast<std::uint32_t>(pixels.size() + mask.size()));
    image.append(pixels);
    image.append(mask);

    QByteArray out;
    Put16(out, 0);
    Put16(out, type);
    Put16(out, 1);
    out.append(static_cast<char>(picture.width() & 0xFF));
    out.append(static_cast<char>(picture.height() & 0xFF));
    out.append('\0');  // no palette
    out.append('\0');
    Put16(out, static_cast<std::uint16_t>(type == 1 ? 1 : hotX));
    Put16(out, static_cast<std::uint16_t>(type == 1 ? 32 : hotY));
    Put32(out, static_cast<std::uint32_t>(image.size()));
    Put32(out, 6 + 16);
    out.append(image);
    return out;
}

QByteArray BitmapFile(const QImage& picture) {
    const QByteArray pixels = PixelsBottomUp(picture);
    QByteArray out;
    out.append("BM");
    Put32(out, static_cast<std::uint32_t>(14 + 40 + pixels.size()));
    Put32(out, 0);
    Put32(out, 14 + 40);
    PutInfoHeader(out, picture.width(), picture.height(),
                  static_cast<std::uint32_t>(pixels.size()));
    out.append(pixels);
    return out;
}

constexpr int kHandHotX = 12;
constexpr int kHandHotY = 10;

}  // namespace

std::span<const WindowsForm> WindowsForms() {
    static const std::array<WindowsForm, 4> forms{{
        {"icon.ico", [] { return IconFile(MakeIcon(), 1, 0, 0); }},
        {"cursor_hand.cur", [] { return IconFile(MakeHandCursor(), 2, kHandHotX, kHandHotY); }},
        {"mark_unselected.bmp", [] { return BitmapFile(MakeMarkUnselected()); }},
        {"mark_selected.bmp", [] { return BitmapFile(MakeMarkSelected()); }},
    }};
    return forms;
}

bool WriteWindowsForm(const QString& path, const WindowsForm& form) {
    QFile file(path);
    const QByteArray bytes = form.make();
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

}  // namespace assetgen
