// The zoom animation of the settings dialog: an outline rectangle that grows from the pointer's
// place into the window when it opens, and shrinks back into that place when it closes.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdint>
#include <memory>

namespace quillmere {

inline constexpr std::chrono::milliseconds kWindowAnimationTime{150};

// Screen point of the pointer when the dialog was loaded: start and end of its animations.
extern std::int16_t AnimPointX;
extern std::int16_t AnimPointY;

// A two-pixel outline of a rectangle on the screen, above other windows and taking no input.
class OutlineWindow : public QWidget {
    Q_OBJECT
  public:
    OutlineWindow();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

// An outline rectangle moving from one screen rectangle to the other over a time, driven by the
// event loop; hidden when the time is up or when stopped.
class RectAnimation : public QObject {
    Q_OBJECT
  public:
    RectAnimation(const QRect& from, const QRect& to, std::chrono::milliseconds time);
    // Returns at once; nothing is shown for a time of 0.
    void Start();
    void Stop();
    bool Running() const { return frame_.isActive(); }

  signals:
    void Finished();

  private:
    void Step();

    QRect from_;
    QRect to_;
    std::chrono::milliseconds time_;
    OutlineWindow band_;
    QTimer frame_;
    QElapsedTimer clock_;
};

// Runs the animation to its end, handling events meanwhile except user input.
void AnimateRects(const QRect& from, const QRect& to, std::chrono::milliseconds time);

// Starts the outline from the zero-size rectangle at the animation point to the window's screen
// rectangle (given: a window not yet shown has no frame to ask for) and returns at once, so the
// window appears while it runs. Keep it until it ends.
std::unique_ptr<RectAnimation> AnimateWindowOpen(
    const QRect& windowRect, std::chrono::milliseconds time = kWindowAnimationTime);

// From the window's screen rectangle back to the zero-size rectangle at the animation point;
// returns when done.
void AnimateWindowClose(const QWidget& window,
                        std::chrono::milliseconds time = kWindowAnimationTime);

}  // namespace quillmere
