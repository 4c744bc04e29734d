// The settings dialog on Qt's offscreen platform: driven through its controls and handlers, its
// settings file checked byte for byte, its drawing read back as pixels.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFontDatabase>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "command.h"
#include "dialog_controls.h"
#include "ini_file.h"
#include "last_api_result.h"
#include "manual_address.h"
#include "screen_pointer.h"
#include "settings.h"
#include "test_support.h"
#include "tormalune_p.h"

namespace {

using namespace std::chrono_literals;
using quillmere::Command;
using quillmere::FileChooserRequest;
using quillmere::LastApiResult;
using quillmere::PathLabel;
using quillmere::PictureBox;
using quillmere::PressLabel;
using quillmere::SettingsRecord;
using quillmere::Tormalune_P;
using quillmere::Tormalune_PServices;
using testsupport::TempDir;

// The key names as the file holds them (CP932).
const std::string kKindCp = "BGM\x8B\xE6\x95\xAA";
const std::string kRepeatCp = "BGM\xD8\xCB\xDF\xB0\xC4";
const std::string kFileCp = "BGM\xCC\xA7\xB2\xD9";

std::string FileText(const std::string& path) {
    const std::vector<std::uint8_t> bytes = testsupport::ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

bool NoVisibleTopLevelBut(const QWidget* allowed) {
    for (const QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w != allowed) {
            return false;
        }
    }
    return true;
}

class DialogTest : public ::testing::Test {
  protected:
    // One application for the suite, gone before the program's static objects are.
    static void SetUpTestSuite() {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    static void TearDownTestSuite() { app_.reset(); }

    void SetUp() override {
        setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
        setenv("HOME", dir_.path().c_str(), 1);
    }

    // The file chooser answers as the test says and records what it was asked; nothing reaches
    // the desktop unless a test asks for it.
    class Services final : public Tormalune_PServices {
      public:
        explicit Services(DialogTest& test) : test_(test) {}
        std::optional<QString> chooseFile(QWidget& owner,
                                          const FileChooserRequest& request) override {
            test_.requests_.push_back(request);
            test_.owners_.push_back(&owner);
            return test_.chooserAnswer_;
        }
        bool openUrl(const QUrl& address) override {
            return desktop ? quillmere::DefaultDialogServices().openUrl(address) : true;
        }
        std::chrono::milliseconds animationTime() override { return animation; }

        bool desktop = false;
        std::chrono::milliseconds animation = 0ms;

      private:
        DialogTest& test_;
    };

    std::unique_ptr<Tormalune_P> Make() {
        return std::make_unique<Tormalune_P>(record_, services_);
    }

    template <typename T>
    static T* Child(Tormalune_P& dialog, const char* name) {
        T* child = dialog.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    std::string SettingsFile() const { return dir_ / "config/Quillmere/Quillmere.ini"; }

    TempDir dir_;
    SettingsRecord record_;
    std::optional<QString> chooserAnswer_;
    std::vector<FileChooserRequest> requests_;
    std::vector<QWidget*> owners_;
    Services services_{*this};

    static inline int argc_ = 1;
    static inline char name_[] = "dialog_tests";
    static inline char* argv_[] = {name_, nullptr};
    static inline std::unique_ptr<QApplication> app_;
};

TEST_F(DialogTest, EnabledStatesAndMarkFollowTheLoadedKind) {
    const struct {
        std::int16_t kind;
        bool repeatEnabled;
        bool fileEnabled;
        int marked;
    } cases[] = {{0, false, false, 0},  {1, true, false, 1},    {2, false, true, 2},
                 {7, false, false, -1}, {-1, false, false, -1}, {3, false, false, -1}};
    for (const auto& c : cases) {
        record_.BgmKind = c.kind;
        auto dialog = Make();
        EXPECT_EQ(Child<QComboBox>(*dialog, "BGM_Repeat")->isEnabled(), c.repeatEnabled) << c.kind;
        EXPECT_EQ(Child<Command>(*dialog, "Cmd_File")->Enabled(), c.fileEnabled) << c.kind;
        EXPECT_EQ(dialog->MarkedKind(), c.marked) << c.kind;
        EXPECT_EQ(record_.BgmKind, c.kind) << "loading changes nothing";
        // The marks show the two pictures: selected on the marked one only.
        for (int i = 0; i < 3; ++i) {
            const QPixmap shown =
                Child<PressLabel>(*dialog, qPrintable(QStringLiteral("Img_BGM%1").arg(i)))
                    ->pixmap();
            EXPECT_EQ(shown.size(), QSize(12, 12)) << c.kind << " mark " << i;
            const QPixmap expected(i == c.marked ? ":/dialog/mark_selected.png"
                                                 : ":/dialog/mark_unselected.png");
            EXPECT_TRUE(shown.toImage() == expected.toImage()) << c.kind << " mark " << i;
        }
    }
}

TEST_F(DialogTest, AnyMouseButtonOnAMarkOrLabelChoosesItsKind) {
    const struct {
        const char* control;
        Qt::MouseButton button;
        int kind;
    } cases[] = {
        {"Img_BGM1", Qt::LeftButton, 1},   {"lbl_BGM2", Qt::RightButton, 2},
        {"Img_BGM0", Qt::MiddleButton, 0}, {"lbl_BGM1", Qt::LeftButton, 1},
        {"Img_BGM2", Qt::RightButton, 2},  {"lbl_BGM0", Qt::RightButton, 0},
    };
    record_.BgmKind = 7;
    record_.BgmFile = "/music/a.mp3";
    auto dialog = Make();
    dialog->show();
    auto* repeat = Child<QComboBox>(*dialog, "BGM_Repeat");
    auto* file = Child<Command>(*dialog, "Cmd_File");
    for (const auto& c : cases) {
        QTest::mousePress(Child<QWidget>(*dialog, c.control), c.button, {}, QPoint(3, 3));
        EXPECT_EQ(record_.BgmKind, c.kind) << c.control;
        EXPECT_EQ(dialog->MarkedKind(), c.kind) << c.control;
        EXPECT_EQ(repeat->isEnabled(), c.kind == 1) << c.control;
        EXPECT_EQ(file->Enabled(), c.kind == 2) << c.control;
        EXPECT_EQ(record_.BgmFile, "/music/a.mp3") << "the file stays";
        EXPECT_EQ(Child<PathLabel>(*dialog, "lbl_Fname")->text(), "/music/a.mp3");
    }
    EXPECT_FALSE(testsupport::PathExists(SettingsFile())) << "choosing writes nothing";
}

TEST_F(DialogTest, RepeatBoxListsEmptyAndOneToThirtyAndShowsTheStoredNumber) {
    const struct {
        std::int16_t repeat;
        const char* text;
    } cases[] = {{0, ""}, {7, "7"}, {30, "30"}, {45, "45"}, {-3, "-3"}};
    for (const auto& c : cases) {
        record_.BgmRepeat = c.repeat;
        auto dialog = Make();
        auto* repeat = Child<QComboBox>(*dialog, "BGM_Repeat");
        EXPECT_TRUE(repeat->isEditable());
        EXPECT_EQ(repeat->currentText(), QString::fromUtf8(c.text)) << c.repeat;
        ASSERT_EQ(repeat->count(), 31);
        EXPECT_EQ(repeat->itemText(0), "");
        for (int i = 1; i <= 30; ++i) {
            EXPECT_EQ(repeat->itemText(i), QString::number(i));
        }
        EXPECT_EQ(repeat->palette().color(QPalette::Base), QColor(Qt::white));
    }
}

struct StoreCase {
    const char* what;
    std::int16_t kind;
    QString repeatText;
    std::string file;
    std::string kindText;
    std::string repeatValue;
    std::string fileBytes;
    std::int16_t storedRepeat;
};

TEST_F(DialogTest, StoreWritesTheThreeKeysAndCloses) {
    const StoreCase cases[] = {
        {"audio CD, track 7", 1, "7", "", " 1", " 7", "", 7},
        {"blank repeat is 0", 1, "", "", " 1", " 0", "", 0},
        {"halves go to the even number", 1, "2.5", "", " 1", " 2", "", 2},
        {"and up from an odd one", 1, "3.5", "", " 1", " 4", "", 4},
        {"negative kept", 1, "-3", "", " 1", "-3", "", -3},
        {"beyond the list kept", 1, "45", "", " 1", " 45", "", 45},
        {"letters are 0", 1, "abc", "", " 1", " 0", "", 0},
        {"full-width digits count", 1, QStringLiteral("１２"), "", " 1", " 12", "", 12},
        {"beyond 16 bits is 0", 1, "99999", "", " 1", " 0", "", 0},
        {"music file with Japanese and blanks", 2, "", "/home/u/My Music/曲 1.mp3", " 2", " 0",
         "/home/u/My Music/\x8B\xC8 1.mp3", 0},
        {"the path is stored whatever the kind", 0, "", "/m/a.wav", " 0", " 0", "/m/a.wav", 0},
        {"a kind from a hand-edited file goes back as it was", 7, "", "", " 7", " 0", "", 0},
        {"negative kind", -1, "", "", "-1", " 0", "", 0},
    };
    for (const StoreCase& c : cases) {
        std::remove(SettingsFile().c_str());
        record_.BgmKind = c.kind;
        record_.BgmRepeat = 5;
        record_.BgmFile = c.file;
        auto dialog = Make();
        dialog->show();
        Child<QComboBox>(*dialog, "BGM_Repeat")->setEditText(c.repeatText);
        emit Child<Command>(*dialog, "Cmd_Set")->Click();
        EXPECT_EQ(FileText(SettingsFile()), "[Section]\r\n" + kKindCp + "=" + c.kindText + "\r\n" +
                                                kRepeatCp + "=" + c.repeatValue + "\r\n" + kFileCp +
                                                "=" + c.fileBytes + "\r\n")
            << c.what;
        EXPECT_EQ(record_.BgmRepeat, c.storedRepeat) << c.what;
        EXPECT_EQ(record_.BgmKind, c.kind) << c.what;
        EXPECT_FALSE(dialog->isVisible()) << c.what;
        // What was stored reads back as the loading expects it.
        EXPECT_EQ(quillmere::ReadIniString("Section", "BGMﾌｧｲﾙ", SettingsFile()), c.file) << c.what;
    }
}

TEST_F(DialogTest, StoreKeepsWhatElseTheFileHolds) {
    std::filesystem::create_directories(dir_ / "config/Quillmere");
    testsupport::WriteFile(SettingsFile(), "; mine\r\n[Other]\r\nA=1\r\n[Section]\r\n" + kKindCp +
                                               "= 1\r\n" + kFileCp + "=/old.mp3\r\n");
    record_.BgmKind = 1;
    auto dialog = Make();
    emit Child<Command>(*dialog, "Cmd_Set")->Click();
    EXPECT_EQ(FileText(SettingsFile()), "; mine\r\n[Other]\r\nA=1\r\n[Section]\r\n" + kKindCp +
                                            "= 1\r\n" + kFileCp + "=\r\n" + kRepeatCp + "= 0\r\n");
}

TEST_F(DialogTest, TypedFullWidthDigitsAreStoredAsTheirNumber) {
    record_.BgmKind = 1;
    auto dialog = Make();
    dialog->show();
    QLineEdit* edit = Child<QComboBox>(*dialog, "BGM_Repeat")->lineEdit();
    ASSERT_NE(edit, nullptr);
    QInputMethodEvent typing;
    typing.setCommitString(QStringLiteral("１５"));
    QCoreApplication::sendEvent(edit, &typing);
    EXPECT_EQ(edit->text(), QStringLiteral("１５"));
    emit Child<Command>(*dialog, "Cmd_Set")->Click();
    EXPECT_EQ(quillmere::ReadIniString("Section", "BGMﾘﾋﾟｰﾄ", SettingsFile()), "15");
}

TEST_F(DialogTest, CancelAndWindowCloseWriteNothing) {
    const std::string before = "[Section]\n" + kKindCp + "= 1\n" + kRepeatCp + "= 3\n";
    std::filesystem::create_directories(dir_ / "config/Quillmere");
    testsupport::WriteFile(SettingsFile(), before);
    const struct {
        const char* how;
        std::function<void(Tormalune_P&)> close;
    } cases[] = {
        {"ｷｬﾝｾﾙ", [](Tormalune_P& d) { emit Child<Command>(d, "Cmd_Can")->Click(); }},
        {"window manager", [](Tormalune_P& d) { d.windowHandle()->close(); }},
    };
    for (const auto& c : cases) {
        record_.BgmKind = 1;
        record_.BgmRepeat = 3;
        auto dialog = Make();
        QTimer::singleShot(0, dialog.get(), [&] {
            dialog->Img_BGM_MouseDown(2);
            Child<QComboBox>(*dialog, "BGM_Repeat")->setEditText("9");
            c.close(*dialog);
        });
        dialog->exec();  // returns once the dialog has closed
        EXPECT_FALSE(dialog->isVisible()) << c.how;
        EXPECT_EQ(FileText(SettingsFile()), before) << c.how;
        EXPECT_EQ(record_.BgmRepeat, 3) << c.how;
    }
}

TEST_F(DialogTest, EscapeDoesNotCloseTheDialog) {
    auto dialog = Make();
    dialog->show();
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_TRUE(dialog->isVisible());
}

// Answers every message box that comes up with its default button, noting what it said.
class MessageBoxAnswerer {
  public:
    MessageBoxAnswerer() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                seen.push_back({box->windowTitle(), box->text(), box->parentWidget()});
                box->accept();
            }
        });
        timer_.start(10);
    }
    struct Box {
        QString title;
        QString text;
        QWidget* parent;
    };
    std::vector<Box> seen;

  private:
    QTimer timer_;
};

