// A small container for button tests: a shown, active window holding one Command and a line
// edit that can take the focus away, with the pointer placed through QCursor::setPos.
#pragma once

#include <QApplication>
#include <QCursor>
#include <QLineEdit>
#include <QTest>
#include <QWidget>

#include <memory>

#include "command.h"

namespace controlstest {

inline QRgb Rgb(QRgb value) {
    return value | 0xFF000000u;
}

inline QRgb PixelAt(const QImage& image, int x, int y) {
    return image.pixel(x, y) | 0xFF000000u;
}

class ButtonWindow {
  public:
    // The button at (20, 20) in pixels, sized w x h; enabled (as after loading the saved data)
    // unless told otherwise.
    explicit ButtonWindow(int w = 77, int h = 25, bool enable = true)
        : window(std::make_unique<QWidget>()) {
        window->resize(320, 160);
        window->move(40, 40);
        other = std::make_unique<QLineEdit>(window.get());
        other->setGeometry(200, 100, 100, 24);
        button = std::make_unique<quillmere::Command>(window.get());
        button->setGeometry(20, 20, w, h);
        QObject::connect(button.get(), &quillmere::Command::Click, [this] { ++clicks; });
        if (enable) {
            button->ReadProperties(quillmere::PropertyBag());
        }
        window->show();
        QApplication::setActiveWindow(window.get());
        (void)QTest::qWaitForWindowActive(window.get());
        other->setFocus(Qt::OtherFocusReason);
        PointerAway();
        QApplication::processEvents();
    }
    ~ButtonWindow() {
        // QTest remembers held buttons across windows; a test that ends holding one would turn
        // the next test's moves into drags.
        for (const Qt::MouseButton held : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
            QTest::mouseRelease(other.get(), held);
        }
        button.reset();
        other.reset();
    }

    // Places the pointer; the platform then delivers a mouse move to the widget under it.
    void PointerTo(QPoint global) {
        // A move to the point the application last saw gives no event; step aside first.
        QCursor::setPos(global + QPoint(1, 0));
        QApplication::processEvents();
        QCursor::setPos(global);
        QApplication::processEvents();
    }
    void PointerOverButton(int dx = 0) { PointerTo(button->mapToGlobal(QPoint(6 + dx, 3))); }
    void PointerOverCaption() {
        const QLabel& label = button->CaptionLabel();
        PointerTo(button->mapToGlobal(label.geometry().center()));
    }
    // Over the container, away from every child.
    void PointerOverContainer() { PointerTo(window->mapToGlobal(QPoint(150, 130))); }
    // Outside every window of the program.
    void PointerAway() { PointerTo(QPoint(2000, 1500)); }

    std::unique_ptr<QWidget> window;
    std::unique_ptr<QLineEdit> other;
    std::unique_ptr<quillmere::Command> button;
    int clicks = 0;
};

}  // namespace controlstest
