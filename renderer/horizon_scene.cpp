#include "horizon_scene.h"

#include <cmath>
#include <string>

#include "texture_loader.h"
#include "xdg_paths.h"

namespace quillmere {

namespace {

constexpr float kPi = 3.1415927f;
constexpr float kAngleStep = 10.0f;  // degrees between rings and between segments
constexpr float kScrollStep = 0.001f;
constexpr float kCloudScaleXZ = 0.9f;
constexpr float kCloudScaleY = 0.28f;
constexpr float kCloudGrey = 0.25f;
constexpr float kSeaAlpha = 0.3f;
constexpr float kSeaHalfSize = 2000.0f;
constexpr float kSeaRepeats = 5.0f;

float Radians(float degrees) {
    return degrees * 2.0f * kPi / 360.0f;
}
float Sin(float radians) {
    return static_cast<float>(std::sin(static_cast<double>(radians)));
}
float Cos(float radians) {
    return static_cast<float>(std::cos(static_cast<double>(radians)));
}

Float3 Blend(const Float3& to, const Float3& from, float f) {
    return {f * to.x + (1.0f - f) * from.x, f * to.y + (1.0f - f) * from.y,
            f * to.z + (1.0f - f) * from.z};
}

void Vertex(const Float3& v) {
    glVertex3f(v.x, v.y, v.z);
}

void SeaQuad(float scroll) {
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, scroll);
    glVertex3f(kSeaHalfSize, 0.0f, kSeaHalfSize);
    glTexCoord2f(kSeaRepeats, scroll);
    glVertex3f(-kSeaHalfSize, 0.0f, kSeaHalfSize);
    glTexCoord2f(kSeaRepeats, kSeaRepeats + scroll);
    glVertex3f(-kSeaHalfSize, 0.0f, -kSeaHalfSize);
    glTexCoord2f(0.0f, kSeaRepeats + scroll);
    glVertex3f(kSeaHalfSize, 0.0f, -kSeaHalfSize);
    glEnd();
}

}  // namespace

float AdvanceScroll(float offset, float step) {
    offset += step;
    if (offset >= 1.0f) {
        offset -= 1.0f;
    }
    return offset;
}

bool HorizonScene::StartScene(RenderWindow& renderWindow, KeyState& keyState) {
    window = &renderWindow;
    keys = &keyState;

    glClearColor(1.0f, 1.0f, 1.0f, 0.5f);
    glClearDepth(1.0);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);

    cloudTexture = BindTextureFile(TextureFilePath(1).c_str());
    seaTextureA = BindTextureFile(TextureFilePath(2).c_str());
    seaTextureB = BindTextureFile(TextureFilePath(3).c_str());

    BuildDome();
    return true;
}

void HorizonScene::AdvanceClock(std::uint32_t milliseconds) {
    const float sum = elapsedMs + static_cast<float>(milliseconds);
    elapsedMs = sum;
    elapsedSeconds = sum / 1000.0f;
    if (keys != nullptr && window != nullptr && keys->flags[kVkEscape] == 1) {
        RequestExit(*window);
    }
}

void HorizonScene::RenderFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0.0f, -5.0f, 0.0f);
    mirrorPass = false;
    DrawHorizon(elapsedSeconds - 15.0f);
    mirrorPass = true;
    DrawHorizon(elapsedSeconds - 15.0f);
    glFlush();
}

void HorizonScene::StopScene() {
    ReleaseDome();
    // The context that owns these names is destroyed right after this; the next one must
    // upload the pictures again instead of binding names it never made.
    ForgetTextureNames();
    cloudTexture = 0;
    seaTextureA = 0;
    seaTextureB = 0;
}

