#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "error_report.h"
#include "gl_test_context.h"
#include "test_support.h"
#include "texture_bmp_writer.h"
#include "texture_loader.h"

namespace {

using bmptest::BmpFile;
using bmptest::Bytes;
using bmptest::PackRows;
using bmptest::RgbBytes;
using namespace quillmere;
using Walk = std::vector<std::pair<std::string, std::int32_t>>;

// An off-screen GL context made current for as long as the object lives.
class OffscreenContext {
  public:
    OffscreenContext() : context_(16, 16) {
        if (!context_.current()) {
            ADD_FAILURE() << "no off-screen GL context";
        }
    }

  private:
    testsupport::OffscreenGL context_;
};

struct TextureImage {
    GLint width = 0;
    GLint height = 0;
    Bytes pixels;
};

TextureImage ReadTexture(GLuint id) {
    TextureImage image;
    glBindTexture(GL_TEXTURE_2D, id);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &image.width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &image.height);
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, image.pixels.data());
    return image;
}

// Odd width on purpose: rows of 9 bytes catch a wrong unpack alignment.
const std::vector<std::uint32_t> kPictureA = {0xFF0000, 0x00FF00, 0x0000FF,
                                              0x102030, 0x405060, 0x708090};
const std::vector<std::uint32_t> kPictureB = {0x111111, 0x222222, 0x333333,
                                              0x444444, 0x555555, 0x666666};

Bytes Bitmap(const std::vector<std::uint32_t>& colours) {
    BmpFile f;
    f.width = 3;
    f.height = 2;
    f.pixels = PackRows(3, 2, 24, colours);
    return f.Build();
}

class TextureLoader : public ::testing::Test {
  protected:
    TextureLoader() {
        previous_ = SetErrorReporter([this](const std::string& text) { reports_.push_back(text); });
        ClearTextureCache();
        context_ = std::make_unique<OffscreenContext>();
    }
    ~TextureLoader() override {
        ClearTextureCache();
        SetErrorReporter(previous_);
    }

    std::string Write(const std::string& name, const Bytes& bytes) {
        const std::string path = dir_ / name;
        testsupport::WriteFile(path, bytes);
        return path;
    }

    testsupport::TempDir dir_;
    std::vector<std::string> reports_;
    std::unique_ptr<OffscreenContext> context_;

  private:
    ErrorReporter previous_;
};

TEST_F(TextureLoader, BindUploadsPackedRgbWithLinearFiltersAndGlDefaults) {
    const std::string path = Write("a.bmp", Bitmap(kPictureA));
    const GLuint id = BindTextureFile(path.c_str());
    ASSERT_GT(id, 0u);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), id);
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
    EXPECT_EQ(value, GL_LINEAR);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &value);
    EXPECT_EQ(value, GL_REPEAT);
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &value);
    EXPECT_EQ(value, GL_MODULATE);
    // The caller's unpack state is left as it was.
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &value);
    EXPECT_EQ(value, 4);

    const TextureImage texture = ReadTexture(id);
    EXPECT_EQ(texture.width, 3);
    EXPECT_EQ(texture.height, 2);
    EXPECT_EQ(texture.pixels, RgbBytes(kPictureA));
    EXPECT_EQ(FindTexture(path.c_str()), static_cast<std::int32_t>(id));
    EXPECT_TRUE(reports_.empty());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureLoader, MissingMiddleFileLeavesOthersLoadedAndWalkNewestFirst) {
    const std::string one = Write("Tormalune1.bmp", Bitmap(kPictureA));
    const std::string two = dir_ / "Tormalune2.bmp";
    const std::string three = Write("Tormalune3.bmp", Bitmap(kPictureB));
    const GLuint cloud = BindTextureFile(one.c_str());
    const GLuint seaA = BindTextureFile(two.c_str());
    const GLuint seaB = BindTextureFile(three.c_str());
    EXPECT_GT(cloud, 0u);
    EXPECT_EQ(seaA, 0u);
    EXPECT_GT(seaB, 0u);
    EXPECT_NE(cloud, seaB);
    EXPECT_TRUE(reports_.empty());
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), seaB);
    EXPECT_EQ(TextureCacheWalk(), (Walk{{three, static_cast<std::int32_t>(seaB)},
                                        {two, -1},
                                        {one, static_cast<std::int32_t>(cloud)}}));
}

