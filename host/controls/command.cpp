#include "command.h"

#include <QApplication>
#include <QCursor>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QResizeEvent>

namespace quillmere {

namespace {

// The platform's text colour for greyed-out captions.
const QColor kGreyedText(0xAC, 0xA8, 0x99);

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

// The platform's system colours (0x80000000 + index, index 0 to 30) in terms of the widget's
// palette.
QColor SystemColour(const QPalette& palette, std::uint8_t index) {
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
            return palette.color(QPalette::WindowText);
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
    resize(TwipsToPixels(kCommandWidthTwips), TwipsToPixels(kCommandHeightTwips));
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
    ApplyCaptionColour(*DecodeColourValue(0));
    const CaptionPlace place{kCaptionLeftTwips, kCaptionTopTwips, kCaptionWidthTwips,
                             kCaptionHeightTwips};
    captionTwips_ = QRectF(place.left, place.top, place.width, place.height);
    LblMsg.setGeometry(QRectOf(ToPixels(place)));
    // The caption is part of the button: its mouse events go to the button's handlers.
    LblMsg.setMouseTracking(true);
    LblMsg.installEventFilter(this);

    TmrMouse.setInterval(kPollIntervalMs);
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
    emit PropertyChanged(QString::fromLatin1(kSavedCaption));
}

bool Command::Enabled() {
    return machine_.Enabled();
}

void Command::SetEnabled(bool enabled) {
    machine_.SetEnabled(enabled);
}

QFont Command::Font() const {
    return LblMsg.font();
}

void Command::SetFont(const QFont& font) {
    LblMsg.setFont(font);
    emit PropertyChanged(QString::fromLatin1(kSavedFont));
}

quint32 Command::FontColour() {
    return machine_.FontColour();
}

void Command::SetFontColour(quint32 colour) {
    machine_.SetFontColour(colour);
}

quint8 Command::Visible() {
    return machine_.Visible();
}

void Command::SetVisible(quint8 visible) {
    machine_.SetVisible(visible);
}

void Command::Initialize() {
    machine_.Initialize();
}

void Command::ReadProperties(const PropertyBag& bag) {
    // In the order of loading; a value that does not convert leaves its field as it was.
    LoadedFlags loaded;
    loaded.enabled = SavedBool(bag.Read(kSavedEnabled, kDefaultEnabled));
    if (const auto caption =
            SavedText(bag.Read(kSavedCaption, QString::fromLatin1(kDefaultCaption)))) {
        LblMsg.setText(*caption);
    }
    const QVariant font = bag.Read(kSavedFont, ContainerFont());
    if (font.typeId() == QMetaType::QFont) {
        LblMsg.setFont(font.value<QFont>());
    } else if (font.typeId() == QMetaType::QString) {
        QFont parsed;
        if (parsed.fromString(font.toString())) {
            LblMsg.setFont(parsed);
        }
    }
    loaded.firstRun = SavedByte(bag.Read(kSavedFirstRun, QString::fromLatin1(kDefaultFirstRun)));
    loaded.fontColour =
        SavedColour(bag.Read(kSavedFontColour, QString::fromLatin1(kDefaultFontColour)));
    loaded.bodyStyle = SavedInt16(bag.Read(kSavedVisible, QString::fromLatin1(kDefaultVisible)));
    machine_.ReadProperties(loaded);
}

void Command::WriteProperties(PropertyBag& bag) {
    bag.SetClassName(QString::fromLatin1(kClassName));
    const SavedFlags flags = machine_.WriteProperties();
    bag.Write(kSavedEnabled, flags.enabled, kDefaultEnabled);
    bag.Write(kSavedCaption, LblMsg.text(), QString::fromLatin1(kDefaultCaption));
    bag.Write(kSavedFirstRun, static_cast<uint>(flags.firstRun),
              QString::fromLatin1(kDefaultFirstRun));
    bag.Write(kSavedFont, LblMsg.font(), ContainerFont());
    bag.Write(kSavedFontColour, flags.fontColour, QString::fromLatin1(kDefaultFontColour));
    bag.Write(kSavedVisible, static_cast<int>(flags.bodyStyle),
              QString::fromLatin1(kDefaultVisible));
}

void Command::PollHover() {
    machine_.TmrMouse_Timer();
}

bool Command::PointerOverControl() {
    return PointerOverButton(QCursor::pos());
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

int Command::ButtonCode(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return kLeftButton;
        case Qt::RightButton:
            return kRightButton;
        case Qt::MiddleButton:
            return kMiddleButton;
        default:
            return 0;
    }
}

void Command::mousePressEvent(QMouseEvent* event) {
    machine_.UserControl_MouseDown(ButtonCode(event->button()));
}

void Command::mouseMoveEvent(QMouseEvent*) {
    machine_.UserControl_MouseMove();
}

void Command::mouseReleaseEvent(QMouseEvent* event) {
    machine_.UserControl_MouseUp(ButtonCode(event->button()));
}

void Command::focusInEvent(QFocusEvent* event) {
    // Switching to another window and back is not a focus change of the dialog's controls.
    if (event->reason() != Qt::ActiveWindowFocusReason) {
        machine_.UserControl_GotFocus();
    }
}

void Command::focusOutEvent(QFocusEvent* event) {
    if (event->reason() != Qt::ActiveWindowFocusReason) {
        machine_.UserControl_LostFocus();
    }
}

void Command::resizeEvent(QResizeEvent*) {
    machine_.UserControl_Resize();
}

void Command::paintEvent(QPaintEvent*) {
    // Only shows what the last PaintSkin kept; a transparent body shows nothing but the caption.
    if (!machine_.Opaque() || face_.isNull()) {
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
            machine_.UserControl_MouseDown(ButtonCode(static_cast<QMouseEvent*>(event)->button()));
            return true;
        case QEvent::MouseMove:
            machine_.UserControl_MouseMove();
            return true;
        case QEvent::MouseButtonRelease:
            machine_.UserControl_MouseUp(ButtonCode(static_cast<QMouseEvent*>(event)->button()));
            return true;
        default:
            return QWidget::eventFilter(watched, event);
    }
}

void Command::PaintSkin(CommandSkin skin, bool gradientReversed) {
    const FacePlan plan = PlanFace(width(), height(), gradientReversed, captionTwips_.height());

    if (face_.size() != size()) {
        face_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
    }
    face_.fill(Qt::transparent);
    gradient_ = plan.gradient;
    GradientFillRectV(face_, gradient_.vertices, gradient_.span);
    if (plan.pieces) {
        const QImage& image = skins_[static_cast<std::size_t>(skin)];
        for (const PixelPiece& piece : *plan.pieces) {
            DrawPiece(face_, QRectOf(piece.dest), image, QRectOf(piece.source));
        }
    }
    update();
    captionTwips_ =
        QRectF(plan.caption.left, plan.caption.top, plan.caption.width, plan.caption.height);
    LblMsg.setGeometry(QRectOf(ToPixels(plan.caption)));
    lastSkin_ = skin;
    ++paintCount_;
}

void Command::ShowCaptionEnabled(bool enabled) {
    LblMsg.setEnabled(enabled);
}

void Command::ApplyCaptionColour(const ColourValue& colour) {
    const QColor text = colour.system ? SystemColour(LblMsg.palette(), colour.systemIndex)
                                      : QColor(colour.rgb.red, colour.rgb.green, colour.rgb.blue);
    QPalette palette = LblMsg.palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::WindowText, text);
    }
    LblMsg.setPalette(palette);
}

void Command::ApplyBodyStyle(bool) {
    update();
}

void Command::StartPollTimer(int intervalMs) {
    TmrMouse.setInterval(intervalMs);
    TmrMouse.start();
}

void Command::NotifyPropertyChanged(std::string_view name) {
    emit PropertyChanged(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
}

void Command::RaiseClick() {
    emit Click();
}

QFont Command::ContainerFont() const {
    return parentWidget() != nullptr ? parentWidget()->font() : QApplication::font();
}

}  // namespace quillmere