void HorizonScene::BuildDome() {
    domeHeight = 750;
    domeRadiusX = 1500;
    domeRadiusZ = 1500;
    mirrorPass = false;
    zenithTable = {
        {{0.4f, 0.4f, 0.0f}, {0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 0.5f}, {0.0f, 0.0f, 0.1f}}};
    horizonTable = {
        {{0.6f, 0.1f, 0.3f}, {0.6f, 0.6f, 1.0f}, {0.2f, 0.1f, 0.3f}, {0.05f, 0.05f, 0.1f}}};
    // The last key stops short of 4: the integer part of the phase indexes four table entries.
    phaseKeys = {{{0.0f, 20.0f, 0.0f, 1.0f},
                  {160.0f, 180.0f, 1.0f, 2.0f},
                  {180.0f, 200.0f, 2.0f, 3.0f},
                  {340.0f, 359.0f, 3.0f, 3.99f}}};
    segmentCount = 36;
    ringCount = 10;

    const std::size_t count = static_cast<std::size_t>(ringCount) * segmentCount;
    skyVertices.assign(count, Float3{});
    skyMirrorVertices.assign(count, Float3{});
    cloudVertices.assign(count, Float3{});
    cloudMirrorVertices.assign(count, Float3{});
    texU.assign(count, 0.0f);
    texV.assign(count, 0.0f);

    float polar = 0.0f;
    for (int i = 0; i < ringCount; ++i) {
        const float sinPolar = Sin(Radians(polar));
        const float cosPolar = Cos(Radians(polar));
        float azimuth = 0.0f;
        for (int j = 0; j < segmentCount; ++j) {
            const std::size_t n = static_cast<std::size_t>(i) * segmentCount + j;
            const float x = static_cast<float>(domeRadiusX) * sinPolar * Cos(Radians(azimuth));
            const float y = static_cast<float>(domeHeight) * cosPolar;
            const float z = static_cast<float>(domeRadiusZ) * sinPolar * Sin(Radians(azimuth));
            skyVertices[n] = {x, y, z};
            skyMirrorVertices[n] = {x, -y, z};
            cloudVertices[n] = {kCloudScaleXZ * x, kCloudScaleY * y, kCloudScaleXZ * z};
            cloudMirrorVertices[n] = {kCloudScaleXZ * x, -kCloudScaleY * y, kCloudScaleXZ * z};
            texU[n] = x / static_cast<float>(2 * domeRadiusX) + 0.5f;
            texV[n] = z / static_cast<float>(2 * domeRadiusZ) + 0.5f;
            azimuth += kAngleStep;
        }
        polar += kAngleStep;
    }
}

void HorizonScene::ReleaseDome() {
    skyVertices = {};
    skyMirrorVertices = {};
    cloudVertices = {};
    cloudMirrorVertices = {};
    texU = {};
    texV = {};
}

bool HorizonScene::DomeReady() const {
    const std::size_t count = static_cast<std::size_t>(ringCount) * segmentCount;
    return ringCount > 1 && segmentCount > 0 && skyVertices.size() == count &&
           skyMirrorVertices.size() == count && cloudVertices.size() == count &&
           cloudMirrorVertices.size() == count && texU.size() == count && texV.size() == count;
}

void HorizonScene::UpdateColorCycle(float angle) {
    // Only negative angles are brought round; from 360 on no key applies and the phase holds.
    while (angle < 0.0f) {
        angle += 360.0f;
    }

    for (const PhaseKey& key : phaseKeys) {
        if (key.fromAngle < angle && angle <= key.toAngle) {
            phase = (angle - key.fromAngle) *
                        ((key.toPhase - key.fromPhase) / (key.toAngle - key.fromAngle)) +
                    key.fromPhase;
        } else if (phaseKeys[0].toAngle < angle && angle < phaseKeys[1].fromAngle) {
            phase = 1.0f;
        } else if (phaseKeys[2].toAngle < angle && angle < phaseKeys[3].fromAngle) {
            phase = 3.0f;
        }
    }

    const int q = static_cast<int>(phase);
    const int r = q + 1 > 3 ? 0 : q + 1;
    const float f = phase - static_cast<float>(q);
    zenithColor = Blend(zenithTable[r], zenithTable[q], f);
    horizonColor = Blend(horizonTable[r], horizonTable[q], f);
    const float steps = static_cast<float>(ringCount - 1);
    colorStep = {(horizonColor.x - zenithColor.x) / steps, (horizonColor.y - zenithColor.y) / steps,
                 (horizonColor.z - zenithColor.z) / steps};
}

