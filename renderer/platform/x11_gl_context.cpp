#include "x11_gl_context.h"

#include <time.h>

#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

namespace quillmere::x11 {

namespace {

struct XFreeDeleter {
    void operator()(void* p) const { XFree(p); }
};

FramePacer::TimePoint MonotonicNow() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return FramePacer::TimePoint(std::chrono::seconds(now.tv_sec) +
                                 std::chrono::nanoseconds(now.tv_nsec));
}

void SleepUntil(FramePacer::TimePoint deadline) {
    const auto sinceEpoch = deadline.time_since_epoch();
    timespec target{};
    target.tv_sec =
        static_cast<time_t>(std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch).count());
    target.tv_nsec = static_cast<long>((sinceEpoch % std::chrono::seconds(1)).count());
    // A signal cuts the wait short on purpose: the pump then sees it at once.
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &target, nullptr);
}

}  // namespace

GlxContexts::GlxContexts(X11Display& display) : display_(display) {
    const char* unpaced = std::getenv("QUILLMERE_UNPACED");
    unpaced_ = unpaced != nullptr && std::string_view(unpaced) == "1";
    if (!unpaced_) {
        // Paced frames leave Mesa's software rasterizer most of each period idle: one worker
        // thread finishes a frame in time, and more only add the cost of splitting the work.
        // It reads this once, when GLX first starts it (just below). A user's setting stands.
        setenv("LP_NUM_THREADS", "1", 0);
    }
    const char* extensions = glXQueryExtensionsString(display_.get(), display_.screen());
    swapControl_ = ChooseSwapControl(extensions != nullptr ? extensions : "");
}

GlxContexts::~GlxContexts() {
    Teardown();
}

void GlxContexts::Teardown() {
    Display* d = display_.get();
    if (currentContext_ != nullptr) {
        glXMakeContextCurrent(d, None, None, nullptr);
        currentContext_ = nullptr;
    }
    for (auto& [handle, context] : contexts_) {
        glXDestroyContext(d, context);
    }
    contexts_.clear();
    for (auto& [drawable, state] : drawables_) {
        glXDestroyWindow(d, drawable);
    }
    drawables_.clear();
}

std::optional<GLXFBConfig> GlxContexts::ChooseConfig(int colorBits, int depthBits,
                                                     VisualID visual) {
    Display* d = display_.get();
    const int attributes[] = {GLX_X_RENDERABLE,
                              True,
                              GLX_DRAWABLE_TYPE,
                              GLX_WINDOW_BIT,
                              GLX_RENDER_TYPE,
                              GLX_RGBA_BIT,
                              GLX_DOUBLEBUFFER,
                              True,
                              None};
    int count = 0;
    std::unique_ptr<GLXFBConfig, XFreeDeleter> configs(
        glXChooseFBConfig(d, display_.screen(), attributes, &count));
    if (!configs || count <= 0) {
        return std::nullopt;
    }
    // GLX's own order puts deeper depth buffers first; the choice is made here instead.
    std::vector<GLXFBConfig> usable;
    std::vector<FramebufferTraits> traits;
    for (int i = 0; i < count; ++i) {
        const GLXFBConfig config = configs.get()[i];
        auto get = [&](int attribute) {
            int value = 0;
            glXGetFBConfigAttrib(d, config, attribute, &value);
            return value;
        };
        const int visualId = get(GLX_VISUAL_ID);
        if (visualId == 0 || (visual != 0 && static_cast<VisualID>(visualId) != visual)) {
            continue;
        }
        FramebufferTraits t;
        t.colorBits = get(GLX_RED_SIZE) + get(GLX_GREEN_SIZE) + get(GLX_BLUE_SIZE);
        t.alphaBits = get(GLX_ALPHA_SIZE);
        t.depthBits = get(GLX_DEPTH_SIZE);
        t.stencilBits = get(GLX_STENCIL_SIZE);
        t.samples = get(GLX_SAMPLES);
        t.slow = get(GLX_CONFIG_CAVEAT) == GLX_SLOW_CONFIG;
        usable.push_back(config);
        traits.push_back(t);
    }
    const int index = ChooseFramebuffer(traits, colorBits, depthBits);
    if (index < 0 ||
        (visual != 0 && traits[static_cast<std::size_t>(index)].depthBits < depthBits)) {
        return std::nullopt;
    }
    return usable[static_cast<std::size_t>(index)];
}

DeviceContext GlxContexts::CreateDrawable(Window window, GLXFBConfig config) {
    Display* d = display_.get();
    ErrorTrap trap(d);
    const GLXWindow drawable = glXCreateWindow(d, config, window, nullptr);
    if (trap.Failed() || drawable == 0) {
        return 0;
    }
    DrawableState state;
    state.window = window;
    state.config = config;
    drawables_[drawable] = state;
    return drawable;
}

