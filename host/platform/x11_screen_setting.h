// The screen's RandR configuration on the host's side of the run: recorded before the renderer
// starts, and put back after a renderer that left the display in its switched mode.
#pragma once

#include <cstdint>
#include <optional>

#include "screen_restore.h"
#include "x11_connection.h"

namespace quillmere::x11 {

class ScreenSettingKeeper {
  public:
    explicit ScreenSettingKeeper(const X11Connection& connection);
    ScreenSettingKeeper(const ScreenSettingKeeper&) = delete;
    ScreenSettingKeeper& operator=(const ScreenSettingKeeper&) = delete;

    // Records the configuration now; nothing without RandR 1.2.
    void Record();
    const std::optional<ScreenSetting>& recorded() const { return recorded_; }

    // True while the root window carries the switched-mode mark of that process.
    bool MarkedBy(std::int32_t pid);

    // Under a server grab, so that nobody changes the screen between the check and the
    // requests: when the mark is that process's and its configuration is still current, puts
    // the recorded one back. That process's mark is removed either way; it has ended or had its
    // time. True when the configuration was put back.
    bool PutBack(std::int32_t pid);

  private:
    const X11Connection& connection_;
    bool haveRandr_ = false;
    std::optional<ScreenSetting> recorded_;
};

}  // namespace quillmere::x11
