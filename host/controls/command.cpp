#include "command.h"

#include <QApplication>
#include <QCursor>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QResizeEvent>

#include <cmath>

namespace quillmere {

namespace {

constexpr int kPollMilliseconds = 100;

// A new instance: 1755 x 420 twips.
constexpr int kInitialWidthTwips = 1755;
constexpr int kInitialHeightTwips = 420;

// The caption label as a new instance has it.
constexpr char kInitialCaption[] = "Command";
constexpr double kCaptionLeft = 0;
constexpr double kCaptionTop = 90;
constexpr double kCaptionWidth = 1635;
constexpr double kCaptionHeight = 195;

// Defaults of the saved properties.
constexpr char kDefaultCaption[] = "Command1";

// The platform's text colour for greyed-out captions.
const QColor kGreyedText(0xAC, 0xA8, 0x99);

constexpr quint32 kSystemColourFlag = 0x80000000u;

int PixelsOfTwips(double twips) {
    return static_cast<int>(std::lround(twips / kTwipsPerPixel));
}

const std::array<QImage, 6>& SkinImages() {
    static const std::array<QImage, 6> images = [] {
        const char* files[] = {
            ":/controls/skin_normal.bmp",   ":/controls/skin_highlight.bmp",
            ":/controls/skin_selected.bmp", ":/controls/skin_highlightselect.bmp",
            ":/controls/skin_pressed.bmp",  ":/controls/skin_disable.bmp"};
        std::array<QImage, 6> loaded;
        for (std::size_t i = 0; i < loaded.size(); ++i) {
            // A skin that cannot be read stays null; its pieces are then skipped.
            QImage image(QString::fromLatin1(files[i]));
            if (!image.isNull()) {
                loaded[i] = image.convertToFormat(QImage::Format_RGB32);
            }
        }
        return loaded;
    }();
    return images;
}

// The platform's system colours (0x80000000 + index) in terms of the widget's palette.
std::optional<QColor> SystemColour(const QPalette& palette, quint32 index) {
    switch (index) {
        case 1:   // desktop
        case 15:  // button face
            return palette.color(QPalette::Button);
        case 2:   // active caption
        case 13:  // selection
            return palette.color(QPalette::Highlight);
        case 5:  // window
            return palette.color(QPalette::Base);
        case 9:   // caption text
        case 14:  // selected text
            return palette.color(QPalette::HighlightedText);
        case 16:  // button shadow
            return palette.color(QPalette::Dark);
        case 17:  // greyed text
            return palette.color(QPalette::Disabled, QPalette::Text);
        case 18:  // button text
            return palette.color(QPalette::ButtonText);
        case 20:  // button highlight
            return palette.color(QPalette::Light);
        case 23:  // tooltip text
            return palette.color(QPalette::ToolTipText);
        case 24:  // tooltip back
            return palette.color(QPalette::ToolTipBase);
        default:
            if (index <= 30) {
                return palette.color(QPalette::WindowText);
            }
            return std::nullopt;
    }
}

}  // namespace

QFont DefaultCaptionFont() {
    static const QFont font = [] {
        const QStringList wanted = {QStringLiteral("MS PGothic"), QStringLiteral("ＭＳ Ｐゴシック"),
                                    QStringLiteral("IPAPGothic"),
                                    QStringLiteral("Noto Sans CJK JP")};
        const QStringList installed = QFontDatabase::families();
        QStringList families;
        for (const QString& name : wanted) {
            if (installed.contains(name, Qt::CaseInsensitive)) {
                families.append(name);
            }
        }
        if (families.isEmpty()) {
            families = wanted;  // leave the choice of a stand-in to the font system
        }
        QFont f;
        f.setFamilies(families);
        f.setPixelSize(13);
        f.setWeight(QFont::Normal);
        f.setStyle(QFont::StyleNormal);
        return f;
    }();
    return font;
}

Command::Command(QWidget* parent)
    : QWidget(parent), LblMsg(this), TmrMouse(this), skins_(SkinImages()) {
    resize(PixelsOfTwips(kInitialWidthTwips), PixelsOfTwips(kInitialHeightTwips));
    // Entering is seen through plain mouse moves; the focus is shown by the skin alone.
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);