void HorizonScene::DrawHorizon(float angle) {
    UpdateColorCycle(angle);

    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glDisable(GL_TEXTURE_2D);
    if (DomeReady()) {
        const std::vector<Float3>& vertices = mirrorPass ? skyMirrorVertices : skyVertices;
        for (int i = 0; i < ringCount - 1; ++i) {
            const float outer = static_cast<float>(i + 1);
            const float inner = static_cast<float>(i);
            glBegin(GL_TRIANGLE_STRIP);
            // The seam segment is repeated to close the ring.
            for (int k = 0; k <= segmentCount; ++k) {
                const int j = k % segmentCount;
                glColor4f(zenithColor.x + outer * colorStep.x, zenithColor.y + outer * colorStep.y,
                          zenithColor.z + outer * colorStep.z, 1.0f);
                Vertex(vertices[static_cast<std::size_t>(i + 1) * segmentCount + j]);
                glColor4f(zenithColor.x + inner * colorStep.x, zenithColor.y + inner * colorStep.y,
                          zenithColor.z + inner * colorStep.z, 1.0f);
                Vertex(vertices[static_cast<std::size_t>(i) * segmentCount + j]);
            }
            glEnd();
        }
    }

    DrawCloudLayer();
    DrawSeaPlanes();
}

void HorizonScene::DrawCloudLayer() {
    cloudScroll = AdvanceScroll(cloudScroll, kScrollStep);
    const std::vector<Float3>& vertices = mirrorPass ? cloudMirrorVertices : cloudVertices;

    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_TEXTURE_2D);
    // The cloud shell only tints what lies behind it. Left in the depth buffer, its horizon
    // ring (nearer than the sky's, so a pixel row lower on screen) would keep the mirrored sky
    // from a row the direct sky just misses, and the cleared white would show there as a line
    // along the horizon at most screen sizes.
    glDepthMask(GL_FALSE);
    if (DomeReady()) {
        const float bands = static_cast<float>(ringCount - 1);
        for (int i = 0; i < ringCount - 1; ++i) {
            // Densest at the pole, fading out towards the horizon.
            glColor4f(kCloudGrey, kCloudGrey, kCloudGrey,
                      static_cast<float>(ringCount - 1 - i) / bands - 0.05f);
            glBindTexture(GL_TEXTURE_2D, cloudTexture);
            glBegin(GL_TRIANGLE_STRIP);
            for (int k = 0; k <= segmentCount; ++k) {
                const int j = k % segmentCount;
                for (const int ring : {i + 1, i}) {
                    const std::size_t n = static_cast<std::size_t>(ring) * segmentCount + j;
                    glTexCoord2f((texU[n] - 0.5f) * 8.0f, (texV[n] - 0.5f) * 8.0f + cloudScroll);
                    Vertex(vertices[n]);
                }
            }
            glEnd();
        }
    }
    glDepthMask(GL_TRUE);
    glDisable(GL_TEXTURE_2D);
}

void HorizonScene::DrawSeaPlanes() {
    if (!mirrorPass) {
        return;
    }
    seaScroll = AdvanceScroll(seaScroll, kScrollStep);
    glColor4f(horizonColor.x, horizonColor.y, horizonColor.z, kSeaAlpha);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, seaTextureA);
    SeaQuad(seaScroll);
    glBindTexture(GL_TEXTURE_2D, seaTextureB);
    SeaQuad(seaScroll);
    glDisable(GL_TEXTURE_2D);
}

}  // namespace quillmere
