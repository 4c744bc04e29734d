// The projection set for a client area, on a real (software) GL context.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "frame.h"
#include "gl_test_context.h"

namespace quillmere {
namespace {

TEST(ResizeViewport, EverySizeGivesAFiniteProjection) {
    testsupport::OffscreenGL context(64, 64);
    ASSERT_TRUE(context.current());

    struct Case {
        int width, height;
        float aspect;  // expected projection[5] / projection[0]
    };
    for (const Case& c : {Case{640, 480, 640.0f / 480.0f}, Case{640, 0, 1.0f}, Case{0, 480, 1.0f},
                          Case{1, 1, 1.0f}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        ResizeViewport(c.width, c.height);
        GLfloat m[16];
        glGetFloatv(GL_PROJECTION_MATRIX, m);
        for (float v : m) {
            EXPECT_TRUE(std::isfinite(v));
        }
        // 45 degrees vertically: cot(22.5) on the y scale.
        EXPECT_NEAR(m[5], 1.0f / std::tan(22.5f * 3.14159265f / 180.0f), 1e-4);
        EXPECT_NEAR(m[5] / m[0], c.aspect, 1e-4);
        GLint mode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &mode);
        EXPECT_EQ(mode, GL_MODELVIEW);
    }
}

}  // namespace
}  // namespace quillmere
