#include "window_animation.h"

#include <QEventLoop>
#include <QPainter>
#include <QRegion>
#include <algorithm>

namespace quillmere {

std::int16_t AnimPointX = 0;
std::int16_t AnimPointY = 0;

namespace {

constexpr std::chrono::milliseconds kFrameInterval{10};
constexpr int kOutlineWidth = 2;

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

OutlineWindow::OutlineWindow()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                           Qt::X11BypassWindowManagerHint | Qt::WindowDoesNotAcceptFocus) {
    setObjectName(QStringLiteral("AnimationOutline"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_ShowWithoutActivating);
}

void OutlineWindow::resizeEvent(QResizeEvent*) {
    // Only the frame is part of the window; what lies inside stays visible.
    const QRect inner =
        rect().adjusted(kOutlineWidth, kOutlineWidth, -kOutlineWidth, -kOutlineWidth);
    setMask(inner.isValid() ? QRegion(rect()).subtracted(QRegion(inner)) : QRegion(rect()));
}

void OutlineWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0x80, 0x80, 0x80));
}

RectAnimation::RectAnimation(const QRect& from, const QRect& to, std::chrono::milliseconds time)
    : from_(from), to_(to), time_(time) {
    frame_.setInterval(kFrameInterval);
    connect(&frame_, &QTimer::timeout, this, &RectAnimation::Step);
}

void RectAnimation::Start() {
    if (time_.count() <= 0) {
        emit Finished();
        return;
    }
    band_.setGeometry(RectBetween(from_, to_, 0));
    band_.show();
    clock_.start();
    frame_.start();
}

void RectAnimation::Stop() {
    const bool wasRunning = frame_.isActive();
    frame_.stop();
    band_.hide();
    if (wasRunning) {
        emit Finished();
    }
}

void RectAnimation::Step() {
    const double t = static_cast<double>(clock_.elapsed()) / static_cast<double>(time_.count());
    if (t >= 1) {
        Stop();
        return;
    }
    band_.setGeometry(RectBetween(from_, to_, t));
    // The window may have been mapped over it since the last step.
    band_.raise();
}

void AnimateRects(const QRect& from, const QRect& to, std::chrono::milliseconds time) {
    RectAnimation animation(from, to, time);
    QEventLoop loop;
    QObject::connect(&animation, &RectAnimation::Finished, &loop, &QEventLoop::quit);
    animation.Start();
    if (animation.Running()) {
        // Input waits: nothing must act on a window that is half gone.
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
}

std::unique_ptr<RectAnimation> AnimateWindowOpen(const QRect& windowRect,
                                                 std::chrono::milliseconds time) {
    auto animation = std::make_unique<RectAnimation>(AnimationPoint(), windowRect, time);
    animation->Start();
    return animation;
}

void AnimateWindowClose(const QWidget& window, std::chrono::milliseconds time) {
    AnimateRects(window.frameGeometry(), AnimationPoint(), time);
}

}  // namespace quillmere
