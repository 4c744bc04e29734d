#include "preview_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPainter>
#include <utility>

namespace quillmere {

PreviewImage::PreviewImage(QImage picture, QWidget* parent)
    : QWidget(parent), picture_(std::move(picture)) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(rect(), picture_);
}

Tormalune_R::Tormalune_R(QImage picture) {
    setWindowTitle(QStringLiteral("Preview Window"));
    setWindowFlags(Qt::FramelessWindowHint);
    QPalette grey = palette();
    grey.setColor(QPalette::Window, QColor(192, 192, 192));
    setPalette(grey);
    setAutoFillBackground(true);
    image_ = std::make_unique<PreviewImage>(std::move(picture), this);
}

void Tormalune_R::Place(const PreviewRect& rect) {
    // The window is placed in twips, its contents in pixels.
    const int left = rect.PreviewLeft / kTwipsPerPixel;
    const int top = rect.PreviewTop / kTwipsPerPixel;
    const int width = rect.PreviewWidth / kTwipsPerPixel;
    const int height = rect.PreviewHeight / kTwipsPerPixel;
    // A native window cannot be empty; a size out of range shows nothing instead.
    if (width <= 0 || height <= 0) {
        hide();
        return;
    }
    setGeometry(left, top, width, height);
    image_->setGeometry(0, 0, rect.ImageWidth(), rect.ImageHeight());
    if (!isVisible()) {
        show();
    }
}

void Tormalune_R::closeEvent(QCloseEvent* event) {
    event->accept();
    Form_Unload();
}

void Tormalune_R::Form_Unload() {
    // quit() never returns while a foreign parent is set.
    QCoreApplication::exit(0);
}

PreviewSession::PreviewSession(const x11::X11Connection& connection, x11::WindowId handle)
    : connection_(connection), handle_(handle) {}

PreviewSession::~PreviewSession() = default;

std::unique_ptr<PreviewSession> PreviewSession::Show(const x11::X11Connection& connection,
                                                     const std::string& argumentText) {
    const std::uint32_t handle = PreviewHandle(argumentText);
    if (handle == 0) {
        return nullptr;
    }
    auto session = std::make_unique<PreviewSession>(connection, handle);
    if (!session->Attach()) {
        return nullptr;
    }
    return session;
}

bool PreviewSession::Attach() {
    // Qt reports a foreign window as 0 x 0, so its size comes from the server.
    const std::optional<x11::WindowSize> size =
        x11::ForeignWindowSize(connection_.display(), handle_);
    if (!size) {
        return false;
    }
    rect_ = PreviewRectFor(size->width, size->height);

    watch_ = std::make_unique<x11::ForeignWindowWatch>(
        connection_, handle_,
        x11::ForeignWindowWatch::Handlers{
            .Resized = [this](x11::WindowSize newSize) { Resize(newSize); },
            .Destroyed = [] { QCoreApplication::exit(0); },
        });
    if (!watch_->Start()) {
        return false;
    }

    window_ = std::make_unique<Tormalune_R>(QImage(QStringLiteral(":/assets/preview.jpg")));
    hostWindow_.reset(QWindow::fromWinId(static_cast<WId>(handle_)));
    if (!hostWindow_) {
        return false;
    }
    window_->winId();
    window_->windowHandle()->setParent(hostWindow_.get());
    window_->Place(rect_);

    notifier_ = std::make_unique<QSocketNotifier>(connection_.fd(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { watch_->Pump(); });
    // Events may already sit in the connection's queue, where the notifier cannot see them.
    watch_->Pump();
    return true;
}

void PreviewSession::Resize(x11::WindowSize size) {
    rect_ = PreviewRectFor(size.width, size.height);
    window_->Place(rect_);
}

}  // namespace quillmere