TEST_F(DialogTest, UnwritableSettingsFileIsReportedAndTheChoiceKept) {
    // Neither can be written by anyone, root included.
    const struct {
        const char* what;
        const char* blocker;  // made where the settings file would go
        bool folder;
    } cases[] = {
        {"a file in place of the settings folder", "config/Quillmere", false},
        {"a folder in place of the settings file", "config/Quillmere/Quillmere.ini", true}};
    for (const auto& c : cases) {
        TempDir home;
        setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
        std::filesystem::create_directories(std::filesystem::path(home / c.blocker).parent_path());
        if (c.folder) {
            std::filesystem::create_directory(home / c.blocker);
        } else {
            testsupport::WriteFile(home / c.blocker, "x");
        }
        record_.BgmKind = 2;
        record_.BgmFile = "/m/a.mp3";
        auto dialog = Make();
        dialog->show();
        dialog->Img_BGM_MouseDown(1);
        Child<QComboBox>(*dialog, "BGM_Repeat")->setEditText("7");
        MessageBoxAnswerer answerer;
        emit Child<Command>(*dialog, "Cmd_Set")->Click();
        EXPECT_EQ(LastApiResult, 0) << c.what;
        ASSERT_EQ(answerer.seen.size(), 1u) << c.what;
        EXPECT_EQ(answerer.seen[0].title, "Quillmere") << c.what;
        EXPECT_EQ(answerer.seen[0].parent, dialog.get()) << c.what;
        EXPECT_TRUE(
            answerer.seen[0].text.startsWith(QStringLiteral("設定を保存できませんでした。")))
            << c.what;
        EXPECT_TRUE(answerer.seen[0].text.contains(
            QString::fromStdString(home / "config/Quillmere/Quillmere.ini")))
            << c.what;
        // The dialog stays, with the choice.
        EXPECT_TRUE(dialog->isVisible()) << c.what;
        EXPECT_EQ(dialog->MarkedKind(), 1) << c.what;
        EXPECT_EQ(Child<QComboBox>(*dialog, "BGM_Repeat")->currentText(), "7") << c.what;

        // Once the file can be written, storing again stores all of it and closes.
        std::filesystem::remove_all(home / c.blocker);
        emit Child<Command>(*dialog, "Cmd_Set")->Click();
        EXPECT_EQ(answerer.seen.size(), 1u) << c.what;
        EXPECT_FALSE(dialog->isVisible()) << c.what;
        const std::string file = home / "config/Quillmere/Quillmere.ini";
        EXPECT_EQ(quillmere::ReadIniString("Section", "BGM区分", file), "1") << c.what;
        EXPECT_EQ(quillmere::ReadIniString("Section", "BGMﾘﾋﾟｰﾄ", file), "7") << c.what;
        EXPECT_EQ(quillmere::ReadIniString("Section", "BGMﾌｧｲﾙ", file), "/m/a.mp3") << c.what;
    }
}

