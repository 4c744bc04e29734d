#include "window_animation.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QRect>
#include <QRubberBand>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace quillmere {

std::int16_t AnimPointX = 0;
std::int16_t AnimPointY = 0;

namespace {

constexpr std::chrono::milliseconds kFrameInterval{10};

int Between(int from, int to, double t) {
    return from + static_cast<int>((to - from) * t);
}

QRect RectBetween(const QRect& from, const QRect& to, double t) {
    const int left = Between(from.left(), to.left(), t);
    const int top = Between(from.top(), to.top(), t);
    // Right and bottom are exclusive here so a zero-size rectangle stays zero-size.
    const int right = Between(from.left() + from.width(), to.left() + to.width(), t);
    const int bottom = Between(from.top() + from.height(), to.top() + to.height(), t);
    // A window cannot be empty: the smallest outline is one pixel.
    return QRect(left, top, std::max(1, right - left), std::max(1, bottom - top));
}

QRect AnimationPoint() {
    return QRect(AnimPointX, AnimPointY, 0, 0);
}

}  // namespace

void AnimateRects(const QRect& from, const QRect& to, std::chrono::milliseconds time) {
    if (time.count() <= 0) {
        return;
    }
    QRubberBand band(QRubberBand::Line);
    band.setAttribute(Qt::WA_TransparentForMouseEvents);
    band.setGeometry(RectBetween(from, to, 0));
    band.show();

    QEventLoop loop;
    QElapsedTimer clock;
    QTimer frame;
    frame.setInterval(kFrameInterval);
    QObject::connect(&frame, &QTimer::timeout, &loop, [&] {
        const double t = static_cast<double>(clock.elapsed()) / static_cast<double>(time.count());
        if (t >= 1) {
            loop.quit();
            return;
        }
        band.setGeometry(RectBetween(from, to, t));
    });
    clock.start();
    frame.start();
    // Input to the program's windows waits: nothing must act on a window that is half gone.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    band.hide();
}

void AnimateWindowOpen(const QWidget& window, std::chrono::milliseconds time) {
    AnimateRects(AnimationPoint(), window.frameGeometry(), time);
}

void AnimateWindowClose(const QWidget& window, std::chrono::milliseconds time) {
    AnimateRects(window.frameGeometry(), AnimationPoint(), time);
}

}  // namespace quillmere