TEST_F(TextureLoader, SameNameIsReadOnlyOnce) {
    const std::string path = Write("a.bmp", Bitmap(kPictureA));
    const GLuint id = LoadTextureFile(path.c_str());
    ASSERT_GT(id, 0u);
    Write("a.bmp", Bitmap(kPictureB));
    EXPECT_EQ(LoadTextureFile(path.c_str()), id);
    std::filesystem::remove(path);
    EXPECT_EQ(BindTextureFile(path.c_str()), id);
    EXPECT_EQ(ReadTexture(id).pixels, RgbBytes(kPictureA));
    EXPECT_EQ(TextureCacheWalk().size(), 1u);
}

TEST_F(TextureLoader, FailedNameIsNeverRetriedAndReportsOnce) {
    BmpFile v5 = BmpFile{};
    v5.headerSize = 124;
    const std::string path = Write("v5.bmp", v5.Build());
    EXPECT_EQ(LoadTextureFile(path.c_str()), 0u);
    EXPECT_EQ(LoadTextureFile(path.c_str()), 0u);
    EXPECT_EQ(reports_, std::vector<std::string>{"Unknown DIB file format."});
    Write("v5.bmp", Bitmap(kPictureA));  // repaired on disk: still not read again
    EXPECT_EQ(BindTextureFile(path.c_str()), 0u);
    EXPECT_EQ(FindTexture(path.c_str()), -1);
    EXPECT_EQ(reports_.size(), 1u);
}

TEST_F(TextureLoader, UnreadableOrNonBitmapFilesFailSilently) {
    std::filesystem::create_directory(dir_ / "folder.bmp");
    const std::vector<std::pair<std::string, Bytes>> cases = {
        {"missing.bmp", {}},
        {"empty.bmp", {}},
        {"one_byte.bmp", {'B'}},
        {"png.bmp", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}},
        {"bm_lower.bmp", {'b', 'm', 0, 0, 0, 0}},
        {"folder.bmp", {}},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        if (name != "missing.bmp" && name != "folder.bmp") {
            Write(name, bytes);
        }
        const std::string path = dir_ / name;
        EXPECT_EQ(LoadTextureFile(path.c_str()), 0u);
        EXPECT_EQ(FindTexture(path.c_str()), -1);
    }
    EXPECT_TRUE(reports_.empty());
}

TEST_F(TextureLoader, ReaderFailuresAreReportedAndRecorded) {
    BmpFile truncated;
    truncated.width = 4;
    truncated.height = 4;
    truncated.pixels = Bytes(10, 0);
    BmpFile huge;
    huge.width = 30000;
    huge.height = 30000;
    const std::string bad = Write("bad.bmp", truncated.Build());
    const std::string big = Write("big.bmp", huge.Build());
    const std::string good = Write("good.bmp", Bitmap(kPictureB));
    EXPECT_EQ(LoadTextureFile(bad.c_str()), 0u);
    EXPECT_EQ(LoadTextureFile(big.c_str()), 0u);
    EXPECT_GT(LoadTextureFile(good.c_str()), 0u);
    EXPECT_EQ(reports_,
              (std::vector<std::string>{"Image file conversion error.", "Out of memory."}));
    EXPECT_EQ(FindTexture(bad.c_str()), -1);
    EXPECT_EQ(FindTexture(big.c_str()), -1);
}