    LblMsg.setText(QString::fromLatin1(kInitialCaption));
    LblMsg.setTextFormat(Qt::PlainText);
    LblMsg.setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    LblMsg.setAutoFillBackground(false);
    LblMsg.setFont(DefaultCaptionFont());
    QPalette palette = LblMsg.palette();
    palette.setColor(QPalette::Disabled, QPalette::WindowText, kGreyedText);
    LblMsg.setPalette(palette);
    ApplyFontColour(0);
    captionTwips_ = QRectF(kCaptionLeft, kCaptionTop, kCaptionWidth, kCaptionHeight);
    LblMsg.setGeometry(PixelsOfTwips(kCaptionLeft), PixelsOfTwips(kCaptionTop),
                       PixelsOfTwips(kCaptionWidth), PixelsOfTwips(kCaptionHeight));
    // The caption is part of the button: its mouse events go to the button's handlers.
    LblMsg.setMouseTracking(true);
    LblMsg.installEventFilter(this);

    TmrMouse.setInterval(kPollMilliseconds);
    connect(&TmrMouse, &QTimer::timeout, this, &Command::PollHover);
}

Command::~Command() {
    LblMsg.removeEventFilter(this);
}

QString Command::Caption() const {
    return LblMsg.text();
}

void Command::SetCaption(const QString& caption) {
    LblMsg.setText(caption);
    emit PropertyChanged(QStringLiteral("Caption"));
}

bool Command::Enabled() {
    // The first read is what turns a newly placed instance on; RefreshLook still sees the old
    // flag here.
    if (firstRunFlag_ == 0) {
        RefreshLook();
        firstRunFlag_ = 1;
        enabledFlag_ = -1;
    }
    const bool result = enabledFlag_ != 0;
    PaintEnabledLook();
    return result;
}

void Command::SetEnabled(bool enabled) {
    enabledFlag_ = enabled ? -1 : 0;
    emit PropertyChanged(QStringLiteral("Enabled"));
    PaintEnabledLook();
}

QFont Command::Font() const {
    return LblMsg.font();
}

void Command::SetFont(const QFont& font) {
    LblMsg.setFont(font);
    emit PropertyChanged(QStringLiteral("Font"));
}

quint32 Command::FontColour() {
    const quint32 colour = fontColour_;
    RefreshLook();
    return colour;
}

void Command::SetFontColour(quint32 colour) {
    const bool applied = ApplyFontColour(colour);
    RefreshLook();
    if (applied) {
        emit PropertyChanged(QStringLiteral("FontColour"));
    }
}

quint8 Command::Visible() {
    if (!opaque_) {
        return 0;
    }
    RefreshLook();
    return 255;
}

void Command::SetVisible(quint8 visible) {
    if (visible != 0) {
        ApplyBodyStyle(1);
        RefreshLook();
    } else {
        ApplyBodyStyle(0);
    }
    emit PropertyChanged(QStringLiteral("Visible"));
}

void Command::Initialize() {
    buttonState_ = kNormal;
    TmrMouse.setInterval(kPollMilliseconds);
    TmrMouse.start();
}

void Command::ReadProperties(const PropertyBag& bag) {
    // A value that does not convert leaves its field as it was; loading goes on.
    if (const auto enabled = SavedBool(bag.Read(QStringLiteral("Enabled"), true))) {
        enabledFlag_ = *enabled ? -1 : 0;
    }
    if (const auto caption =
            SavedText(bag.Read(QStringLiteral("Caption"), QString::fromLatin1(kDefaultCaption)))) {
        LblMsg.setText(*caption);
    }
    const QVariant font = bag.Read(QStringLiteral("Font"), ContainerFont());
    if (font.typeId() == QMetaType::QFont) {
        LblMsg.setFont(font.value<QFont>());
    } else if (font.typeId() == QMetaType::QString) {
        QFont parsed;
        if (parsed.fromString(font.toString())) {
            LblMsg.setFont(parsed);
        }
    }
    if (const auto firstRun =
            SavedByte(bag.Read(QStringLiteral("FirstRun"), QStringLiteral("1")))) {
        firstRunFlag_ = *firstRun;
    }
    if (const auto colour =
            SavedColour(bag.Read(QStringLiteral("FontColour"), QStringLiteral("0")))) {
        ApplyFontColour(*colour);
    }
    if (const auto style = SavedInt16(bag.Read(QStringLiteral("Visible"), QStringLiteral("1")))) {
        ApplyBodyStyle(*style);
    }
    RefreshLook();
}

