// Tormalune_R: the still preview inside a window handed over on the command line, and the set-up
// that places it there and keeps it the host window's size.
#pragma once

#include <QImage>
#include <QSocketNotifier>
#include <QWidget>
#include <QWindow>
#include <memory>
#include <string>

#include "tormalune_b.h"
#include "x11_connection.h"
#include "x11_foreign_window.h"

namespace quillmere {

// The preview picture, stretched over the whole control.
class PreviewImage : public QWidget {
    Q_OBJECT

  public:
    PreviewImage(QImage picture, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage picture_;
};

class Tormalune_R : public QWidget {
    Q_OBJECT

  public:
    explicit Tormalune_R(QImage picture);

    // Position and size in twips, and the picture over all of it.
    void Place(const PreviewRect& rect);
    PreviewImage& Img_Prev() { return *image_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // Once the preview window is gone there is nothing left to run.
    void Form_Unload();

    std::unique_ptr<PreviewImage> image_;
};

// The running preview: the foreign host window, the preview inside it and the watch on it.
class PreviewSession {
  public:
    // Sets up and shows the preview for the argument text; nothing when its handle names no
    // window.
    static std::unique_ptr<PreviewSession> Show(const x11::X11Connection& connection,
                                                const std::string& argumentText);
    ~PreviewSession();
    PreviewSession(const PreviewSession&) = delete;
    PreviewSession& operator=(const PreviewSession&) = delete;

    PreviewSession(const x11::X11Connection& connection, x11::WindowId handle);

  private:
    bool Attach();
    void Resize(x11::WindowSize size);

    const x11::X11Connection& connection_;
    x11::WindowId handle_;
    PreviewRect rect_;
    // Declared before the preview: it is the preview's parent and must outlive it.
    std::unique_ptr<QWindow> hostWindow_;
    std::unique_ptr<Tormalune_R> window_;
    std::unique_ptr<x11::ForeignWindowWatch> watch_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace quillmere
