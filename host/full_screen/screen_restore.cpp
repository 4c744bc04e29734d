#include "screen_restore.h"

#include <algorithm>

namespace quillmere {

std::optional<SwitchedModeMark> MarkFromItems(const std::vector<unsigned long>& items) {
    if (items.size() != 2) {
        return std::nullopt;
    }
    // 32-bit items arrive in longs; only the low 32 bits are the value.
    return SwitchedModeMark{static_cast<std::uint32_t>(items[0] & 0xFFFFFFFFu),
                            static_cast<std::uint32_t>(items[1] & 0xFFFFFFFFu)};
}

bool MarkedBy(const std::optional<SwitchedModeMark>& mark, std::int32_t rendererPid) {
    return mark && rendererPid > 0 && mark->pid == static_cast<std::uint32_t>(rendererPid);
}

bool ShouldPutBack(const std::optional<SwitchedModeMark>& mark, std::int32_t rendererPid,
                   std::uint32_t currentTimestamp) {
    return MarkedBy(mark, rendererPid) && mark->timestamp == currentTimestamp;
}

RestorePlan PlanRestore(const ScreenSetting& recorded, const ScreenSetting& current) {
    RestorePlan plan;
    const auto fits = [&](const CrtcSetting& crtc) {
        return crtc.mode == 0 || (crtc.x + crtc.width <= recorded.size.width &&
                                  crtc.y + crtc.height <= recorded.size.height);
    };
    for (const CrtcSetting& now : current.crtcs) {
        const auto before = std::find_if(recorded.crtcs.begin(), recorded.crtcs.end(),
                                         [&](const CrtcSetting& r) { return r.crtc == now.crtc; });
        const bool changes = before == recorded.crtcs.end() || !before->SameAs(now);
        // The screen cannot be smaller than any lit CRTC.
        if (changes && !fits(now)) {
            plan.switchOff.push_back(now.crtc);
        }
    }
    if (recorded.size != current.size) {
        plan.screen = recorded.size;
    }
    for (const CrtcSetting& before : recorded.crtcs) {
        const auto now = std::find_if(current.crtcs.begin(), current.crtcs.end(),
                                      [&](const CrtcSetting& c) { return c.crtc == before.crtc; });
        // A CRTC that is no longer there has nothing to go back to.
        if (now == current.crtcs.end()) {
            continue;
        }
        const bool switchedOff = std::find(plan.switchOff.begin(), plan.switchOff.end(),
                                           before.crtc) != plan.switchOff.end();
        if (!before.SameAs(*now) && !(switchedOff && before.mode == 0)) {
            plan.crtcs.push_back(before);
        }
    }
    return plan;
}

}  // namespace quillmere
