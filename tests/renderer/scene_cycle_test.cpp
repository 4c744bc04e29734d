// Scene maths that need no GL: colour cycle, dome mesh, clock, Escape check, scroll offsets.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

#include "horizon_scene.h"

namespace quillmere {
namespace {

using Rgb = std::optional<Float3>;

void ExpectColor(const Float3& actual, const Rgb& expected) {
    if (expected) {
        EXPECT_NEAR(actual.x, expected->x, 1e-4);
        EXPECT_NEAR(actual.y, expected->y, 1e-4);
        EXPECT_NEAR(actual.z, expected->z, 1e-4);
    }
}

// The rows run in order on one scene, so where no key applies (angles 0, 160, 340, 359 to 360
// and from 360 on) the phase left by the row before must stay.
TEST(SceneColorCycle, FollowsTheClock) {
    struct Case {
        float seconds, phase;
        Rgb zenith{}, horizon{};
    };
    const Float3 kLateZenith{0.396f, 0.396f, 0.001f}, kLateHorizon{0.5945f, 0.0995f, 0.298f};
    const std::vector<Case> cases = {
        {0, 3 + 5 * 0.99f / 19, Float3{0.1042f, 0.1042f, 0.07395f},
         Float3{0.19329f, 0.06303f, 0.15211f}},
        {14, 3.99f},
        {14.5f, 3.99f},
        {15, 3.99f},
        {25, 0.5f, Float3{0.2f, 0.2f, 0.5f}, Float3{0.6f, 0.35f, 0.65f}},
        {100, 1, Float3{0, 0, 1}, Float3{0.6f, 0.6f, 1}},
        {175, 1},
        {185, 1.5f, Float3{0, 0, 0.75f}, Float3{0.4f, 0.35f, 0.65f}},
        {205, 2.5f},
        {300, 3},
        {355, 3},
        {364.5f, 3 + 9.5f * 0.99f / 19},
        {374, 3.99f, kLateZenith, kLateHorizon},
        {86400, 3.99f, kLateZenith, kLateHorizon},
    };
    HorizonScene scene;
    scene.BuildDome();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.seconds);
        scene.AdvanceClock(static_cast<std::uint32_t>(c.seconds * 1000) -
                           static_cast<std::uint32_t>(scene.elapsedMs));
        ASSERT_EQ(scene.elapsedSeconds, c.seconds);
        scene.UpdateColorCycle(scene.elapsedSeconds - 15);
        EXPECT_NEAR(scene.phase, c.phase, 1e-4);
        ExpectColor(scene.zenithColor, c.zenith);
        ExpectColor(scene.horizonColor, c.horizon);
        const Float3 &z = scene.zenithColor, &h = scene.horizonColor;
        ExpectColor(scene.colorStep, Float3{(h.x - z.x) / 9, (h.y - z.y) / 9, (h.z - z.z) / 9});
    }
}

TEST(SceneColorCycle, KeepsThePhaseWhereNoKeyAppliesAndBringsNegativeAnglesRound) {
    struct Case {
        float before, angle, phase;
    };
    const std::vector<Case> cases = {
        {190, 0, 2.5f},   {190, 160, 2.5f},  {10, 340, 0.5f},  {10, 359.5f, 0.5f},
        {190, 725, 2.5f}, {190, -350, 0.5f}, {10, -720, 0.5f}, {250, 20, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.angle);
        HorizonScene scene;
        scene.BuildDome();
        scene.UpdateColorCycle(c.before);
        scene.UpdateColorCycle(c.angle);
        EXPECT_NEAR(scene.phase, c.phase, 1e-5);
    }
}

TEST(SceneDome, MeshFollowsTheDomeShape) {
    HorizonScene scene;
    scene.BuildDome();
    for (const auto* mesh : {&scene.skyVertices, &scene.skyMirrorVertices, &scene.cloudVertices,
                             &scene.cloudMirrorVertices}) {
        ASSERT_EQ(mesh->size(), 360u);
    }
    ASSERT_EQ(scene.texU.size(), 360u);
    ASSERT_EQ(scene.texV.size(), 360u);
    for (std::size_t n = 0; n < 360; ++n) {
        SCOPED_TRACE(n);
        // Ring n / 36 lies 10 degrees per ring from the zenith, segment n % 36 10 degrees apart.
        const double polar = (n / 36) * M_PI / 18, azimuth = (n % 36) * M_PI / 18;
        const double x = 1500 * std::sin(polar) * std::cos(azimuth);
        const double y = 750 * std::cos(polar);
        const double z = 1500 * std::sin(polar) * std::sin(azimuth);
        const Float3 &sky = scene.skyVertices[n], &cloud = scene.cloudVertices[n];
        EXPECT_NEAR(sky.x, x, 1e-3);
        EXPECT_NEAR(sky.y, y, 1e-3);
        EXPECT_NEAR(sky.z, z, 1e-3);
        EXPECT_NEAR(cloud.x, 0.9 * x, 1e-3);
        EXPECT_NEAR(cloud.y, 0.28 * y, 1e-3);
        EXPECT_NEAR(cloud.z, 0.9 * z, 1e-3);
        const Float3 &skyMirror = scene.skyMirrorVertices[n],
                     &cloudMirror = scene.cloudMirrorVertices[n];
        EXPECT_TRUE(skyMirror.x == sky.x && skyMirror.y == -sky.y && skyMirror.z == sky.z);
        EXPECT_TRUE(cloudMirror.x == cloud.x && cloudMirror.y == -cloud.y &&
                    cloudMirror.z == cloud.z);
        EXPECT_NEAR(scene.texU[n], x / 3000 + 0.5, 1e-6);
        EXPECT_NEAR(scene.texV[n], z / 3000 + 0.5, 1e-6);
    }
    // Pole and horizon ring, with the values stated for them.
    EXPECT_EQ(scene.skyVertices[5].y, 750.0f);
    EXPECT_NEAR(scene.cloudVertices[5].y, 210.0f, 1e-3);
    EXPECT_NEAR(scene.skyVertices[9 * 36].x, 1500.0f, 1e-3);
    EXPECT_NEAR(scene.cloudVertices[9 * 36 + 9].z, 1350.0f, 1e-3);
    scene.ReleaseDome();
    EXPECT_TRUE(scene.skyVertices.empty() && scene.texV.empty());
}

