#include "texture_loader.h"

#include <array>
#include <utility>

#include "file_reading.h"

namespace quillmere {

namespace {

struct TextureEntry {
    // A GL texture name, -1 for a file that failed, 0 while the image waits for a context.
    std::int32_t textureId = 0;
    std::string fileName;
    // Kept after the upload so a new GL context gets the picture without reading the file.
    std::unique_ptr<RgbImage> image;
    TextureEntry* next = nullptr;
    // Owns `next`, except on the link that closes the circle back to the first entry.
    std::unique_ptr<TextureEntry> nextOwned;
};

// Circular singly linked list; new entries go right after the first, so a walk from the
// entry after the first meets them newest first and the first entry last.
class TextureCache {
  public:
    TextureCache() = default;
    TextureCache(const TextureCache&) = delete;
    TextureCache& operator=(const TextureCache&) = delete;
    ~TextureCache() { Clear(); }

    TextureEntry* Find(const char* name) const {
        if (!first_) {
            return nullptr;
        }
        TextureEntry* entry = first_->next;
        do {
            if (entry->fileName == name) {
                return entry;
            }
            entry = entry->next;
        } while (entry != first_->next);
        return nullptr;
    }

    TextureEntry& Add(const char* name, std::int32_t textureId) {
        auto entry = std::make_unique<TextureEntry>();
        entry->textureId = textureId;
        entry->fileName = name;
        if (!first_) {
            first_ = std::move(entry);
            first_->next = first_.get();
            return *first_;
        }
        entry->next = first_->next;
        entry->nextOwned = std::move(first_->nextOwned);
        first_->nextOwned = std::move(entry);
        first_->next = first_->nextOwned.get();
        return *first_->next;
    }

    template <typename Visit>
    void ForEach(Visit visit) const {
        if (!first_) {
            return;
        }
        TextureEntry* entry = first_.get();
        do {
            entry = entry->next;
            visit(*entry);
        } while (entry != first_.get());
    }

    // Unlinks one entry at a time; a long chain of owners must not recurse on destruction.
    void Clear() {
        std::unique_ptr<TextureEntry> owned = std::move(first_);
        while (owned) {
            owned = std::move(owned->nextOwned);
        }
    }

  private:
    std::unique_ptr<TextureEntry> first_;
};

TextureCache& Cache() {
    static TextureCache cache;
    return cache;
}

// The cheap two-byte check made before the reader takes the whole file.
bool StartsLikeABitmap(const char* name) {
    std::array<std::uint8_t, 2> head{};
    const std::optional<std::size_t> got = ReadFileStart(name, head);
    return got == head.size() && head[0] == 'B' && head[1] == 'M';
}

GLuint Upload(const RgbImage& image) {
    GLuint id = 0;
    glGenTextures(1, &id);
    if (id == 0) {
        return 0;
    }
    glBindTexture(GL_TEXTURE_2D, id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    // Rows are packed; GL's default 4-byte row alignment would skew odd widths and read past
    // the end of the pixels.
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, 3, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 image.pixels.data());
    glPopClientAttrib();
    return id;
}

}  // namespace

GLuint BindTextureFile(const char* name) {
    glEnable(GL_TEXTURE_2D);
    const GLuint id = LoadTextureFile(name);
    glBindTexture(GL_TEXTURE_2D, id);
    return id;
}

GLuint LoadTextureFile(const char* name) {
    if (name == nullptr || *name == '\0') {
        return 0;
    }
    TextureEntry* entry = Cache().Find(name);
    if (entry && entry->textureId != 0) {
        return entry->textureId > 0 ? static_cast<GLuint>(entry->textureId) : 0;
    }
    if (entry && entry->image) {
        // The picture was read in an earlier GL context; only the upload is repeated.
        entry->textureId = static_cast<std::int32_t>(Upload(*entry->image));
        return static_cast<GLuint>(entry->textureId);
    }

    std::unique_ptr<RgbImage> image;
    if (StartsLikeABitmap(name)) {
        image = ReadBitmapRGB(name);
    }
    if (!image) {
        RecordTexture(name, -1);
        return 0;
    }
    const GLuint id = Upload(*image);
    RecordTexture(name, static_cast<std::int32_t>(id));
    Cache().Find(name)->image = std::move(image);
    return id;
}

std::int32_t FindTexture(const char* name) {
    if (name == nullptr) {
        return 0;
    }
    const TextureEntry* entry = Cache().Find(name);
    return entry ? entry->textureId : 0;
}

void RecordTexture(const char* name, std::int32_t textureId) {
    if (name == nullptr) {
        return;
    }
    if (TextureEntry* entry = Cache().Find(name)) {
        entry->textureId = textureId;
        return;
    }
    Cache().Add(name, textureId);
}

void ForgetTextureNames() {
    Cache().ForEach([](TextureEntry& entry) {
        if (entry.textureId > 0) {
            entry.textureId = 0;
        }
    });
}

void ClearTextureCache() {
    Cache().Clear();
}

std::vector<std::pair<std::string, std::int32_t>> TextureCacheWalk() {
    std::vector<std::pair<std::string, std::int32_t>> walk;
    Cache().ForEach(
        [&walk](const TextureEntry& entry) { walk.emplace_back(entry.fileName, entry.textureId); });
    return walk;
}

}  // namespace quillmere
