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
#include <utility>

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

// Main's steps on X11 and Qt; the window the program then lives for is kept here.
class QtMainOps final : public MainOps {
  public:
    QtMainOps(const x11::X11Connection& connection, HostApplication& app,
              CursorDisplayCount& cursor, std::string argumentText)
        : connection_(connection),
          app_(app),
          cursor_(cursor),
          argumentText_(std::move(argumentText)) {}

    bool WindowExists(const std::string& title) override {
        return x11::FindTopLevelWindow(connection_.display(), title) != 0;
    }
    bool ShowPreview(const std::string& text) override {
        // A handle that names no window ends the program before Qt is started.
        if (!x11::ForeignWindowSize(connection_.display(), PreviewHandle(text))) {
            return false;
        }
        app_.Gui();
        preview_ = PreviewSession::Show(connection_, text);
        return preview_ != nullptr;
    }
    bool TakeRunLock() override {
        runLock_ = x11::TakeRunLock(connection_);
        return runLock_ != nullptr;
    }
    void CreateTextureFolder() override { CreateFolderWithParents(TextureFolder(), 0700); }
    void LoadSettings() override { quillmere::LoadSettings(); }
    void ShowSettingsDialog() override {
        app_.Gui();
        quillmere::ShowSettingsDialog();
    }
    int HideCursor() override { return cursor_.Hide(); }
    void LoadSaverWindow() override {
        app_.Core();
        saver_ = std::make_unique<Tormalune_S>(connection_, cursor_, ModeLetter(argumentText_));
        saver_->Load();
    }
    bool LoadHackSession(const HackRequest& request) override {
        const x11::WindowId window = request.window != 0 ? request.window : connection_.root();
        if (!x11::ForeignWindowSize(connection_.display(), window)) {
            return false;
        }
        app_.Core();
        hackSession_ =
            std::make_unique<HackSession>(connection_, request, static_cast<std::uint32_t>(window));
        hackSession_->Start();
        return true;
    }

  private:
    const x11::X11Connection& connection_;
    HostApplication& app_;
    CursorDisplayCount& cursor_;
    const std::string argumentText_;
    std::unique_ptr<PreviewSession> preview_;
    std::unique_ptr<Tormalune_S> saver_;
    std::unique_ptr<HackSession> hackSession_;
    std::unique_ptr<x11::RunLock> runLock_;
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
    QtMainOps ops(*connection, app, cursor, argumentText);

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
