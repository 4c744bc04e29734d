// Quillmere.scr: the screen-saver host. Started with /s (full-screen run), /p <window id>
// (preview inside that window) or /c (settings); refuses to run while a full-screen run is on.
// As an XScreenSaver hack (-root, -window-id ID or XSCREENSAVER_WINDOW) it runs the saver
// inside the daemon's window.
#include <errno.h>

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "command_line.h"
#include "cursor_display_count.h"
#include "end_program.h"
#include "file_writing.h"
#include "hack_session.h"
#include "linux_process.h"
#include "preview_window.h"
#include "saver_window.h"
#include "settings.h"
#include "settings_dialog.h"
#include "tormalune_b.h"
#include "tormalune_bgm.h"
#include "x11_connection.h"
#include "x11_foreign_window.h"
#include "x11_run_lock.h"
#include "x11_window_lookup.h"
#include "xdg_paths.h"

namespace {

using namespace quillmere;

// Whatever was playing is shut before the end, as at the end of a run.
void HandleServerLoss() {
    x11::X11Connection::OnServerLost("Quillmere.scr", [] { CloseAllMusic(); });
}

// Qt is started only when something needs it: a second start during a run ends without it, and
// the full-screen run needs no widgets, only timers and images. Qt sees no argument of ours, so
// none of them (-display, -platform, ...) can steer it.
class HostApplication {
  public:
    explicit HostApplication(const char* programName) : argv_{programName, nullptr} {}

    // The event loop alone.
    QCoreApplication& Core() {
        if (!app_) {
            app_ = std::make_unique<QCoreApplication>(argc_, const_cast<char**>(argv_));
        }
        return *app_;
    }

    // Widgets, for the preview and the settings dialog.
    QApplication& Gui() {
        if (!app_) {
            // The host's window services are X11 ones.
            qputenv("QT_QPA_PLATFORM", "xcb");
            auto app = std::make_unique<QApplication>(argc_, const_cast<char**>(argv_));
            app->setQuitOnLastWindowClosed(false);
            app->setWindowIcon(QIcon(QStringLiteral(":/assets/icon.png")));
            app_ = std::move(app);
            // Qt's xcb platform put its own Xlib handler in place, which ends through exit().
            HandleServerLoss();
        }
        return *static_cast<QApplication*>(app_.get());
    }

    int Exec() { return Core().exec(); }

  private:
    int argc_ = 1;
    const char* argv_[2];
    std::unique_ptr<QCoreApplication> app_;
};

}  // namespace

int main(int argc, char** argv) {
    const char* const programName = program_invocation_short_name;
    switch (InfoRequestOf(argc, argv)) {
        case InfoRequest::Help:
            std::fputs(UsageText(programName).c_str(), stdout);
            return 0;
        case InfoRequest::Version:
            std::fputs(VersionText().c_str(), stdout);
            return 0;
        case InfoRequest::None:
            break;
    }
    // Taken before Qt could see argv.
    const std::string argumentText = ArgumentText(argc, argv);
    const HackCommand hack = ParseHackCommand(std::vector<std::string>(argv + 1, argv + argc),
                                              std::getenv("XSCREENSAVER_WINDOW"));
    if (hack.kind == HackCommand::Kind::Refused) {
        std::fprintf(stderr, "%s: %s\n", programName, hack.error.c_str());
        if (hack.exitCode == kExitUsage) {
            std::fputs(UsageText(programName).c_str(), stderr);
        }
        return hack.exitCode;
    }

    std::string reason;
    const std::unique_ptr<x11::X11Connection> connection = x11::X11Connection::Open(reason);
    if (!connection) {
        if (hack.kind != HackCommand::Kind::Run && UnknownSwitch(argumentText)) {
            std::fputs(UsageText(programName).c_str(), stderr);
            return kExitUsage;
        }
        std::fprintf(stderr, "%s: no X display to run on (%s)\n", programName, reason.c_str());
        return kExitFailure;
    }
    HandleServerLoss();

    HostApplication app(argc > 0 ? argv[0] : "Quillmere.scr");
    CursorDisplayCount cursor;
    std::unique_ptr<PreviewSession> preview;
    std::unique_ptr<Tormalune_S> saver;
    std::unique_ptr<HackSession> hackSession;
    std::unique_ptr<x11::RunLock> runLock;

    MainOps ops;
    ops.WindowExists = [&](const std::string& title) {
        return x11::FindTopLevelWindow(connection->display(), title) != 0;
    };
    ops.ShowPreview = [&](const std::string& text) {
        // A handle that names no window ends the program before Qt is started.
        if (!x11::ForeignWindowSize(connection->display(), PreviewHandle(text))) {
            return false;
        }
        app.Gui();
        preview = PreviewSession::Show(*connection, text);
        return preview != nullptr;
    };
    ops.TakeRunLock = [&] {
        runLock = x11::TakeRunLock(*connection);
        return runLock != nullptr;
    };
    ops.CreateTextureFolder = [] { CreateFolderWithParents(TextureFolder(), 0700); };
    ops.LoadSettings = [] { LoadSettings(); };
    ops.ShowSettingsDialog = [&] {
        app.Gui();
        ShowSettingsDialog();
    };
    ops.HideCursor = [&] { return cursor.Hide(); };
    ops.LoadSaverWindow = [&] {
        app.Core();
        saver = std::make_unique<Tormalune_S>(*connection, cursor, ModeLetter(argumentText));
        saver->Load();
    };
    ops.LoadHackSession = [&](const HackRequest& request) {
        const x11::WindowId window = request.window != 0 ? request.window : connection->root();
        if (!x11::ForeignWindowSize(connection->display(), window)) {
            return false;
        }
        app.Core();
        hackSession =
            std::make_unique<HackSession>(*connection, request, static_cast<std::uint32_t>(window));
        hackSession->Start();
        return true;
    };

    const MainResult result =
        hack.kind == HackCommand::Kind::Run ? HackMain(hack.request, ops) : Main(argumentText, ops);
    switch (result) {
        case MainResult::RunWindow:
            break;
        case MainResult::EndProgram:
            EndProgram(*connection);
        case MainResult::UnknownSwitch:
            std::fputs(UsageText(programName).c_str(), stderr);
            EndProgram(*connection, kExitUsage);
        case MainResult::NoPreviewWindow:
            if (const std::uint32_t id = PreviewHandle(argumentText); id != 0) {
                std::fprintf(stderr, "%s: no window 0x%x to show the preview in\n", programName,
                             id);
            } else {
                std::fprintf(stderr, "%s: /p needs the id of a window to show the preview in\n",
                             programName);
            }
            EndProgram(*connection, kExitFailure);
        case MainResult::NoHackWindow:
            std::fprintf(stderr, "%s: no window 0x%x to draw in\n", programName,
                         hack.request.window);
            EndProgram(*connection, kExitFailure);
    }
    const int code = app.Exec();
    // Ending is immediate: the preview's parent may already be gone, and nothing is left to save.
    connection->Sync();
    std::fflush(nullptr);
    std::_Exit(code);
}