void Command::WriteProperties(PropertyBag& bag) {
    bag.SetClassName(QString::fromLatin1(kClassName));
    bag.Write(QStringLiteral("Enabled"), enabledFlag_ != 0, true);
    bag.Write(QStringLiteral("Caption"), LblMsg.text(), QString::fromLatin1(kDefaultCaption));
    bag.Write(QStringLiteral("FirstRun"), static_cast<uint>(firstRunFlag_), QStringLiteral("1"));
    bag.Write(QStringLiteral("Font"), LblMsg.font(), ContainerFont());
    bag.Write(QStringLiteral("FontColour"), fontColour_, QStringLiteral("0"));
    bag.Write(QStringLiteral("Visible"), opaque_ ? 1 : 0, QStringLiteral("1"));
    RefreshLook();
}

void Command::PollHover() {
    // Only a hovering look can end. In every other state, and while switched off, the answer
    // would change nothing, so the platform is not asked at all: an idle dialog costs no more
    // than the timer's wake-ups.
    if (!enabledFlag_ || (buttonState_ != kHighLight && buttonState_ != kHighLightSelect)) {
        return;
    }
    if (!PointerOverButton(QCursor::pos())) {
        EndHover();
    }
}

bool Command::PointerOverButton(const QPoint& global) const {
    // Outside the button's own rectangle no window look-up is needed; inside it, another window
    // or widget may still cover the button.
    if (!rect().contains(mapFromGlobal(global))) {
        return false;
    }
    // The caption is a child of the button, so over it counts as over the button; anything else
    // (the container, another window, nothing) does not.
    const QWidget* under = QApplication::widgetAt(global);
    return under == this || under == &LblMsg;
}

void Command::EndHover() {
    if (!enabledFlag_) {
        return;
    }
    if (buttonState_ == kHighLight) {
        buttonState_ = kNormal;
        PaintSkin(Skin::Normal);
    } else if (buttonState_ == kHighLightSelect) {
        buttonState_ = kSelected;
        PaintSkin(Skin::Selected);
    }
}

void Command::PaintEnabledLook() {
    if (enabledFlag_) {
        PaintSkin(Skin::Normal);
        ShowCaptionEnabled(true);
    } else {
        PaintSkin(Skin::Disable);
        ShowCaptionEnabled(false);
    }
}

void Command::RefreshLook() {
    if (!enabledFlag_) {
        return;
    }
    ShowCaptionEnabled(true);
    if (firstRunFlag_ == 0) {
        ApplyFontColour(0);
    }
    PaintSkin(Skin::Normal);
}

void Command::UserControl_MouseDown(Qt::MouseButton button) {
    if (!enabledFlag_ || button != Qt::LeftButton) {
        return;
    }
    PaintSkin(Skin::Pressed);
    leftButtonDown_ = -1;
}

void Command::UserControl_MouseMove() {
    if (!enabledFlag_) {
        return;
    }
    if (buttonState_ == kNormal) {
        buttonState_ = kHighLight;
        PaintSkin(Skin::HighLight);
    }
    if (buttonState_ == kSelected && !leftButtonDown_) {
        buttonState_ = kHighLightSelect;
        PaintSkin(Skin::HighLightSelect);
    }
}

void Command::UserControl_MouseUp(Qt::MouseButton button) {
    if (!enabledFlag_) {
        return;
    }
    if (button == Qt::LeftButton) {
        if (buttonState_ == kHighLight) {
            PaintSkin(Skin::Normal);
        } else if (buttonState_ == kHighLightSelect) {
            PaintSkin(Skin::HighLightSelect);
        }
        leftButtonDown_ = 0;
    }
    if (buttonState_ != kSelected) {
        // Last: a receiver may close the dialog that holds this button.
        emit Click();
    }
}

void Command::mousePressEvent(QMouseEvent* event) {
    UserControl_MouseDown(event->button());
}

void Command::mouseMoveEvent(QMouseEvent*) {
    UserControl_MouseMove();
}

void Command::mouseReleaseEvent(QMouseEvent* event) {
    UserControl_MouseUp(event->button());
}

