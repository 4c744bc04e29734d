// Quillmere.scr: the screen-saver host. Started with /s (full-screen run), /p <window id>
// (preview inside that window) or /c (settings); refuses to run while a full-screen run is on.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "linux_process.h"
#include "preview_window.h"
#include "saver_window.h"
#include "settings.h"
#include "settings_dialog.h"
#include "tormalune_b.h"
#include "x11_connection.h"
#include "x11_cursor.h"
#include "x11_foreign_window.h"
#include "x11_window_lookup.h"
#include "xdg_paths.h"

namespace {

using namespace quillmere;

// Qt is started only for a window that needs it: a second start during a run ends without it.
// Qt sees no argument of ours, so none of them (-display, -platform, ...) can steer it.
class HostApplication {
  public:
    explicit HostApplication(const char* programName) : argv_{programName, nullptr} {}

    QApplication& Get() {
        if (!app_) {
            // The host's window services are X11 ones.
            qputenv("QT_QPA_PLATFORM", "xcb");
            app_.emplace(argc_, const_cast<char**>(argv_));
            app_->setQuitOnLastWindowClosed(false);
            app_->setWindowIcon(QIcon(QStringLiteral(":/assets/icon.png")));
        }
        return *app_;
    }

  private:
    int argc_ = 1;
    const char* argv_[2];
    std::optional<QApplication> app_;
};

}  // namespace

int main(int argc, char** argv) {
    // Taken before Qt could see argv.
    const std::string argumentText = ArgumentText(argc, argv);

    std::string reason;
    const std::unique_ptr<x11::X11Connection> connection = x11::X11Connection::Open(reason);
    if (!connection) {
        std::fprintf(stderr, "Quillmere.scr: no X display to run on (%s); nothing to do.\n",
                     reason.c_str());
        return 0;
    }

    HostApplication app(argc > 0 ? argv[0] : "Quillmere.scr");
    x11::CursorDisplayCount cursor(*connection);
    std::unique_ptr<PreviewSession> preview;
    std::unique_ptr<Tormalune_S> saver;

    MainOps ops;
    ops.WindowExists = [&](const std::string& title) {
        return x11::FindTopLevelWindow(connection->display(), title) != 0;
    };
    ops.ShowPreview = [&](const std::string& text) {
        // A handle that names no window ends the program before Qt is started.
        if (!x11::ForeignWindowSize(connection->display(), PreviewHandle(text))) {
            return false;
        }
        app.Get();
        preview = PreviewSession::Show(*connection, text);
        return preview != nullptr;
    };
    ops.CreateTextureFolder = [] { platform::CreateFolderWithParents(TextureFolder(), 0700); };
    ops.LoadSettings = [] { LoadSettings(); };
    ops.ShowSettingsDialog = [&] {
        app.Get();
        ShowSettingsDialog();
    };
    ops.HideCursor = [&] { return cursor.Hide(); };
    ops.LoadSaverWindow = [&] {
        app.Get();
        saver = std::make_unique<Tormalune_S>(*connection, cursor, ModeLetter(argumentText));
        saver->Load();
    };

    if (Main(argumentText, ops) == MainResult::EndProgram) {
        EndProgram(*connection);
    }
    const int code = app.Get().exec();
    // Ending is immediate: the preview's parent may already be gone, and nothing is left to save.
    connection->Sync();
    std::fflush(nullptr);
    std::_Exit(code);
}
