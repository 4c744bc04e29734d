#include "texture_picture.h"

#include <QBuffer>
#include <string_view>

#include "saver_contract.h"
#include "texture_file.h"
#include "xdg_paths.h"

namespace quillmere {

void SaveTexturePicture(const QImage& original, int number) {
    if (original.isNull()) {
        return;
    }
    // A grey picture would otherwise be saved as an 8-bit palette file; the renderer wants 24 bits.
    const QImage picture = original.convertToFormat(QImage::Format_RGB32);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "BMP")) {
        return;
    }
    ReplaceFileAtomically(
        TextureFolder(), TextureFileName(number),
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

}  // namespace quillmere