TEST_F(TextureLoader, NamesDifferingInCaseAreDistinctEntries) {
    // Each is loaded before the next is written: where the file system ignores case (Windows)
    // both names are one file, and the cache must still read it for each name.
    const std::string lower = Write("tex.bmp", Bitmap(kPictureA));
    const GLuint a = LoadTextureFile(lower.c_str());
    const std::string upper = Write("TEX.bmp", Bitmap(kPictureB));
    const GLuint b = LoadTextureFile(upper.c_str());
    ASSERT_GT(a, 0u);
    ASSERT_GT(b, 0u);
    EXPECT_NE(a, b);
    EXPECT_EQ(ReadTexture(a).pixels, RgbBytes(kPictureA));
    EXPECT_EQ(ReadTexture(b).pixels, RgbBytes(kPictureB));
}

TEST_F(TextureLoader, NullAndEmptyNamesLeaveTheCacheUntouched) {
    EXPECT_EQ(LoadTextureFile(nullptr), 0u);
    EXPECT_EQ(LoadTextureFile(""), 0u);
    glBindTexture(GL_TEXTURE_2D, 7);
    EXPECT_EQ(BindTextureFile(nullptr), 0u);
    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, 0);
    EXPECT_EQ(FindTexture(""), 0);
    EXPECT_TRUE(TextureCacheWalk().empty());
    EXPECT_TRUE(reports_.empty());
}

TEST_F(TextureLoader, RecordAddsNewestAfterFirstAndUpdatesInPlace) {
    EXPECT_EQ(FindTexture("a"), 0);
    RecordTexture("a", 5);
    EXPECT_EQ(TextureCacheWalk(), (Walk{{"a", 5}}));
    RecordTexture("b", -1);
    RecordTexture("c", 7);
    RecordTexture("d", 9);
    EXPECT_EQ(TextureCacheWalk(), (Walk{{"d", 9}, {"c", 7}, {"b", -1}, {"a", 5}}));
    RecordTexture("b", 12);
    RecordTexture("a", 6);
    EXPECT_EQ(TextureCacheWalk(), (Walk{{"d", 9}, {"c", 7}, {"b", 12}, {"a", 6}}));
    EXPECT_EQ(FindTexture("a"), 6);
    EXPECT_EQ(FindTexture("b"), 12);
    EXPECT_EQ(FindTexture("B"), 0);
    EXPECT_EQ(FindTexture("ab"), 0);
    // A recorded name is answered without touching the file system.
    EXPECT_EQ(LoadTextureFile("c"), 7u);
}

TEST_F(TextureLoader, NewContextGetsThePicturesBackWithoutReadingFiles) {
    const std::string one = Write("one.bmp", Bitmap(kPictureA));
    const std::string two = Write("two.bmp", Bitmap(kPictureB));
    const std::string bad = Write("bad.bmp", Bytes{'B', 'M', 1});
    ASSERT_GT(BindTextureFile(one.c_str()), 0u);
    ASSERT_GT(BindTextureFile(two.c_str()), 0u);
    EXPECT_EQ(BindTextureFile(bad.c_str()), 0u);
    ASSERT_EQ(reports_.size(), 1u);

    ForgetTextureNames();
    EXPECT_EQ(FindTexture(one.c_str()), 0);
    EXPECT_EQ(FindTexture(bad.c_str()), -1);
    context_.reset();
    for (const std::string& path : {one, two, bad}) {
        std::filesystem::remove(path);
    }
    context_ = std::make_unique<OffscreenContext>();

    const GLuint b = BindTextureFile(two.c_str());
    const GLuint a = BindTextureFile(one.c_str());
    ASSERT_GT(a, 0u);
    ASSERT_GT(b, 0u);
    EXPECT_TRUE(glIsTexture(a));
    EXPECT_EQ(ReadTexture(a).pixels, RgbBytes(kPictureA));
    EXPECT_EQ(ReadTexture(b).pixels, RgbBytes(kPictureB));
    EXPECT_EQ(LoadTextureFile(one.c_str()), a);
    EXPECT_EQ(BindTextureFile(bad.c_str()), 0u);
    EXPECT_EQ(reports_.size(), 1u);
}

}  // namespace
