// Quillmere.scr on Windows: the screen-saver host, started by Windows' display settings with /s
// (full-screen run), /p <window handle> (preview inside that window) or /c[:<window handle>]
// (settings); refuses to run while a full-screen run is on. The same dispatch as on Linux, over
// Win32 steps.
#include <windows.h>

#include <memory>
#include <string>
#include <utility>

#include "command_line.h"
#include "settings.h"
#include "tormalune_b.h"
#include "win32_end_program.h"
#include "win32_host_services.h"
#include "win32_preview_window.h"
#include "win32_saver_window.h"
#include "xdg_paths.h"
#include "win32_settings_dialog.h"

namespace {

using namespace quillmere;

// The dialog is modal and owned by no window: a handle after /c: is not used.
void OpenSettingsDialog() {
    ShowSettingsDialog(nullptr);
}

class Win32MainOps final : public MainOps {
  public:
    explicit Win32MainOps(std::string argumentText) : argumentText_(std::move(argumentText)) {}

    bool WindowExists(const std::string& title) override {
        return win32::FindTopLevelWindow(title.c_str()) != nullptr;
    }
    bool ShowPreview(const std::string& text) override {
        preview_ = Tormalune_R::Show(text);
        return preview_ != nullptr;
    }
    bool TakeRunLock() override { return win32::TakeFullScreenRunLock(); }
    void CreateTextureFolder() override { CreateDirectoryA(TextureFolder().c_str(), nullptr); }
    void LoadSettings() override { quillmere::LoadSettings(); }
    void ShowSettingsDialog() override { OpenSettingsDialog(); }
    int HideCursor() override { return ShowCursor(FALSE); }
    void LoadSaverWindow() override {
        saver_ = std::make_unique<Tormalune_S>(ModeLetter(argumentText_));
        saver_->Load();
    }
    // XScreenSaver's hack mode is the X11 host's alone.
    bool LoadHackSession(const HackRequest&) override { return false; }

  private:
    const std::string argumentText_;
    std::unique_ptr<Tormalune_R> preview_;
    std::unique_ptr<Tormalune_S> saver_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::string argumentText = ArgumentTextOfCommandLine(GetCommandLineA());
    Win32MainOps ops(argumentText);
    switch (Main(argumentText, ops)) {
        case MainResult::RunWindow:
            break;
        case MainResult::EndProgram:
            win32::EndProgram();
        case MainResult::UnknownSwitch:
            win32::EndProgram(kExitUsage);
        case MainResult::NoPreviewWindow:
        case MainResult::NoHackWindow:
            win32::EndProgram(kExitFailure);
    }
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    win32::EndProgram(static_cast<int>(message.wParam));
}
