#include "win32_saver_window.h"

#include <utility>

#include "command_line.h"
#include "file_writing.h"
#include "program_folder.h"
#include "saver_contract.h"
#include "settings.h"
#include "texture_file.h"
#include "tormalune_b.h"
#include "tormalune_bgm.h"
#include "win32_end_program.h"
#include "win32_resources.h"
#include "xdg_paths.h"

namespace quillmere {

namespace {

constexpr char kWindowClass[] = "Tormalune_S";

UINT_PTR TimerId(SaverTimer timer) {
    return static_cast<UINT_PTR>(timer) + 1;
}

}  // namespace

Tormalune_S::Tormalune_S(std::string modeLetter)
    : sequence_(std::make_unique<SaverSequence>(
          Settings, std::move(modeLetter), static_cast<SaverOps&>(*this), ModuleMusicRoutines())) {}

Tormalune_S::~Tormalune_S() = default;

void Tormalune_S::Load() {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(QUILLMERE_ICON));
    windowClass.lpszClassName = kWindowClass;
    RegisterClassA(&windowClass);
    // Never shown: it exists so that its caption marks the run.
    window_ = CreateWindowExA(0, kWindowClass, kSaverWindowTitle, WS_OVERLAPPED, 0, 0, 0, 0,
                              nullptr, nullptr, instance, this);
    sequence_->Form_Load();
}

LRESULT CALLBACK Tormalune_S::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Tormalune_S*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    SaverSequence& sequence = *self->sequence_;
    switch (message) {
        case WM_TIMER:
            switch (static_cast<SaverTimer>(wParam - 1)) {
                case SaverTimer::Timer1:
                    sequence.Timer1_Timer();
                    break;
                case SaverTimer::Timer2:
                    sequence.Timer2_Timer();
                    break;
                case SaverTimer::Timer3:
                    sequence.Timer3_Timer();
                    break;
                case SaverTimer::RendererWait:
                    sequence.RendererWait_Timer();
                    break;
                case SaverTimer::EndWatch:
                    sequence.EndWatch_Timer();
                    break;
            }
            return 0;
        // Followed from the message: Wine does not update the mode a process reads after another
        // process changes it.
        case WM_DISPLAYCHANGE:
            self->mode_.Changed(
                {LOWORD(lParam), HIWORD(lParam), static_cast<unsigned long>(wParam), 0},
                self->renderer_.Running());
            return DefWindowProcA(window, message, wParam, lParam);
        // A close from outside, or the end of the session, unloads the window: the shutdown.
        case WM_CLOSE:
            sequence.Form_QueryUnload();
            return 0;
        case WM_ENDSESSION:
            if (wParam) {
                sequence.Form_QueryUnload();
            }
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

void Tormalune_S::SaveDisplayPicture(int index) {
    const std::string_view bytes = win32::ResourceBytes(QUILLMERE_TEXTURE_BASE + index + 1);
    if (!bytes.empty()) {
        ReplaceFileAtomically(TextureFolder(), TextureFileName(index + 1), bytes);
    }
}

std::string Tormalune_S::ProgramFolder() {
    return platform::ProgramFolder();
}

std::int32_t Tormalune_S::StartProgram(const std::string& path) {
    return static_cast<std::int32_t>(renderer_.Start(path.c_str()));
}

bool Tormalune_S::ProcessRunning(std::int32_t) {
    return renderer_.Running();
}

bool Tormalune_S::KilledBySignal(std::int32_t) {
    // Ended from outside: by TerminateProcess, or killed with an exception status.
    return renderer_.ExitCode() >= 0x80000000u;
}

void Tormalune_S::TerminateProcess(std::int32_t) {
    renderer_.Terminate();
}

bool Tormalune_S::RendererWindowExists() {
    if (win32::FindTopLevelWindow(kRendererWindowTitle) == nullptr) {
        return false;
    }
    return true;
}

bool Tormalune_S::CloseRenderer(std::int32_t pid) {
    HWND window = win32::FindWindowOfProcess(kRendererWindowTitle, static_cast<DWORD>(pid));
    return window != nullptr && PostMessageA(window, kWmClose, 0, 0);
}

bool Tormalune_S::RendererWindowOf(std::int32_t pid) {
    return win32::FindWindowOfProcess(kRendererWindowTitle, static_cast<DWORD>(pid)) != nullptr;
}

void Tormalune_S::RecordScreen() {
    DisplayModeSetting now = win32::CurrentDisplayMode();
    now.frequency = 0;  // the change message does not tell it
    mode_.Record(now);
}

bool Tormalune_S::ModeLeftSwitched(std::int32_t) {
    return mode_.ShouldPutBack();
}

void Tormalune_S::PutBackScreen(std::int32_t) {
    // A mode set meanwhile is the user's.
    if (mode_.ShouldPutBack()) {
        win32::PutBackStoredDisplayMode();
    }
    mode_.Forget();
}

std::uint32_t Tormalune_S::TickMs() {
    return GetTickCount();
}

void Tormalune_S::SetTimerEnabled(SaverTimer timer, bool enabled) {
    if (enabled) {
        SetTimer(window_, TimerId(timer), static_cast<UINT>(IntervalOf(timer)), nullptr);
    } else {
        KillTimer(window_, TimerId(timer));
    }
}

int Tormalune_S::ShowCursor() {
    return ::ShowCursor(TRUE);
}

void Tormalune_S::EndProgram() {
    win32::EndProgram(sequence_->StartFailure().empty() ? 0 : kExitFailure);
}

}  // namespace quillmere