class MockPlatform : public RenderPlatform {
  public:
    MOCK_METHOD(bool, RegisterRenderClass, (const AppIdentity&, WindowProcedure&), (override));
    MOCK_METHOD(void, UnregisterRenderClass, (const AppIdentity&), (override));
    MOCK_METHOD(bool, ChangeDisplayMode, (int, int, int), (override));
    MOCK_METHOD(void, RestoreDisplayMode, (), (override));
    MOCK_METHOD(void, ShowCursor, (bool), (override));
    MOCK_METHOD(ScreenRect, FullScreenRect, (), (override));
    MOCK_METHOD(ScreenRect, EmbedRect, (WindowHandle), (override));
    MOCK_METHOD(void, AdjustWindowRect, (int&, int&), (override));
    MOCK_METHOD(WindowHandle, CreateRenderWindow,
                (const WindowRequest&, WindowStyle, bool, const ScreenRect&, RenderWindow*),
                (override));
    MOCK_METHOD(void, DestroyRenderWindow, (WindowHandle), (override));
    MOCK_METHOD(void, ShowRenderWindow, (WindowHandle), (override));
    MOCK_METHOD(DeviceContext, GetDeviceContext, (WindowHandle), (override));
    MOCK_METHOD(void, ReleaseDeviceContext, (WindowHandle, DeviceContext), (override));
    MOCK_METHOD(bool, SetPixelFormat, (DeviceContext, int, int), (override));
    MOCK_METHOD(GLContextHandle, CreateGLContext, (DeviceContext), (override));
    MOCK_METHOD(bool, MakeCurrent, (DeviceContext, GLContextHandle), (override));
    MOCK_METHOD(void, DeleteGLContext, (GLContextHandle), (override));
    MOCK_METHOD(void, SwapBuffers, (DeviceContext), (override));
    MOCK_METHOD(bool, PeekWindowMessage, (WindowHandle, WindowMessage&), (override));
    MOCK_METHOD(void, WaitMessage, (), (override));
    MOCK_METHOD(void, DispatchWindowMessage, (const WindowMessage&), (override));
    MOCK_METHOD(void, PostWindowMessage,
                (WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t), (override));
    MOCK_METHOD(std::intptr_t, DefaultWindowProc,
                (WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t), (override));
    MOCK_METHOD(void, SetWindowUserData, (WindowHandle, RenderWindow*), (override));
    MOCK_METHOD(RenderWindow*, GetWindowUserData, (WindowHandle), (override));
    MOCK_METHOD(std::uint32_t, GetTickCount, (), (override));
};

TEST(SceneClock, AccumulatesAndEndsTheRunOnlyWhileEscapeIsExactlyOne) {
    struct Case {
        int key;
        std::int32_t value;
        bool exits;
    };
    for (const Case& c :
         {Case{kVkEscape, 1, true}, Case{kVkEscape, 0, false}, Case{kVkEscape, 2, false},
          Case{kVkEscape, -1, false}, Case{kVkEscape + 1, 1, false}}) {
        SCOPED_TRACE(testing::Message() << "key " << c.key << " = " << c.value);
        ::testing::StrictMock<MockPlatform> platform;
        HorizonScene scene;
        RendererFrame frame(platform, scene, [](int, int) {});
        KeyState keys;
        RenderWindow window;
        window.keys = &keys;
        window.window = 42;
        window.frame = &frame;
        scene.window = &window;
        scene.keys = &keys;
        keys.flags[c.key] = c.value;
        EXPECT_CALL(platform, PostWindowMessage(42, kWmQuit, 0, 0)).Times(c.exits ? 2 : 0);
        scene.AdvanceClock(1500);
        scene.AdvanceClock(250);
        EXPECT_EQ(scene.elapsedMs, 1750.0f);
        EXPECT_EQ(scene.elapsedSeconds, 1.75f);
    }
}

TEST(SceneScroll, WrapsByWholeTurnsAndKeepsItsStepForADayOfFrames) {
    float offset = 0.0f, worst = 0.0f;
    for (long i = 0; i < 2L * 60 * 60 * 60 * 24; ++i) {  // two cloud steps a frame at 60 Hz
        const float next = AdvanceScroll(offset, 0.001f);
        ASSERT_TRUE(next >= 0.0f && next < 1.0f) << next;
        worst = std::max(worst, std::fabs(next - offset + (next < offset ? 1.0f : 0.0f) - 0.001f));
        offset = next;
    }
    EXPECT_LT(worst, 1e-6f);
    EXPECT_NEAR(AdvanceScroll(0.9995f, 0.001f), 0.0005f, 1e-6);
}

}  // namespace
}  // namespace quillmere