void GlxContexts::ReleaseDrawable(DeviceContext dc) {
    auto it = drawables_.find(static_cast<GLXDrawable>(dc));
    if (it == drawables_.end()) {
        return;
    }
    glXDestroyWindow(display_.get(), it->first);
    drawables_.erase(it);
}

void GlxContexts::ReleaseDrawablesOf(Window window) {
    for (auto it = drawables_.begin(); it != drawables_.end();) {
        if (it->second.window == window) {
            glXDestroyWindow(display_.get(), it->first);
            it = drawables_.erase(it);
        } else {
            ++it;
        }
    }
}

bool GlxContexts::ConfirmFormat(DeviceContext dc) {
    auto it = drawables_.find(static_cast<GLXDrawable>(dc));
    if (it == drawables_.end() || it->second.config == nullptr) {
        return false;
    }
    it->second.formatSet = true;
    return true;
}

GLContextHandle GlxContexts::CreateContext(DeviceContext dc) {
    auto it = drawables_.find(static_cast<GLXDrawable>(dc));
    if (it == drawables_.end() || !it->second.formatSet) {
        return 0;
    }
    Display* d = display_.get();
    ErrorTrap trap(d);
    const GLXContext context =
        glXCreateNewContext(d, it->second.config, GLX_RGBA_TYPE, nullptr, True);
    if (trap.Failed() || context == nullptr) {
        if (context != nullptr) {
            glXDestroyContext(d, context);
        }
        return 0;
    }
    const auto handle = reinterpret_cast<GLContextHandle>(context);
    contexts_[handle] = context;
    return handle;
}

bool GlxContexts::MakeCurrent(DeviceContext dc, GLContextHandle glContext,
                              FramePacer::Duration refresh) {
    Display* d = display_.get();
    if (glContext == 0) {
        glXMakeContextCurrent(d, None, None, nullptr);
        currentContext_ = nullptr;
        return true;
    }
    auto context = contexts_.find(glContext);
    auto drawable = drawables_.find(static_cast<GLXDrawable>(dc));
    if (context == contexts_.end() || drawable == drawables_.end()) {
        return false;
    }
    if (!glXMakeContextCurrent(d, drawable->first, drawable->first, context->second)) {
        return false;
    }
    currentContext_ = context->second;
    EnableSwapControl(drawable->first, drawable->second);
    pacing_.Start(refresh, drawable->second.swapIntervalSet, unpaced_);
    return true;
}

void GlxContexts::EnableSwapControl(GLXDrawable drawable, DrawableState& state) {
    if (!unpaced_ && !state.swapIntervalSet) {
        Display* d = display_.get();
        ErrorTrap trap(d);
        bool set = false;
        switch (swapControl_) {
            case SwapControl::Ext:
                if (auto f = reinterpret_cast<PFNGLXSWAPINTERVALEXTPROC>(glXGetProcAddressARB(
                        reinterpret_cast<const GLubyte*>("glXSwapIntervalEXT")))) {
                    f(d, drawable, 1);
                    set = true;
                }
                break;
            case SwapControl::Mesa:
                if (auto f = reinterpret_cast<PFNGLXSWAPINTERVALMESAPROC>(glXGetProcAddressARB(
                        reinterpret_cast<const GLubyte*>("glXSwapIntervalMESA")))) {
                    set = f(1) == 0;
                }
                break;
            case SwapControl::Sgi:
                if (auto f = reinterpret_cast<PFNGLXSWAPINTERVALSGIPROC>(glXGetProcAddressARB(
                        reinterpret_cast<const GLubyte*>("glXSwapIntervalSGI")))) {
                    set = f(1) == 0;
                }
                break;
            case SwapControl::Unavailable:
                break;
        }
        state.swapIntervalSet = set && !trap.Failed();
    }
}

void GlxContexts::DeleteContext(GLContextHandle glContext) {
    auto it = contexts_.find(glContext);
    if (it == contexts_.end()) {
        return;
    }
    Display* d = display_.get();
    if (it->second == currentContext_) {
        glXMakeContextCurrent(d, None, None, nullptr);
        currentContext_ = nullptr;
    }
    glXDestroyContext(d, it->second);
    contexts_.erase(it);
}

void GlxContexts::Swap(DeviceContext dc) {
    auto it = drawables_.find(static_cast<GLXDrawable>(dc));
    if (it == drawables_.end()) {
        return;
    }
    glXSwapBuffers(display_.get(), it->first);
    if (const auto nextFrame = pacing_.AfterSwap(MonotonicNow())) {
        SleepUntil(*nextFrame);
    }
}

}  // namespace quillmere::x11
