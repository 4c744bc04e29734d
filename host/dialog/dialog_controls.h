// The plain controls the settings dialog is built from: labels and images that report any mouse
// button, a picture box with a persistent drawing surface, an outline shape and the path label.
#pragma once

#include <QColor>
#include <QImage>
#include <QLabel>
#include <QString>
#include <QWidget>

namespace quillmere {

// A label or image that tells of every mouse-button press, whichever the button.
class PressLabel : public QLabel {
    Q_OBJECT
  public:
    explicit PressLabel(QWidget* parent = nullptr);

  signals:
    void MouseDown(Qt::MouseButton button);
    void Clicked();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    bool leftPressed_ = false;
};

// A picture box: what is drawn on it stays on its surface and is shown whenever uncovered.
class PictureBox : public QWidget {
    Q_OBJECT
  public:
    explicit PictureBox(QWidget* parent = nullptr);

    // Makes the surface the given size, filled with the back colour.
    void SetSurface(int width, int height, QColor backColour);
    void SetBorder(bool border);
    const QImage& Surface() const { return surface_; }
    // Copies the source rectangle of an image unchanged onto the surface at the given point;
    // whatever falls outside the surface is clipped.
    void CopyImage(const QImage& source, const QRect& sourceRect, const QPoint& destination);
    void DrawImage(const QImage& source, const QPoint& destination);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QImage surface_;
    bool border_ = false;
};

// A rectangle outline drawn over its container; it takes no mouse input.
class ShapeFrame : public QWidget {
    Q_OBJECT
  public:
    explicit ShapeFrame(QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// A fixed-size label with a border whose text wraps anywhere, so a long path stays readable.
class PathLabel : public QWidget {
    Q_OBJECT
  public:
    explicit PathLabel(QWidget* parent = nullptr);
    QString text() const { return text_; }
    void setText(const QString& text);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString text_;
};

}  // namespace quillmere
