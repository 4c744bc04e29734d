// Mesa's software GLX (drisw, as on Xvfb, in virtual machines and without a GPU driver) asks the
// X server for the drawable's size before each frame and ignores a failure: once the window has
// been destroyed it sizes the frame from whatever its stack held, and can crash. A window another
// program gave us to draw in (XScreenSaver's, a settings preview) can go at any moment, before
// its DestroyNotify has reached us. This stands in for Xlib's XGetGeometry in the whole process
// (the program exports it, so the GL driver's calls come here too) and answers a failure with a
// size of 0 x 0, which the driver handles, instead of leaving the answers unset.
#include <X11/Xlib.h>
#include <dlfcn.h>

extern "C" Status XGetGeometry(Display* display, Drawable drawable, Window* root, int* x, int* y,
                               unsigned int* width, unsigned int* height, unsigned int* borderWidth,
                               unsigned int* depth) {
    using Real = Status (*)(Display*, Drawable, Window*, int*, int*, unsigned int*, unsigned int*,
                            unsigned int*, unsigned int*);
    static const Real real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "XGetGeometry"));
    *root = 0;
    *x = *y = 0;
    *width = *height = *borderWidth = *depth = 0;
    return real(display, drawable, root, x, y, width, height, borderWidth, depth);
}
