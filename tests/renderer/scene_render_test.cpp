// Frames of the scene rendered off-screen and checked pixel by pixel against colours
// worked out from the dome geometry, the colour tables and the blend rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "gl_test_context.h"
#include "horizon_scene.h"
#include "test_support.h"
#include "texture_loader.h"
#include "xdg_paths.h"

namespace quillmere {
namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr double kTolerance = 0.02;  // a little more than half a step of 5-bit colour

struct Color {
    double r = 0, g = 0, b = 0;
    Color operator+(const Color& o) const { return {r + o.r, g + o.g, b + o.b}; }
    Color operator*(const Color& o) const { return {r * o.r, g * o.g, b * o.b}; }
    Color operator*(double k) const { return {r * k, g * k, b * k}; }
};
const Color kWhite{1, 1, 1};
// The test bitmaps are plain red (clouds), green (sea A) and blue (sea B).
const Color kCloudTexel{1, 0, 0}, kSeaTexelA{0, 1, 0}, kSeaTexelB{0, 0, 1};

// An off-screen context (640 x 480 unless told), current while it lives.
class OffscreenContext {
  public:
    explicit OffscreenContext(int width = kWidth, int height = kHeight) : context_(width, height) {
        if (context_.current()) {
            ResizeViewport(width, height);
        }
    }
    int WhitePixels() const {
        const std::vector<std::uint8_t> pixels = context_.ReadPixels();
        int count = 0;
        for (std::size_t i = 0; i + 3 < pixels.size(); i += 4) {
            count += pixels[i] == 255 && pixels[i + 1] == 255 && pixels[i + 2] == 255;
        }
        return count;
    }
    bool current() const { return context_.current(); }
    Color Pixel(int x, int y) const {  // row 0 at the bottom
        std::array<unsigned char, 4> rgba{};
        glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        return {rgba[0] / 255.0, rgba[1] / 255.0, rgba[2] / 255.0};
    }

