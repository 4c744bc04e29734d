#include "tormalune_p.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QSettings>
#include <algorithm>
#include <limits>

#include "command.h"
#include "dialog_layout.h"
#include "file_writing.h"
#include "last_api_result.h"
#include "manual_address.h"
#include "screen_pointer.h"
#include "x11_window_frame.h"

namespace quillmere {

namespace {

constexpr int kAddressGap = 8;  // pixels between the web label and the buttons

// How long the window manager gets to say which frame it will draw, and to draw it.
constexpr std::chrono::milliseconds kFrameRequestTime{500};
constexpr std::chrono::milliseconds kFrameCheckInterval{20};
constexpr std::chrono::milliseconds kFrameCheckTime{5000};

QNativeInterface::QX11Application* X11Application() {
    return qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                              : nullptr;
}

// The frame the window manager will put around the window, asked before the window is shown;
// none when there is no window manager, or it does not say.
QMargins ExpectedFrame(QWidget& window) {
    QNativeInterface::QX11Application* x11 = X11Application();
    if (x11 == nullptr || x11->display() == nullptr) {
        return {};
    }
    const std::optional<x11::FrameExtents> frame =
        x11::RequestFrameExtents(x11->display(), window.winId(), kFrameRequestTime);
    if (!frame) {
        return {};
    }
    return QMargins(frame->left, frame->top, frame->right, frame->bottom);
}

QRect PixelsOf(const dialog_layout::TwipRect& place) {
    const dialog_layout::PixelRect r = dialog_layout::ToPixels(place);
    return QRect(r.x, r.y, r.width, r.height);
}

QPoint PixelPointOf(const dialog_layout::TwipRect& place) {
    return QPoint(dialog_layout::TwipsToPixels(place.left),
                  dialog_layout::TwipsToPixels(place.top));
}

void SetTextColour(QWidget& widget, const QColor& colour) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::WindowText, colour);
    widget.setPalette(palette);
}

// Labels that size themselves to their text keep only their place's left and top.
void PlaceAutoSizeLabel(QLabel& label, QWidget& parent, const dialog_layout::TwipRect& place,
                        const QString& text, const QColor& colour) {
    label.setParent(&parent);
    label.setText(text);
    label.setTextFormat(Qt::PlainText);
    SetTextColour(label, colour);
    label.move(PixelPointOf(place));
    label.adjustSize();
}