TEST_F(DialogTest, ChosenFileBecomesTheMusicFileAndItsFolderTheStart) {
    record_.BgmKind = 2;
    record_.BgmFile = "/old/a.mp3";
    record_.BgmFolder = "/old";
    auto dialog = Make();
    chooserAnswer_ = QStringLiteral("/home/u/My Music/曲 1.WAV");
    emit Child<Command>(*dialog, "Cmd_File")->Click();
    ASSERT_EQ(requests_.size(), 1u);
    EXPECT_EQ(requests_[0].title, QStringLiteral("ﾌｧｲﾙを開く"));
    EXPECT_EQ(requests_[0].folder, "/old");
    EXPECT_EQ(requests_[0].filter, quillmere::MusicFileFilter());
    EXPECT_EQ(owners_[0], dialog.get());
    EXPECT_EQ(LastApiResult, 1);
    EXPECT_EQ(record_.BgmFile, "/home/u/My Music/曲 1.WAV");
    EXPECT_EQ(record_.BgmFolder, "/home/u/My Music");
    EXPECT_EQ(Child<PathLabel>(*dialog, "lbl_Fname")->text(),
              QStringLiteral("/home/u/My Music/曲 1.WAV"));
    EXPECT_EQ(record_.BgmKind, 2);

    // The next chooser starts where the last file was.
    chooserAnswer_.reset();
    emit Child<Command>(*dialog, "Cmd_File")->Click();
    ASSERT_EQ(requests_.size(), 2u);
    EXPECT_EQ(requests_[1].folder, "/home/u/My Music");
}