void Command::focusInEvent(QFocusEvent* event) {
    // Switching to another window and back is not a focus change of the dialog's controls.
    if (!enabledFlag_ || event->reason() == Qt::ActiveWindowFocusReason) {
        return;
    }
    if (buttonState_ != kHighLight) {
        buttonState_ = kSelected;
        PaintSkin(Skin::Selected);
    } else {
        buttonState_ = kHighLightSelect;
        PaintSkin(Skin::Pressed);
    }
}

void Command::focusOutEvent(QFocusEvent* event) {
    if (!enabledFlag_ || event->reason() == Qt::ActiveWindowFocusReason) {
        return;
    }
    if (buttonState_ != kNormal) {
        buttonState_ = kNormal;
        PaintSkin(Skin::Normal);
    }
}

void Command::resizeEvent(QResizeEvent*) {
    PaintEnabledLook();
}

void Command::paintEvent(QPaintEvent*) {
    // Only shows what the last PaintSkin kept; a transparent body shows nothing but the caption.
    if (!opaque_ || face_.isNull()) {
        return;
    }
    QPainter painter(this);
    painter.drawImage(0, 0, face_);
}

bool Command::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &LblMsg) {
        return QWidget::eventFilter(watched, event);
    }
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            UserControl_MouseDown(static_cast<QMouseEvent*>(event)->button());
            return true;
        case QEvent::MouseMove:
            UserControl_MouseMove();
            return true;
        case QEvent::MouseButtonRelease:
            UserControl_MouseUp(static_cast<QMouseEvent*>(event)->button());
            return true;
        default:
            return QWidget::eventFilter(watched, event);
    }
}

void Command::PaintSkin(Skin skin) {
    gradientReversed_ = GradientReversedFor(buttonState_, gradientReversed_ != 0) ? -1 : 0;
    const auto pieces = SkinPieces(width() * kTwipsPerPixel, height() * kTwipsPerPixel);

    if (face_.size() != size()) {
        face_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
    }
    face_.fill(Qt::transparent);
    PaintGradient();

    // A face too large for 16-bit twips keeps its gradient and goes without border.
    if (pieces) {
        const QImage& image = skins_[static_cast<std::size_t>(skin)];
        for (const SkinPiece& piece : *pieces) {
            const PixelPiece pixels = ToPixels(piece);
            DrawPiece(face_, pixels.dest, image, pixels.source);
        }
    }
    update();
    PlaceCaption();
    lastSkin_ = skin;
    ++paintCount_;
}

void Command::PaintGradient() {
    gradient_ = MakeButtonGradient(width(), height(), gradientReversed_ != 0);
    GradientFillRectV(face_, gradient_.vertices, gradient_.span);
}

void Command::PlaceCaption() {
    const double widthTwips = width() * kTwipsPerPixel;
    const double heightTwips = height() * kTwipsPerPixel;
    const double labelHeight = captionTwips_.height();
    captionTwips_ = QRectF(0.0, CaptionTopTwips(heightTwips, labelHeight), widthTwips, labelHeight);
    LblMsg.setGeometry(0, PixelsOfTwips(captionTwips_.top()), width(),
                       PixelsOfTwips(captionTwips_.height()));
}

void Command::ShowCaptionEnabled(bool enabled) {
    LblMsg.setEnabled(enabled);
}

bool Command::ApplyFontColour(quint32 colour) {
    QColor text;
    if ((colour & 0xFF000000u) == 0) {
        text = QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
    } else if ((colour & 0xFF000000u) == kSystemColourFlag) {
        const auto system = SystemColour(LblMsg.palette(), colour & 0x00FFFFFFu);
        if (!system) {
            return false;
        }
        text = *system;
    } else {
        return false;
    }
    QPalette palette = LblMsg.palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::WindowText, text);
    }
    LblMsg.setPalette(palette);
    fontColour_ = colour;
    return true;
}

bool Command::ApplyBodyStyle(std::int16_t style) {
    if (style != 0 && style != 1) {
        return false;
    }
    opaque_ = style == 1;
    update();
    return true;
}

QFont Command::ContainerFont() const {
    return parentWidget() != nullptr ? parentWidget()->font() : QApplication::font();
}

}  // namespace quillmere
