#include <GL/gl.h>
#include <GL/glu.h>

#include "frame.h"

namespace quillmere {

void ResizeViewport(int width, int height) {
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // A window squashed to no width or height keeps a usable projection instead of dividing
    // by zero.
    double aspect = 1.0;
    if (width > 0 && height > 0) {
        aspect = static_cast<double>(width) / static_cast<double>(height);
    }
    gluPerspective(45.0, aspect, 1.0, 10000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

}  // namespace quillmere