TEST_F(DialogTest, CancelledChooserChangesNothing) {
    const struct { std::optional<QString> answer; } cases[] = {{std::nullopt}, {QString()}};
    for (const auto& c : cases) {
        record_.BgmKind = 2;
        record_.BgmFile = "/old/a.mp3";
        record_.BgmFolder = "/old";
        auto dialog = Make();
        chooserAnswer_ = c.answer;
        dialog->Cmd_File_Click();
        EXPECT_EQ(LastApiResult, 0);
        EXPECT_EQ(record_.BgmFile, "/old/a.mp3");
        EXPECT_EQ(record_.BgmFolder, "/old");
        EXPECT_EQ(Child<PathLabel>(*dialog, "lbl_Fname")->text(), "/old/a.mp3");
    }
    // Without a start folder the chooser starts at home.
    record_.BgmFolder.clear();
    auto dialog = Make();
    dialog->Cmd_File_Click();
    EXPECT_EQ(requests_.back().folder, QString::fromStdString(dir_.path()));
}

TEST_F(DialogTest, ChooserShowsMp3AndWavInAnyLetterCase) {
    TempDir music;
    for (const char* name :
         {"a.mp3", "B.MP3", "c.Wav", "d.wAV", "e.ogg", "f.mp3.txt", "g.mp4", "曲 h.Mp3"}) {
        testsupport::WriteFile(music / name, "x");
    }
    const QStringList expected = {"B.MP3", "a.mp3", "c.Wav", "d.wAV", "曲 h.Mp3"};

    // The patterns under case-sensitive matching, as the file system applies them.
    QDir dir(QString::fromStdString(music.path()));
    dir.setNameFilters(quillmere::MusicFilePatterns());
    dir.setFilter(QDir::Files | QDir::CaseSensitive);
    dir.setSorting(QDir::Name);
    EXPECT_EQ(dir.entryList(), expected);

    // And in the file dialog itself: its description and the files it lists.
    QFileDialog chooser;
    quillmere::ConfigureMusicFileDialog(
        chooser, {QStringLiteral("ﾌｧｲﾙを開く"), QString::fromStdString(music.path()),
                  quillmere::MusicFileFilter()});
    chooser.show();
    EXPECT_EQ(chooser.windowTitle(), QStringLiteral("ﾌｧｲﾙを開く"));
    auto* types = chooser.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(types, nullptr);
    EXPECT_EQ(types->currentText(), QStringLiteral("BGMﾌｧｲﾙ (MP3 WAV)"));
    auto* list = chooser.findChild<QListView*>(QStringLiteral("listView"));
    ASSERT_NE(list, nullptr);
    QStringList listed;
    const bool settled = testsupport::WaitUntil([&] {
        QCoreApplication::processEvents();
        listed.clear();
        const QModelIndex root = list->rootIndex();
        for (int r = 0; r < list->model()->rowCount(root); ++r) {
            listed << list->model()->index(r, 0, root).data().toString();
        }
        listed.sort();
        return listed == expected;
    });
    EXPECT_TRUE(settled) << listed.join(", ").toStdString();
}