std::int16_t Clamp16(int value) {
    return static_cast<std::int16_t>(std::clamp<int>(
        value, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

// Paths are kept as the file system's bytes; Qt shows and takes them as text.
QString PathText(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string PathBytes(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Qt's file dialog keeps its state (history, sizes) in a QtProject.conf of the user's settings
// folder; ours is the folder of the settings file, so the state goes there.
void KeepFileDialogStateWithSettings() {
    const QString folder = PathText(FolderOfPath(SettingsFilePath()));
    if (folder.isEmpty()) {
        return;
    }
    if (!QFileInfo::exists(folder) && QDir().mkpath(folder)) {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

QPixmap LoadPicture(const char* resource) {
    QPixmap picture;
    picture.load(QString::fromLatin1(resource));
    return picture;
}

// The saved properties of a button as the dialog's layout holds them: its caption and font.
void LoadButton(Command& button, const QString& caption, const QFont& font) {
    PropertyBag bag;
    bag.Write("Caption", caption, QStringLiteral("Command1"));
    bag.Write("Font", font, QFont());
    button.ReadProperties(bag);
}

}  // namespace

QStringList MusicFilePatterns() {
    // Name filters follow the file system's letter case; the sets make them match any case.
    return {QStringLiteral("*.[mM][pP]3"), QStringLiteral("*.[wW][aA][vV]")};
}

QString MusicFileFilter() {
    // The file dialog shows the text before the last bracketed pattern list.
    return QString::fromUtf8(kMusicFilterName) + QStringLiteral(" (") +
           MusicFilePatterns().join(u' ') + u')';
}

void ConfigureMusicFileDialog(QFileDialog& dialog, const FileChooserRequest& request) {
    dialog.setWindowTitle(request.title);
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(request.filter);
    dialog.setDirectory(request.folder);
}

namespace {

class DesktopServices final : public Tormalune_PServices {
  public:
    std::optional<QString> chooseFile(QWidget& owner, const FileChooserRequest& request) override {
        KeepFileDialogStateWithSettings();
        QFileDialog dialog(&owner);
        ConfigureMusicFileDialog(dialog, request);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        const QStringList chosen = dialog.selectedFiles();
        if (chosen.isEmpty() || chosen.first().isEmpty()) {
            return std::nullopt;
        }
        return chosen.first();
    }
    bool openUrl(const QUrl& address) override { return QDesktopServices::openUrl(address); }
    std::chrono::milliseconds animationTime() override { return kWindowAnimationTime; }
};

}  // namespace

Tormalune_PServices& DefaultDialogServices() {
    static DesktopServices services;
    return services;
}

QFont Tormalune_P::DialogFont() {
    const QStringList families = QFontDatabase::families();
    QFont font;
    for (const char* name : {"MS PGothic", "ＭＳ Ｐゴシック", "IPAPGothic", "Noto Sans CJK JP"}) {
        const QString family = QString::fromUtf8(name);
        if (families.contains(family)) {
            font.setFamily(family);
            break;
        }
    }
    font.setPixelSize(13);
    font.setWeight(QFont::Normal);
    return font;
}

Tormalune_P::Tormalune_P(SettingsRecord& settings, Tormalune_PServices& services, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint),
      services_(services),
      logic_(settings, *this, store_) {
    frameCheck_.setInterval(kFrameCheckInterval);
    connect(&frameCheck_, &QTimer::timeout, this, &Tormalune_P::CheckPlaceOnceFramed);
    BuildControls();
    Form_Load();
}

Tormalune_P::~Tormalune_P() = default;

void Tormalune_P::BuildControls() {
    namespace layout = dialog_layout;
    setObjectName(QStringLiteral("Tormalune_P"));
    setWindowTitle(QString::fromUtf8(layout::kDialogCaption));
    setWindowIcon(QApplication::windowIcon().isNull() ? QIcon(QStringLiteral(":/dialog/icon.png"))
                                                      : QApplication::windowIcon());
    setFixedSize(dialog_layout::TwipsToPixels(layout::kClientWidth),
                 dialog_layout::TwipsToPixels(layout::kClientHeight));
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor::fromRgb(dialog_layout::kDialogBackColour));
    setPalette(palette);
    const QFont font = DialogFont();
    setFont(font);

    markUnselected_ = LoadPicture(":/dialog/mark_unselected.png");
    markSelected_ = LoadPicture(":/dialog/mark_selected.png");

    Pic_C.setParent(this);
    Pic_C.setObjectName(QStringLiteral("Pic_C"));
    Pic_C.setGeometry(PixelsOf(layout::Pic_C));
    Pic_C.SetSurface(Pic_C.width(), Pic_C.height(),
                     QColor::fromRgb(dialog_layout::kPanelBackColour));
    Pic_C.SetBorder(true);

    // Holds the tile only; it lies below the client area and is never shown.
    Pic_Mbl.setParent(this);
    Pic_Mbl.setObjectName(QStringLiteral("Pic_Mbl"));
    Pic_Mbl.setGeometry(PixelsOf(layout::Pic_Mbl));
    Pic_Mbl.SetSurface(Pic_Mbl.width(), Pic_Mbl.height(),
                       QColor::fromRgb(dialog_layout::kDialogBackColour));
    Pic_Mbl.DrawImage(QImage(QStringLiteral(":/dialog/panel_tile.bmp")), QPoint(0, 0));
    Pic_Mbl.hide();

    Shape3.setParent(&Pic_C);
    Shape3.setObjectName(QStringLiteral("Shape3"));
    Shape3.setGeometry(PixelsOf(layout::Shape3));

    lbl15.setParent(&Pic_C);
    lbl15.setObjectName(QStringLiteral("lbl15"));
    lbl15.setText(QString::fromUtf8(layout::kPanelHeading));
    lbl15.setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    SetTextColour(lbl15, Qt::black);
    lbl15.setGeometry(PixelsOf(layout::lbl15));

    for (int i = 0; i < 3; ++i) {
        Img_BGM[i].setParent(&Pic_C);
        Img_BGM[i].setObjectName(QStringLiteral("Img_BGM%1").arg(i));
        Img_BGM[i].setAlignment(Qt::AlignLeft | Qt::AlignTop);
        Img_BGM[i].setGeometry(PixelsOf(layout::Img_BGM[i]));
        connect(&Img_BGM[i], &PressLabel::MouseDown, this, [this, i] { Img_BGM_MouseDown(i); });

        lbl_BGM[i].setObjectName(QStringLiteral("lbl_BGM%1").arg(i));
        PlaceAutoSizeLabel(lbl_BGM[i], Pic_C, layout::lbl_BGM[i],
                           QString::fromUtf8(layout::kKindNames[i]), Qt::black);
        connect(&lbl_BGM[i], &PressLabel::MouseDown, this, [this, i] { lbl_BGM_MouseDown(i); });
    }

    BGM_Repeat = std::make_unique<QComboBox>(&Pic_C);
    BGM_Repeat->setObjectName(QStringLiteral("BGM_Repeat"));
    BGM_Repeat->setEditable(true);
    // Typed text is only read on storing; it never becomes a list item.
    BGM_Repeat->setInsertPolicy(QComboBox::NoInsert);
    BGM_Repeat->setGeometry(PixelsOf(layout::BGM_Repeat));
    QPalette white = BGM_Repeat->palette();
    white.setColor(QPalette::Base, Qt::white);
    BGM_Repeat->setPalette(white);

    lbl14.setObjectName(QStringLiteral("lbl14"));
    PlaceAutoSizeLabel(lbl14, Pic_C, layout::lbl14, QString::fromUtf8(layout::kRepeatCaption),
                       Qt::black);

    Cmd_File = std::make_unique<Command>(&Pic_C);
    Cmd_File->setObjectName(QStringLiteral("Cmd_File"));
    Cmd_File->setGeometry(PixelsOf(layout::Cmd_File));
    LoadButton(*Cmd_File, QString::fromUtf8(layout::kFileButtonCaption), font);
    connect(Cmd_File.get(), &Command::Click, this, &Tormalune_P::Cmd_File_Click);

    lbl_Fname.setParent(&Pic_C);
    lbl_Fname.setObjectName(QStringLiteral("lbl_Fname"));
    SetTextColour(lbl_Fname, Qt::black);
    lbl_Fname.setGeometry(PixelsOf(layout::lbl_Fname));

    lbl7.setObjectName(QStringLiteral("lbl7"));
    PlaceAutoSizeLabel(lbl7, *this, layout::lbl7, QString::fromUtf8(layout::kCreditLine),
                       Qt::white);

    QFont underlined = font;
    underlined.setUnderline(true);
    lbl_URL.setObjectName(QStringLiteral("lbl_URL"));
    lbl_URL.setFont(underlined);
    webAddress_ = ManualAddressOfThisProgram();
    const QString address = webAddress_.toDisplayString();
    PlaceAutoSizeLabel(lbl_URL, *this, layout::lbl_URL, address, Qt::white);
    // A long address is shortened in its middle so that it ends before the buttons.
    const int room =
        dialog_layout::TwipsToPixels(layout::Cmd_Set.left - layout::lbl_URL.left) - kAddressGap;
    if (lbl_URL.width() > room) {
        lbl_URL.setText(lbl_URL.fontMetrics().elidedText(address, Qt::ElideMiddle, room));
        lbl_URL.adjustSize();
    }
    lbl_URL.setToolTip(address);
    const QPixmap hand = LoadPicture(":/dialog/cursor_hand.png");
    lbl_URL.setCursor(hand.isNull() ? QCursor(Qt::PointingHandCursor) : QCursor(hand, 12, 10));
    connect(&lbl_URL, &PressLabel::Clicked, this, &Tormalune_P::lbl_URL_Click);

    Cmd_Set = std::make_unique<Command>(this);
    Cmd_Set->setObjectName(QStringLiteral("Cmd_Set"));
    Cmd_Set->setGeometry(PixelsOf(layout::Cmd_Set));
    LoadButton(*Cmd_Set, QString::fromUtf8(layout::kSetCaption), font);
    connect(Cmd_Set.get(), &Command::Click, this, &Tormalune_P::Cmd_Set_Click);

    Cmd_Can = std::make_unique<Command>(this);
    Cmd_Can->setObjectName(QStringLiteral("Cmd_Can"));
    Cmd_Can->setGeometry(PixelsOf(layout::Cmd_Can));
    LoadButton(*Cmd_Can, QString::fromUtf8(layout::kCancelCaption), font);
    connect(Cmd_Can.get(), &Command::Click, this, &Tormalune_P::Cmd_Can_Click);

    lbl = {{7, &lbl7}, {14, &lbl14}, {15, &lbl15}};
}

QPoint Tormalune_P::PlaceOfFrame(const QSize& outer) const {
    const long long t = kTwipsPerPixel;
    const dialog_layout::Point place = dialog_layout::DialogPlacement(
        screenArea_.width() * t, screenArea_.height() * t, outer.width() * t, outer.height() * t);
    return screenArea_.topLeft() +
           QPoint(dialog_layout::TwipsToPixels(place.x), dialog_layout::TwipsToPixels(place.y));
}

void Tormalune_P::PlaceDialog() {
    const QScreen* screen = this->screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return;
    }
    screenArea_ = screen->geometry();
    // The place is the frame's: the window manager's frame counts in the dialog's outer size.
    const QMargins frame = ExpectedFrame(*this);
    const QSize outer = size().grownBy(frame);
    expectedOuter_ = QRect(PlaceOfFrame(outer), outer);
    // The client area is placed, not the frame: the toolkit cannot yet turn a frame's place into
    // the window's, and a window manager puts a window given this way exactly there.
    setGeometry(QRect(expectedOuter_.topLeft() + QPoint(frame.left(), frame.top()), size()));
}

void Tormalune_P::CheckPlaceOnceFramed() {
    QNativeInterface::QX11Application* x11 = X11Application();
    const std::optional<x11::WindowPlace> now =
        x11 != nullptr ? x11::PlaceOnScreen(x11->display(), winId()) : std::nullopt;
    if (!now) {
        if (x11 == nullptr || frameCheckClock_.hasExpired(kFrameCheckTime.count())) {
            frameCheck_.stop();
        }
        return;
    }
    frameCheck_.stop();
    // Where the window manager did not tell its frame in advance, the dialog moves once now.
    const QRect outer(now->outer.x, now->outer.y, now->outer.width, now->outer.height);
    const QPoint shift = PlaceOfFrame(outer.size()) - outer.topLeft();
    if (!shift.isNull()) {
        setGeometry(QRect(QPoint(now->clientX, now->clientY) + shift, size()));
    }
}

void Tormalune_P::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!frameCheck_.isActive() && !screenArea_.isEmpty()) {
        frameCheckClock_.start();
        frameCheck_.start();
    }
}

void Tormalune_P::Form_Load() {
    PlaceDialog();
    PrepareButtons();
    TileBackground(Pic_C);
    logic_.Form_Load();

    const QPoint cursor = QCursor::pos();
    LastApiResult = 1;
    AnimPointX = Clamp16(cursor.x());
    AnimPointY = Clamp16(cursor.y());
    // Runs while the dialog appears: the dialog is not held back for it.
    openAnimation_ = AnimateWindowOpen(expectedOuter_.isEmpty() ? frameGeometry() : expectedOuter_,
                                       services_.animationTime());
    SetScreenMousePointer(kPointerDefault);
}

void Tormalune_P::PrepareButtons() {
    for (Command* button : findChildren<Command*>()) {
        button->Initialize();
    }
}

void Tormalune_P::TileBackground(PictureBox& target) {
    const int w = Pic_Mbl.width();
    const int h = Pic_Mbl.height();
    for (const dialog_layout::Point& at :
         dialog_layout::TilePositions(w, h, target.width(), target.height())) {
        target.CopyImage(Pic_Mbl.Surface(), QRect(0, 0, w, h), QPoint(at.x, at.y));
        LastApiResult = Pic_Mbl.Surface().isNull() ? 0 : 1;
    }
}

int Tormalune_P::MarkedKind() const {
    for (int i = 0; i < static_cast<int>(Img_BGM.size()); ++i) {
        if (Img_BGM[i].property("selected").toBool()) {
            return i;
        }
    }
    return -1;
}

void Tormalune_P::Img_BGM_MouseDown(int index) {
    logic_.Img_BGM_MouseDown(index);
}

void Tormalune_P::lbl_BGM_MouseDown(int index) {
    logic_.lbl_BGM_MouseDown(index);
}

void Tormalune_P::Cmd_File_Click() {
    logic_.Cmd_File_Click();
}

void Tormalune_P::Cmd_Set_Click() {
    logic_.Cmd_Set_Click();
}

void Tormalune_P::Cmd_Can_Click() {
    logic_.Cmd_Can_Click();
}

void Tormalune_P::lbl_URL_Click() {
    logic_.lbl_URL_Click();
}

void Tormalune_P::EnableRepeatBox(bool enabled) {
    BGM_Repeat->setEnabled(enabled);
}

void Tormalune_P::EnableFileButton(bool enabled) {
    Cmd_File->SetEnabled(enabled);
}

void Tormalune_P::ShowMark(int kind, bool selected) {
    PressLabel& mark = Img_BGM.at(static_cast<std::size_t>(kind));
    mark.setPixmap(selected ? markSelected_ : markUnselected_);
    mark.setProperty("selected", selected);
}

void Tormalune_P::FillRepeatBox(const std::string& text, const std::vector<std::string>& items) {
    BGM_Repeat->clear();
    // The list goes in first: the first item added to an empty box would replace the text.
    for (const std::string& item : items) {
        BGM_Repeat->addItem(QString::fromStdString(item));
    }
    BGM_Repeat->setCurrentIndex(-1);
    BGM_Repeat->setEditText(QString::fromStdString(text));
}

std::string Tormalune_P::RepeatText() {
    return BGM_Repeat->currentText().toStdString();
}

void Tormalune_P::ShowFileName(const std::string& path) {
    lbl_Fname.setText(PathText(path));
}

std::optional<std::string> Tormalune_P::ChooseMusicFile(const MusicFileRequest& request) {
    FileChooserRequest asked;
    asked.title = QString::fromStdString(request.title);
    // Qt's filter takes the description and matches the patterns in any letter case.
    asked.filter = MusicFileFilter();
    asked.folder = PathText(request.folder.empty() ? HomeFolder() : request.folder);
    const std::optional<QString> chosen = services_.chooseFile(*this, asked);
    if (!chosen) {
        return std::nullopt;
    }
    return PathBytes(*chosen);
}

void Tormalune_P::ReportStoreFailure(const std::string& settingsFile) {
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kStoreFailureTitle),
                    QString::fromStdString(StoreFailureText(PathText(settingsFile).toStdString())),
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("StoreFailure"));
    box.setTextFormat(Qt::PlainText);
    box.setFont(DialogFont());
    box.exec();
}

