/* Preloaded into the renderer by a system test: GLX then lists swap control and accepts a swap
 * interval, but the swap never waits for the display, as with a driver told to ignore it
 * (Mesa's vblank_mode=0). Each swap also counts into the file named by
 * QUILLMERE_TEST_SWAP_COUNT, so the test sees the frame rate. */
#define _GNU_SOURCE
#include <GL/glx.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

typedef const char* (*QueryExtensionsFn)(Display*, int);
typedef __GLXextFuncPtr (*GetProcAddressFn)(const GLubyte*);
typedef void (*SwapBuffersFn)(Display*, GLXDrawable);

static void IgnoredSwapInterval(Display* display, GLXDrawable drawable, int interval) {
    (void)display;
    (void)drawable;
    (void)interval;
}

const char* glXQueryExtensionsString(Display* display, int screen) {
    static char extensions[16384];
    QueryExtensionsFn real = (QueryExtensionsFn)dlsym(RTLD_NEXT, "glXQueryExtensionsString");
    const char* listed = real != NULL ? real(display, screen) : "";
    snprintf(extensions, sizeof extensions, "%s GLX_EXT_swap_control ",
             listed != NULL ? listed : "");
    return extensions;
}

__GLXextFuncPtr glXGetProcAddressARB(const GLubyte* name) {
    if (strcmp((const char*)name, "glXSwapIntervalEXT") == 0) {
        return (__GLXextFuncPtr)IgnoredSwapInterval;
    }
    GetProcAddressFn real = (GetProcAddressFn)dlsym(RTLD_NEXT, "glXGetProcAddressARB");
    return real != NULL ? real(name) : NULL;
}

void glXSwapBuffers(Display* display, GLXDrawable drawable) {
    static unsigned long swaps = 0;
    static int countFd = -2;
    SwapBuffersFn real = (SwapBuffersFn)dlsym(RTLD_NEXT, "glXSwapBuffers");
    if (real != NULL) {
        real(display, drawable);
    }
    if (countFd == -2) {
        const char* path = getenv("QUILLMERE_TEST_SWAP_COUNT");
        countFd = path != NULL ? open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600) : -1;
    }
    if (countFd >= 0) {
        char text[32];
        const int length = snprintf(text, sizeof text, "%20lu\n", ++swaps);
        if (pwrite(countFd, text, (size_t)length, 0) < 0) {
            countFd = -1;
        }
    }
}