  private:
    testsupport::OffscreenGL context_;
};

// 16 x 16 pixels of one colour: 24 bits, 40-byte header, bottom-up.
std::vector<std::uint8_t> SolidBitmap(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    std::vector<std::uint8_t> bytes{'B', 'M'};
    const std::uint32_t fields[][2] = {{54 + 768, 4}, {0, 4},    {54, 4}, {40, 4}, {16, 4},
                                       {16, 4},       {1, 2},    {24, 2}, {0, 4},  {768, 4},
                                       {2835, 4},     {2835, 4}, {0, 4},  {0, 4}};
    for (const auto& [value, size] : fields) {
        for (std::uint32_t i = 0; i < size; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    }
    for (int i = 0; i < 256; ++i) {
        bytes.insert(bytes.end(), {b, g, r});
    }
    return bytes;
}

// Where a ray from the eye (5 above the sea, straight ahead, rising by slope per unit) meets a
// shell of the given radius and (signed) height along its meridian: band and place within it.
std::optional<std::pair<int, double>> HitShell(double slope, double radius, double height) {
    auto above = [&](int ring) {  // how far the ring's meridian vertex lies above the ray
        const double polar = ring * M_PI / 18;
        return height * std::cos(polar) - 5 - slope * radius * std::sin(polar);
    };
    for (int band = 0; band < 9; ++band) {
        const double f0 = above(band), f1 = above(band + 1);
        if ((f0 >= 0) != (f1 >= 0)) {
            return std::pair{band, f0 / (f0 - f1)};
        }
    }
    return std::nullopt;
}

struct Sky {
    Color zenith, horizon;
};
// At clock 0 the cycle stands at phase 3.2605, at 25 s at phase 0.5.
const Sky kSkyAtStart{{0.10421, 0.10421, 0.07395}, {0.19329, 0.06303, 0.15211}};
const Sky kSkyAt25s{{0.2, 0.2, 0.5}, {0.6, 0.35, 0.65}};

// Row y of the centre column: the Gouraud sky plus the additive cloud band and, below the
// horizon, the two sea quads blended over the mirrored shells. Nothing for rows too close to a
// cloud band edge or the horizon to compare.
std::optional<Color> ExpectedPixel(int y, const Sky& sky, bool textured) {
    const double slope = ((y + 0.5) / (kHeight / 2.0) - 1) * std::tan(M_PI / 8);
    const double mirror = slope < 0 ? -1 : 1;
    const auto skyHit = HitShell(slope, 1500, mirror * 750);
    const auto cloudHit = HitShell(slope, 1350, mirror * 210);
    if (!skyHit || !cloudHit || cloudHit->second < 0.1 || cloudHit->second > 0.9 ||
        std::abs(y - kHeight / 2) < 8) {
        return std::nullopt;
    }
    const Color step = (sky.horizon + sky.zenith * -1) * (1.0 / 9);
    const double alpha = (9.0 - cloudHit->first) / 9 - 0.05;
    Color shell = sky.zenith + step * (skyHit->first + skyHit->second) +
                  (textured ? kCloudTexel : kWhite) * (0.25 * alpha);
    shell = {std::min(shell.r, 1.0), std::min(shell.g, 1.0), std::min(shell.b, 1.0)};
    if (mirror > 0) {
        return shell;
    }
    const Color overA = sky.horizon * (textured ? kSeaTexelA : kWhite) * 0.3 + shell * 0.7;
    return sky.horizon * (textured ? kSeaTexelB : kWhite) * 0.3 + overA * 0.7;
}

class SceneRender : public ::testing::Test {
  protected:
    void SetUp() override {
#ifndef _WIN32
        // Mesa keeps its shader cache under XDG_CACHE_HOME, which these tests move around.
        setenv("MESA_SHADER_CACHE_DISABLE", "true", 1);
        setenv("XDG_CACHE_HOME", dir_.path().c_str(), 1);
#endif
        // On Windows the folder is fixed ("C:\q_vorn"): whatever lies there must not count.
        RemoveBitmaps();
        ClearTextureCache();
    }
    void TearDown() override {
        RemoveBitmaps();
#ifndef _WIN32
        unsetenv("XDG_CACHE_HOME");
#endif
        ClearTextureCache();
    }
    void WriteBitmaps() {
        std::filesystem::create_directories(TextureFolder());
        testsupport::WriteFile(TextureFilePath(1), SolidBitmap(255, 0, 0));
        testsupport::WriteFile(TextureFilePath(2), SolidBitmap(0, 255, 0));
        testsupport::WriteFile(TextureFilePath(3), SolidBitmap(0, 0, 255));
    }
    static void RemoveBitmaps() {
        for (int file = 1; file <= kTextureCount; ++file) {
            std::error_code ignored;
            std::filesystem::remove(TextureFilePath(file), ignored);
        }
    }
    // Compares every third row of the centre column that is clear of edges.
    void ExpectCentreColumn(const OffscreenContext& context, const Sky& sky, bool textured) {
        int compared = 0;
        for (int y = 2; y < kHeight; y += 3) {
            if (const std::optional<Color> expected = ExpectedPixel(y, sky, textured)) {
                const Color actual = context.Pixel(kWidth / 2, y);
                EXPECT_NEAR(actual.r, expected->r, kTolerance) << "row " << y;
                EXPECT_NEAR(actual.g, expected->g, kTolerance) << "row " << y;
                EXPECT_NEAR(actual.b, expected->b, kTolerance) << "row " << y;
                ++compared;
            }
        }
        EXPECT_GE(compared, 60);
    }

    testsupport::TempDir dir_;
    KeyState keys_;
    RenderWindow window_;
};

TEST_F(SceneRender, MissingBitmapsLeavePlainLayersInTheCycleColours) {
    for (const auto& [clockMs, sky] : {std::pair{0u, kSkyAtStart}, std::pair{25000u, kSkyAt25s}}) {
        SCOPED_TRACE(clockMs);
        OffscreenContext context;
        ASSERT_TRUE(context.current());
        HorizonScene scene;
        ASSERT_TRUE(scene.StartScene(window_, keys_));
        EXPECT_EQ(scene.cloudTexture + scene.seaTextureA + scene.seaTextureB, 0u);
        scene.AdvanceClock(clockMs);
        scene.RenderFrame();
        ExpectCentreColumn(context, sky, false);
        scene.StopScene();
    }
}

// A re-opened window has a new GL context: the scene must texture its layers there too, and
// carry on with its clocks.
TEST_F(SceneRender, BitmapsTextureCloudsAndSeaAlsoAfterAReopen) {
    WriteBitmaps();
    HorizonScene scene;
    float cloudScroll = 0;
    {
        OffscreenContext first;
        ASSERT_TRUE(first.current());
        scene.StartScene(window_, keys_);
        EXPECT_TRUE(scene.cloudTexture != 0 && scene.seaTextureA != 0 && scene.seaTextureB != 0);
        EXPECT_TRUE(scene.cloudTexture != scene.seaTextureA &&
                    scene.seaTextureA != scene.seaTextureB);
        scene.RenderFrame();
        ExpectCentreColumn(first, kSkyAtStart, true);
        scene.StopScene();
        EXPECT_TRUE(scene.skyVertices.empty());
        cloudScroll = scene.cloudScroll;
    }
    OffscreenContext second;
    ASSERT_TRUE(second.current());
    ASSERT_TRUE(scene.StartScene(window_, keys_));
    scene.AdvanceClock(25000);
    EXPECT_EQ(scene.cloudScroll, cloudScroll);
    scene.RenderFrame();
    ExpectCentreColumn(second, kSkyAt25s, true);
    scene.StopScene();
}

TEST_F(SceneRender, ScrollsAdvancePerFrameAndWrap) {
    OffscreenContext context;
    ASSERT_TRUE(context.current());
    HorizonScene scene;
    scene.StartScene(window_, keys_);
    for (int frame = 0; frame < 10; ++frame) {
        scene.RenderFrame();
    }
    EXPECT_NEAR(scene.cloudScroll, 0.020f, 1e-6);
    EXPECT_NEAR(scene.seaScroll, 0.010f, 1e-6);

    // The direct half alone moves the clouds one step and neither draws nor moves the sea:
    // below the horizon the cleared white stays.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    scene.mirrorPass = false;
    scene.DrawHorizon(scene.elapsedSeconds - 15);
    EXPECT_NEAR(scene.cloudScroll, 0.021f, 1e-6);
    EXPECT_NEAR(scene.seaScroll, 0.010f, 1e-6);
    for (const int y : {10, 100, 200}) {
        const Color pixel = context.Pixel(kWidth / 2, y);
        EXPECT_EQ(pixel.r + pixel.g + pixel.b, 3.0) << "row " << y;
    }

    scene.cloudScroll = 0.9985f;
    scene.seaScroll = 0.9995f;
    scene.RenderFrame();
    EXPECT_NEAR(scene.cloudScroll, 0.0005f, 1e-6);
    EXPECT_NEAR(scene.seaScroll, 0.0005f, 1e-6);
    scene.StopScene();
}

// Full screen is drawn at the monitor's own size where the display has no 640 x 480 mode: the
// halves must meet without letting the cleared white through along the horizon.
TEST_F(SceneRender, HorizonIsClosedAtCommonScreenSizes) {
    for (const auto& [width, height] :
         {std::pair{640, 480}, {1024, 768}, {1280, 1024}, {1366, 768}, {1920, 1080}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        OffscreenContext context(width, height);
        ASSERT_TRUE(context.current());
        HorizonScene scene;
        ASSERT_TRUE(scene.StartScene(window_, keys_));
        scene.RenderFrame();
        glFinish();
        EXPECT_EQ(context.WhitePixels(), 0);
        scene.StopScene();
    }
}

}  // namespace
}  // namespace quillmere
