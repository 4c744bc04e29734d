// Tormalune_P: the settings dialog on Qt. The user picks the kind of background music (none, audio
// CD, music file), the CD track to repeat and the music file; "設定" stores them in the settings
// file and closes (or, when the file cannot be written, says so and stays), "ｷｬﾝｾﾙ" closes without
// storing. What the handlers decide is DialogLogic's (dialog_logic.h); this window builds the
// controls, places and draws itself, and carries out what the logic asks.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QTimer>
#include <QUrl>
#include <array>
#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dialog_controls.h"
#include "dialog_logic.h"
#include "settings.h"
#include "window_animation.h"

class QComboBox;
class QFileDialog;

namespace quillmere {

class Command;

// What the file chooser is asked for.
struct FileChooserRequest {
    QString title;
    QString folder;
    QString filter;
};

// The dialog's ways out to the desktop, replaceable so the dialog can be driven without them.
class Tormalune_PServices {
  public:
    virtual ~Tormalune_PServices() = default;
    // Shows the open-file dialog; the chosen file's path, or nothing when cancelled.
    virtual std::optional<QString> chooseFile(QWidget& owner, const FileChooserRequest&) = 0;
    // Opens an address (the manual's) in the user's browser; true when it was handed over.
    virtual bool openUrl(const QUrl&) = 0;
    // How long the opening and closing outline takes.
    virtual std::chrono::milliseconds animationTime() = 0;
};

// The open-file dialog and the desktop's browser, with the usual animation; one for the program.
Tormalune_PServices& DefaultDialogServices();

// The file chooser's filter: described as "BGMﾌｧｲﾙ (MP3 WAV)", matching MP3 and WAV files in any
// letter case on a file system that tells case apart.
QString MusicFileFilter();
QStringList MusicFilePatterns();

// Sets up Qt's own file dialog (the same on every desktop) for the request.
void ConfigureMusicFileDialog(QFileDialog& dialog, const FileChooserRequest& request);

class Tormalune_P : public QDialog, private DialogView {
    Q_OBJECT
  public:
    // Builds the dialog over the record and runs Form_Load; show it with exec().
    // The services are used for as long as the dialog lives.
    explicit Tormalune_P(SettingsRecord& settings = Settings,
                         Tormalune_PServices& services = DefaultDialogServices(),
                         QWidget* parent = nullptr);
    ~Tormalune_P() override;

    // Handlers, public so the dialog can be driven as the user would.
    void Img_BGM_MouseDown(int index);
    void lbl_BGM_MouseDown(int index);
    void Cmd_File_Click();
    void Cmd_Set_Click();
    void Cmd_Can_Click();
    void lbl_URL_Click();

    // The shaded background as drawn, every line of it (also those the client area cuts off).
    const QImage& BackgroundImage() const { return background_; }
    // What the web label opens.
    const QUrl& WebAddress() const { return webAddress_; }
    // The kind whose mark shows the selected picture, or -1 when none does.
    int MarkedKind() const;
    // The font that stands in for the platform's proportional Gothic.
    static QFont DialogFont();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // DialogView: what the logic asks for.
    void EnableRepeatBox(bool enabled) override;
    void EnableFileButton(bool enabled) override;
    void ShowMark(int kind, bool selected) override;
    void FillRepeatBox(const std::string& text, const std::vector<std::string>& items) override;
    std::string RepeatText() override;
    void ShowFileName(const std::string& path) override;
    std::optional<std::string> ChooseMusicFile(const MusicFileRequest& request) override;
    // Tells that the settings file could not be written; the dialog stays as it is.
    void ReportStoreFailure(const std::string& settingsFile) override;
    void CloseDialog() override;
    void OpenWebAddress() override;
    void SetScreenPointer(int pointer) override;
    void AnimateClose() override;

    void BuildControls();
    void Form_Load();
    void Form_Resize();
    void PrepareButtons();
    void TileBackground(PictureBox& target);
    void PlaceDialog();
    QPoint PlaceOfFrame(const QSize& outer) const;
    void CheckPlaceOnceFramed();

    Tormalune_PServices& services_;
    IniSettingsStore store_;
    DialogLogic logic_;
    QImage background_;
    QPixmap markUnselected_;  // Img_Ra(0)
    QPixmap markSelected_;    // Img_Ra(1)
    QUrl webAddress_;         // what the web label opens: the installed manual
    std::unique_ptr<RectAnimation> openAnimation_;
    QRect screenArea_;     // the screen the dialog is placed on
    QRect expectedOuter_;  // where the dialog's frame was asked to go
    QTimer frameCheck_;
    QElapsedTimer frameCheckClock_;

    // Containers come before what they hold, so the held controls go first on destruction.
    PictureBox Pic_C;
    PictureBox Pic_Mbl;
    ShapeFrame Shape3;
    std::array<PressLabel, 3> Img_BGM;
    std::array<PressLabel, 3> lbl_BGM;
    std::map<int, QLabel*> lbl;
    QLabel lbl7;
    QLabel lbl14;
    QLabel lbl15;
    PressLabel lbl_URL;
    PathLabel lbl_Fname;
    std::unique_ptr<QComboBox> BGM_Repeat;
    std::unique_ptr<Command> Cmd_File;
    std::unique_ptr<Command> Cmd_Set;
    std::unique_ptr<Command> Cmd_Can;
};

}  // namespace quillmere