// Stands in for the desktop's handler of file addresses.
class FileAddressHandler : public QObject {
    Q_OBJECT
  public:
    std::vector<QUrl> opened;
    int pointerWhileOpening = -1;

  public slots:
    void Open(const QUrl& address) {
        opened.push_back(address);
        pointerWhileOpening = quillmere::ScreenMousePointer();
    }
};

TEST_F(DialogTest, WebPageLabelOpensTheManualWithTheBusyPointer) {
    FileAddressHandler desktop;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &desktop, "Open");
    services_.desktop = true;
    auto dialog = Make();
    dialog->show();
    auto* url = Child<PressLabel>(*dialog, "lbl_URL");
    QTest::mouseClick(url, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_EQ(desktop.opened.size(), 1u);
    // Run from the build folder, where no manual is installed: the README of its sources.
    EXPECT_EQ(desktop.opened[0], QUrl::fromLocalFile(QUILLMERE_SOURCE_DIR "/README.md"));
    EXPECT_EQ(dialog->WebAddress(), desktop.opened[0]);
    // The label shows the address, shortened if need be so that it ends before the buttons.
    EXPECT_EQ(url->toolTip(), desktop.opened[0].toDisplayString());
    EXPECT_LT(url->geometry().right(), Child<Command>(*dialog, "Cmd_Set")->x());
    EXPECT_EQ(desktop.pointerWhileOpening, quillmere::kPointerHourglass);
    EXPECT_EQ(quillmere::ScreenMousePointer(), quillmere::kPointerDefault);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // A press that ends outside the label opens nothing.
    QTest::mousePress(url, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(url, Qt::LeftButton, {}, QPoint(-20, 5));
    EXPECT_EQ(desktop.opened.size(), 1u);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    // Its pointer is the hand, pointing with the finger tip.
    EXPECT_EQ(url->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(url->cursor().hotSpot(), QPoint(12, 10));
    EXPECT_EQ(url->cursor().pixmap().size(), QSize(32, 32));
}

TEST(ManualAddressTest, InstalledManualThenTheReadmeThenWhereTheManualBelongs) {
    const struct {
        const char* what;
        std::set<QString> present;
        QString programFolder;
        QString readme;
        const char* address;
    } cases[] = {
        {"installed",
         {"/usr/share/doc/quillmere/index.html", "/src/README.md"},
         "/usr/lib/quillmere",
         "/src/README.md",
         "file:///usr/share/doc/quillmere/index.html"},
        {"build folder",
         {"/src/README.md"},
         "/src/build/bin",
         "/src/README.md",
         "file:///src/README.md"},
        {"neither",
         {},
         "/opt/q/lib/quillmere",
         "/src/README.md",
         "file:///opt/q/share/doc/quillmere/index.html"},
        {"no README known",
         {},
         "/usr/lib/quillmere",
         "",
         "file:///usr/share/doc/quillmere/index.html"},
        {"blanks and Japanese in the prefix",
         {QStringLiteral("/home/u/マイ apps/share/doc/quillmere/index.html")},
         QStringLiteral("/home/u/マイ apps/lib/quillmere"),
         "",
         "file:///home/u/%E3%83%9E%E3%82%A4%20apps/share/doc/quillmere/index.html"},
    };
    for (const auto& c : cases) {
        const QUrl address = quillmere::ManualAddress(
            c.programFolder, c.readme,
            [&](const QString& path) { return c.present.count(path) > 0; });
        EXPECT_EQ(address.toEncoded().toStdString(), c.address) << c.what;
    }
}

TEST_F(DialogTest, LoadingResetsTheApplicationPointer) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto dialog = Make();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(DialogTest, BackgroundLinesAreReadBackFromThePicture) {
    auto dialog = Make();
    dialog->show();
    ASSERT_TRUE(testsupport::WaitUntil([&] {
        QCoreApplication::processEvents();
        return !dialog->BackgroundImage().isNull();
    }));
    const QImage& drawn = dialog->BackgroundImage();
    ASSERT_EQ(drawn.height(), 247);  // lines 0 to 246
    const struct {
        int y;
        QRgb colour;
    } cases[] = {{0, qRgb(0, 0, 30)},
                 {123, qRgb(220, 220, 250)},
                 {246, qRgb(0, 0, 30)},
                 {41, qRgb(110, 110, 140)}};
    const QImage shown = dialog->grab().toImage();
    ASSERT_EQ(shown.size(), QSize(496, 246));
    for (const auto& c : cases) {
        for (int x : {0, 5, drawn.width() - 1}) {
            EXPECT_EQ(drawn.pixel(x, c.y), c.colour) << x << "," << c.y;
        }
        if (c.y < shown.height()) {
            // Left of the panel and right of the buttons nothing covers the background.
            EXPECT_EQ(shown.pixel(5, c.y), c.colour) << c.y;
            EXPECT_EQ(shown.pixel(490, c.y), c.colour) << c.y;
        }
    }
}

TEST_F(DialogTest, PanelIsCoveredWithTheTile) {
    auto dialog = Make();
    auto* panel = Child<PictureBox>(*dialog, "Pic_C");
    const QImage tile = QImage(":/dialog/panel_tile.bmp").convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(tile.size(), QSize(556, 20));
    const QImage& surface = panel->Surface();
    ASSERT_EQ(surface.size(), QSize(469, 165));
    int mismatches = 0;
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < surface.width(); ++x) {
            mismatches += surface.pixel(x, y) != tile.pixel(x % 556, y % 20);
        }
    }
    EXPECT_EQ(mismatches, 0);
    // The border is drawn over the tile, a single line.
    dialog->show();
    const QImage shown = panel->grab().toImage();
    EXPECT_EQ(shown.pixel(0, 80), qRgb(0, 0, 0));
    EXPECT_EQ(shown.pixel(468, 80), qRgb(0, 0, 0));
    EXPECT_EQ(shown.pixel(1, 1), surface.pixel(1, 1));
}

