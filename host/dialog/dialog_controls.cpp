#include "dialog_controls.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTextOption>

namespace quillmere {

PressLabel::PressLabel(QWidget* parent) : QLabel(parent) {}

void PressLabel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        leftPressed_ = true;
    }
    emit MouseDown(event->button());
    event->accept();
}

void PressLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && leftPressed_) {
        leftPressed_ = false;
        if (rect().contains(event->position().toPoint())) {
            emit Clicked();
        }
    }
    event->accept();
}

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PictureBox::SetSurface(int width, int height, QColor backColour) {
    surface_ = QImage(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
    surface_.fill(backColour);
    update();
}

void PictureBox::SetBorder(bool border) {
    border_ = border;
    update();
}

void PictureBox::CopyImage(const QImage& source, const QRect& sourceRect,
                           const QPoint& destination) {
    if (source.isNull() || surface_.isNull()) {
        return;
    }
    QPainter painter(&surface_);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(destination, source, sourceRect);
    update();
}

void PictureBox::DrawImage(const QImage& source, const QPoint& destination) {
    CopyImage(source, source.rect(), destination);
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, surface_);
    if (border_) {
        painter.setPen(Qt::black);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

ShapeFrame::ShapeFrame(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ShapeFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

PathLabel::PathLabel(QWidget* parent) : QWidget(parent) {}

void PathLabel::setText(const QString& text) {
    text_ = text;
    update();
}

void PathLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(font());
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    painter.drawText(QRectF(rect().adjusted(2, 1, -2, -1)), text_, option);
}

}  // namespace quillmere
