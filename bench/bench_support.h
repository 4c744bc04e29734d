// Timing helpers the host and hack benchmarks share: spans in milliseconds, fast polling, the
// first drawn frame of a window, and summaries of the rounds.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/types.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace benchsupport {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Polls faster than WaitUntil: the measured spans are tens of milliseconds.
inline bool PollUntil(const std::function<bool()>& condition, std::chrono::milliseconds deadline) {
    const auto end = Clock::now() + deadline;
    while (Clock::now() < end) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return condition();
}

inline int IgnoreErrors(Display*, XErrorEvent*) {
    return 0;
}

// True once the window is mapped and its centre column shows more than one colour.
inline bool FrameDrawn(Display* display, Window window) {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable) {
        return false;
    }
    XImage* image = XGetImage(display, window, attributes.width / 2, 0, 1,
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return false;
    }
    const unsigned long first = XGetPixel(image, 0, 0);
    bool varied = false;
    for (int y = 0; y < attributes.height && !varied; y += 8) {
        varied = XGetPixel(image, 0, y) != first;
    }
    XDestroyImage(image);
    return varied;
}

inline double Median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

inline double Worst(const std::vector<double>& samples) {
    return *std::max_element(samples.begin(), samples.end());
}

// True once the process has ended (a zombie has).
inline bool ProcessEnded(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line)) {
        return true;
    }
    const std::size_t close = line.rfind(')');
    return close == std::string::npos || close + 2 >= line.size() || line[close + 2] == 'Z';
}

}  // namespace benchsupport