TEST_F(DialogTest, WindowAndControlsSitWhereTheLayoutPutsThem) {
    auto dialog = Make();
    EXPECT_EQ(dialog->windowTitle(), "Quillmere");
    EXPECT_EQ(dialog->size(), QSize(496, 246));
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(dialog->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(dialog->windowIcon().isNull());

    // Centred, a third of the free height from the top, computed in twips.
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    EXPECT_EQ(dialog->pos(), QPoint((screen.width() * 15 - 496 * 15) / 2 / 15,
                                    (screen.height() * 15 - 246 * 15) / 3 / 15));

    const struct {
        const char* name;
        const char* parent;
        QRect place;  // an empty size: the control sizes itself to its text
    } cases[] = {
        {"Pic_C", "Tormalune_P", {12, 16, 469, 165}},
        {"lbl7", "Tormalune_P", {12, 192, 0, 0}},
        {"lbl_URL", "Tormalune_P", {12, 208, 0, 0}},
        {"Cmd_Set", "Tormalune_P", {324, 200, 77, 25}},
        {"Cmd_Can", "Tormalune_P", {404, 200, 77, 25}},
        {"Shape3", "Pic_C", {20, 20, 113, 21}},
        {"lbl15", "Pic_C", {20, 24, 111, 13}},
        {"Img_BGM1", "Pic_C", {28, 56, 13, 13}},
        {"lbl_BGM1", "Pic_C", {44, 56, 0, 0}},
        {"BGM_Repeat", "Pic_C", {112, 52, 41, 20}},
        {"lbl14", "Pic_C", {156, 56, 0, 0}},
        {"Img_BGM0", "Pic_C", {28, 76, 13, 13}},
        {"lbl_BGM0", "Pic_C", {44, 76, 0, 0}},
        {"Cmd_File", "Pic_C", {112, 92, 41, 21}},
        {"Img_BGM2", "Pic_C", {28, 96, 13, 13}},
        {"lbl_BGM2", "Pic_C", {44, 96, 0, 0}},
        {"lbl_Fname", "Pic_C", {44, 116, 409, 33}},
    };
    for (const auto& c : cases) {
        QWidget* w = Child<QWidget>(*dialog, c.name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->parentWidget()->objectName(), c.parent) << c.name;
        EXPECT_EQ(w->pos(), c.place.topLeft()) << c.name;
        if (!c.place.size().isEmpty()) {
            EXPECT_EQ(w->size(), c.place.size()) << c.name;
        } else {
            // Sized to its text: one line of the 13-pixel font, nothing cut off.
            auto* label = qobject_cast<QLabel*>(w);
            ASSERT_NE(label, nullptr) << c.name;
            EXPECT_GE(w->width(), label->fontMetrics().horizontalAdvance(label->text())) << c.name;
            EXPECT_LT(w->height(), 26) << c.name;
        }
    }
}

TEST_F(DialogTest, TextsFontsAndColours) {
    auto dialog = Make();
    const struct {
        const char* name;
        const char* text;
        QColor colour;
    } labels[] = {
        {"lbl_BGM0", "なし", Qt::black},     {"lbl_BGM1", "音楽CD", Qt::black},
        {"lbl_BGM2", "MP3、WAV", Qt::black}, {"lbl14", "曲目をﾘﾋﾟｰﾄ", Qt::black},
        {"lbl15", "BGM", Qt::black},         {"lbl7", nullptr, Qt::white},
        {"lbl_URL", nullptr, Qt::white},
    };
    const QFont expected = Tormalune_P::DialogFont();
    EXPECT_EQ(expected.pixelSize(), 13);
    EXPECT_EQ(expected.weight(), QFont::Normal);
    // The first Gothic the machine has stands in for the platform's.
    for (const char* family : {"MS PGothic", "ＭＳ Ｐゴシック", "IPAPGothic", "Noto Sans CJK JP"}) {
        if (QFontDatabase::families().contains(QString::fromUtf8(family))) {
            EXPECT_EQ(QFontInfo(expected).family(), QString::fromUtf8(family));
            break;
        }
    }
    for (const auto& l : labels) {
        auto* label = Child<QLabel>(*dialog, l.name);
        if (l.text != nullptr) {
            EXPECT_EQ(label->text(), QString::fromUtf8(l.text)) << l.name;
        }
        EXPECT_EQ(label->palette().color(QPalette::WindowText), l.colour) << l.name;
        EXPECT_EQ(label->font().pixelSize(), 13) << l.name;
        EXPECT_EQ(label->font().family(), expected.family()) << l.name;
        EXPECT_EQ(label->font().underline(), std::string(l.name) == "lbl_URL") << l.name;
        EXPECT_FALSE(label->autoFillBackground()) << l.name;
    }
    EXPECT_TRUE(Child<QLabel>(*dialog, "lbl7")->text().endsWith("Ver.1.0.0"));
    const struct {
        const char* name;
        const char* caption;
        bool enabled;
    } buttons[] = {
        {"Cmd_Set", "設定", true}, {"Cmd_Can", "ｷｬﾝｾﾙ", true}, {"Cmd_File", "...", false}};
    for (const auto& b : buttons) {
        auto* button = Child<Command>(*dialog, b.name);
        EXPECT_EQ(button->Caption(), QString::fromUtf8(b.caption)) << b.name;
        EXPECT_EQ(button->Font().pixelSize(), 13) << b.name;
        EXPECT_EQ(button->Enabled(), b.enabled) << b.name;
    }
}

bool RubberBandShown() {
    for (const QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == "AnimationOutline" && w->isVisible()) {
            return true;
        }
    }
    return false;
}

TEST_F(DialogTest, AnimationsRunAndLeaveNothingBehind) {
    services_.animation = 150ms;
    for (const bool waitForOpening : {false, true}) {
        std::remove(SettingsFile().c_str());
        record_.BgmKind = 1;
        auto dialog = Make();
        bool shownWhileOpening = false;
        QTimer::singleShot(0, dialog.get(), [&] {
            // The dialog is not held back by its opening animation.
            shownWhileOpening = dialog->isVisible() && RubberBandShown();
            if (waitForOpening) {
                EXPECT_TRUE(testsupport::WaitUntil([] {
                    QCoreApplication::processEvents();
                    return !RubberBandShown();
                }));
            }
            emit Child<Command>(*dialog, "Cmd_Set")->Click();
        });
        dialog->exec();
        EXPECT_TRUE(shownWhileOpening) << waitForOpening;
        EXPECT_FALSE(dialog->isVisible()) << waitForOpening;
        EXPECT_TRUE(NoVisibleTopLevelBut(nullptr)) << waitForOpening;
        EXPECT_EQ(quillmere::ReadIniString("Section", "BGM区分", SettingsFile()), "1")
            << waitForOpening;
    }
}

}  // namespace

#include "dialog_window_test.moc"