void Tormalune_P::CloseDialog() {
    close();
}

void Tormalune_P::OpenWebAddress() {
    services_.openUrl(webAddress_);
}

void Tormalune_P::SetScreenPointer(int pointer) {
    SetScreenMousePointer(pointer);
}

void Tormalune_P::AnimateClose() {
    if (openAnimation_) {
        openAnimation_->Stop();
    }
    AnimateWindowClose(*this, services_.animationTime());
}

void Tormalune_P::Form_Resize() {
    const std::vector<dialog_layout::Rgb> lines = dialog_layout::BackgroundLineColours(height());
    const int w = std::max(width(), 1);
    background_ = QImage(w, std::max<int>(lines.size(), 1), QImage::Format_RGB32);
    background_.fill(QColor::fromRgb(dialog_layout::kDialogBackColour));
    for (int y = 0; y < static_cast<int>(lines.size()); ++y) {
        const QRgb colour = qRgb(lines[y].red, lines[y].green, lines[y].blue);
        std::fill_n(reinterpret_cast<QRgb*>(background_.scanLine(y)), w, colour);
    }
    update();
}

void Tormalune_P::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    Form_Resize();
}

void Tormalune_P::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, background_);
}

void Tormalune_P::closeEvent(QCloseEvent* event) {
    logic_.Form_Unload();
    QDialog::closeEvent(event);
}

void Tormalune_P::keyPressEvent(QKeyEvent* event) {
    // The dialog has no cancel key: Escape does not close it.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace quillmere
