// Command: the host's own skinned push button on Qt. The decisions (state, skin, gradient, Click,
// poll, first run) are its CommandMachine's; the widget feeds it Qt's events, draws the face the
// machine asks for into a kept image, and holds the caption label and the poll timer. It has no
// keyboard handling and draws no focus rectangle.
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

#include "command_machine.h"
#include "property_bag.h"
#include "skin_painter.h"

class QFocusEvent;
class QMouseEvent;
class QPaintEvent;
class QResizeEvent;

namespace quillmere {

// The first available of the Gothic faces the dialog's texts use, at 13 pixels.
QFont DefaultCaptionFont();

class Command : public QWidget, private CommandView {
    Q_OBJECT
  public:
    // The class name a container stores the saved properties under.
    static constexpr char kClassName[] = "Tormalune.Command";

    using Skin = CommandSkin;

    // Values of ButtonState.
    static constexpr std::uint8_t kUnset = CommandMachine::kUnset;
    static constexpr std::uint8_t kNormal = CommandMachine::kNormal;
    static constexpr std::uint8_t kHighLight = CommandMachine::kHighLight;
    static constexpr std::uint8_t kSelected = CommandMachine::kSelected;
    static constexpr std::uint8_t kHighLightSelect = CommandMachine::kHighLightSelect;

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

    quint8 ButtonState() const { return machine_.ButtonState(); }

    // The hover poll; TmrMouse runs it every 100 ms once Initialize has started the timer.
    void PollHover();

    // Observations for the dialog's checks and for tests; they change nothing.
    bool EnabledFlag() const { return machine_.EnabledFlag(); }
    quint8 FirstRunFlag() const { return machine_.FirstRunFlag(); }
    bool LeftButtonDown() const { return machine_.LeftButtonDown(); }
    bool GradientReversed() const { return machine_.GradientReversed(); }
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
    // CommandView: what the machine asks for.
    void PaintSkin(CommandSkin skin, bool gradientReversed) override;
    void ShowCaptionEnabled(bool enabled) override;
    void ApplyCaptionColour(const ColourValue& colour) override;
    void ApplyBodyStyle(bool opaque) override;
    void StartPollTimer(int intervalMs) override;
    bool PointerOverControl() override;
    void NotifyPropertyChanged(std::string_view name) override;
    void RaiseClick() override;

    static int ButtonCode(Qt::MouseButton button);
    bool PointerOverButton(const QPoint& global) const;
    QFont ContainerFont() const;

    CommandMachine machine_{*this};

    QLabel LblMsg;
    QRectF captionTwips_;
    QTimer TmrMouse;
    std::array<QImage, 6> skins_;

    QImage face_;
    ButtonGradient gradient_{};
    Skin lastSkin_ = Skin::Normal;
    int paintCount_ = 0;
};

}  // namespace quillmere
