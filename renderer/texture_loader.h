// Bitmap files to OpenGL textures, through a name-keyed cache that also remembers failures, so
// every file is read at most once per process.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bitmap_reader.h"

namespace quillmere {

// Enables GL_TEXTURE_2D, binds the file's texture (0 on failure) and returns its name.
GLuint BindTextureFile(const char* name);
// The cache-or-load step: the texture name, or 0 on failure.
GLuint LoadTextureFile(const char* name);
// The textureId recorded for the name (-1 for a recorded failure), or 0 when none is recorded.
std::int32_t FindTexture(const char* name);
// Sets the textureId of the name's entry, adding the entry when there is none.
void RecordTexture(const char* name, std::int32_t textureId);

// Called when the GL context that holds the textures goes away: the texture names are
// forgotten, the decoded images are kept, so the next context gets the same pictures again
// without reading any file twice.
void ForgetTextureNames();

// Empties the whole cache (process end, tests). GL textures are left to their context.
void ClearTextureCache();

// The cache's entries as a walk meets them: newest first, the first entry last. Each pair is
// the file name and its textureId (0 for a kept picture that has no name in this context).
std::vector<std::pair<std::string, std::int32_t>> TextureCacheWalk();

}  // namespace quillmere
