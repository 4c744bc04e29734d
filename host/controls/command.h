// Command: the host's own skinned push button. It draws its face from one of six skins, decides
// the skin from the pointer (over or not), the focus and the left button, and raises Click on a
// button release. It has no keyboard handling and draws no focus rectangle.
#pragma once

#include <QFont>
#include <QImage>
#include <QLabel>
#include <QRectF>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>

#include "property_bag.h"
#include "skin_painter.h"

class QFocusEvent;
class QMouseEvent;
class QPaintEvent;
class QResizeEvent;

namespace quillmere {

// The first available of the Gothic faces the dialog's texts use, at 13 pixels.
QFont DefaultCaptionFont();

class Command : public QWidget {
    Q_OBJECT
  public:
    // The class name a container stores the saved properties under.
    static constexpr char kClassName[] = "Tormalune.Command";

    enum class Skin : std::uint8_t {
        Normal,
        HighLight,
        Selected,
        HighLightSelect,
        Pressed,
        Disable
    };

    // Values of ButtonState.
    static constexpr std::uint8_t kUnset = 0;
    static constexpr std::uint8_t kNormal = 1;
    static constexpr std::uint8_t kHighLight = 2;
    static constexpr std::uint8_t kSelected = 3;
    static constexpr std::uint8_t kHighLightSelect = 4;

    // All fields zero: state 0, not enabled, firstRunFlag 0; 1755 x 420 twips (117 x 28 px).
    explicit Command(QWidget* parent = nullptr);
    ~Command() override;

    QString Caption() const;
    void SetCaption(const QString& caption);
    // Reading turns a new instance on once, and repaints Normal or Disable every time.
    bool Enabled();
    void SetEnabled(bool enabled);
    QFont Font() const;
    void SetFont(const QFont& font);
    // 32-bit colour values as 0x00BBGGRR (0 is black); 0x80000000 + n is a system colour.
    quint32 FontColour();
    void SetFontColour(quint32 colour);
    // 255 while the body is opaque, 0 while it is transparent (only the caption shows).
    quint8 Visible();
    void SetVisible(quint8 visible);

    void Initialize();
    void ReadProperties(const PropertyBag& bag);
    void WriteProperties(PropertyBag& bag);

    quint8 ButtonState() const { return buttonState_; }

    // The hover poll; TmrMouse runs it every 100 ms once Initialize has started the timer.
    void PollHover();

    // Observations for the dialog's checks and for tests; they change nothing.
    bool EnabledFlag() const { return enabledFlag_ != 0; }
    quint8 FirstRunFlag() const { return firstRunFlag_; }
    bool LeftButtonDown() const { return leftButtonDown_ != 0; }
    bool GradientReversed() const { return gradientReversed_ != 0; }
    bool MouseTimerActive() const { return TmrMouse.isActive(); }
    int MouseTimerInterval() const { return TmrMouse.interval(); }
    // What the last PaintSkin drew, and how many paints there were.
    const QImage& Face() const { return face_; }
    Skin LastSkin() const { return lastSkin_; }
    int PaintCount() const { return paintCount_; }
    // The caption label, and its place in twips as the painter last set it.
    const QLabel& CaptionLabel() const { return LblMsg; }
    QRectF CaptionRectTwips() const { return captionTwips_; }

  signals:
    void Click();
    // A saved property has a new value; the container must save it again.
    void PropertyChanged(const QString& name);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void UserControl_MouseDown(Qt::MouseButton button);
    void UserControl_MouseMove();
    void UserControl_MouseUp(Qt::MouseButton button);

    bool PointerOverButton(const QPoint& global) const;
    void EndHover();
    void PaintEnabledLook();
    void RefreshLook();
    void PaintSkin(Skin skin);
    void PaintGradient();
    void PlaceCaption();
    void ShowCaptionEnabled(bool enabled);
    bool ApplyFontColour(quint32 colour);
    bool ApplyBodyStyle(std::int16_t style);
    QFont ContainerFont() const;

    std::int16_t enabledFlag_ = 0;
    std::uint8_t firstRunFlag_ = 0;
    std::uint8_t buttonState_ = kUnset;
    std::int16_t leftButtonDown_ = 0;
    std::int16_t gradientReversed_ = 0;
    ButtonGradient gradient_{};
    bool opaque_ = true;
    quint32 fontColour_ = 0;

    QLabel LblMsg;
    QRectF captionTwips_;
    QTimer TmrMouse;
    std::array<QImage, 6> skins_;

    QImage face_;
    Skin lastSkin_ = Skin::Normal;
    int paintCount_ = 0;
};

}  // namespace quillmere
