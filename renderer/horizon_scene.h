// The horizon scene: a sky dome with a timed colour cycle, a flattened cloud shell under it,
// both mirrored below the horizon, and two translucent sea planes over the mirrored half. The
// frame drives it through SceneHooks; all drawing is OpenGL 1.1 immediate mode.
#pragma once

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <vector>

#include "frame.h"

namespace quillmere {

// A position, or a colour (x, y, z = red, green, blue).
struct Float3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

struct PhaseKey {
    float fromAngle = 0.0f;  // degrees
    float toAngle = 0.0f;
    float fromPhase = 0.0f;
    float toPhase = 0.0f;
};

// One per process. The record is open so the renderer's tests can read and steer it; only the
// frame calls the hooks.
class HorizonScene final : public SceneHooks {
  public:
    HorizonScene() = default;
    HorizonScene(const HorizonScene&) = delete;
    HorizonScene& operator=(const HorizonScene&) = delete;

    // Sets the GL state, loads the three textures in the order 1, 2, 3 and builds the meshes.
    // Always true.
    bool StartScene(RenderWindow& window, KeyState& keys) override;
    // Advances the millisecond clock, then ends the run while Escape is down.
    void AdvanceClock(std::uint32_t milliseconds) override;
    // Clears, places the eye and draws the direct and the mirrored half.
    void RenderFrame() override;
    // Frees the meshes and lets go of the texture names of the context about to be destroyed.
    void StopScene() override;

    void BuildDome();
    void ReleaseDome();

    // One half: colour cycle, sky shell, cloud shell, sea planes.
    void DrawHorizon(float angle);
    void DrawCloudLayer();
    void DrawSeaPlanes();

    // The colour-cycle part of DrawHorizon: brings the angle into range, updates the phase and
    // the zenith, horizon and step colours. No GL.
    void UpdateColorCycle(float angle);

    GLuint cloudTexture = 0;
    GLuint seaTextureA = 0;
    GLuint seaTextureB = 0;
    bool mirrorPass = false;
    std::int32_t domeHeight = 750;
    std::int32_t domeRadiusX = 1500;
    std::int32_t domeRadiusZ = 1500;
    std::int32_t ringCount = 10;
    std::int32_t segmentCount = 36;
    // ringCount x segmentCount entries each, indexed ring * segmentCount + segment.
    std::vector<Float3> skyVertices;
    std::vector<Float3> skyMirrorVertices;
    std::vector<Float3> cloudVertices;
    std::vector<Float3> cloudMirrorVertices;
    std::vector<float> texU;
    std::vector<float> texV;
    float phase = 0.0f;  // 0 <= phase < 4; the integer part indexes the colour tables
    std::array<PhaseKey, 4> phaseKeys{};
    Float3 zenithColor;
    Float3 horizonColor;
    Float3 colorStep;
    std::array<Float3, 4> zenithTable{};
    std::array<Float3, 4> horizonTable{};
    RenderWindow* window = nullptr;
    KeyState* keys = nullptr;

    // Clocks: they live as long as the process and run on across window re-opens.
    float elapsedMs = 0.0f;
    float elapsedSeconds = 0.0f;
    float cloudScroll = 0.0f;  // 0 <= cloudScroll < 1
    float seaScroll = 0.0f;    // 0 <= seaScroll < 1

  private:
    bool DomeReady() const;
};

// Adds step to a texture scroll offset and keeps it below 1 by whole turns, which GL_REPEAT does
// not show, so the step stays exact however long the saver runs.
float AdvanceScroll(float offset, float step);

}  // namespace quillmere
