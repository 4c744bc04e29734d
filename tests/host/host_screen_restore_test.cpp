// When the host puts back the screen configuration after a renderer that could not, and the
// requests that do it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "screen_restore.h"

namespace quillmere {
namespace {

struct MarkCase {
    const char* name;
    std::vector<unsigned long> items;  // the property's 32-bit items; empty for no property
    std::int32_t rendererPid;
    std::uint32_t currentTimestamp;
    bool marked;
    bool putBack;
};

TEST(ScreenRestoreTest, OnlyTheOwnRenderersUntouchedConfigurationGoesBack) {
    const MarkCase cases[] = {
        {"no mark", {}, 700, 5000, false, false},
        {"own renderer, configuration untouched", {700, 5000}, 700, 5000, true, true},
        {"own renderer, configuration changed since", {700, 5000}, 700, 5100, true, false},
        {"another process's mark", {701, 5000}, 700, 5000, false, false},
        {"no renderer was started", {0, 5000}, 0, 5000, false, false},
        {"one item only", {700}, 700, 5000, false, false},
        {"three items", {700, 5000, 1}, 700, 5000, false, false},
        // 32-bit items arrive in longs; bits above them are no part of the value.
        {"high bits set", {0x100000000ul | 700, 0xF00000000ul | 5000}, 700, 5000, true, true},
    };
    for (const auto& c : cases) {
        const auto mark = MarkFromItems(c.items);
        EXPECT_EQ(MarkedBy(mark, c.rendererPid), c.marked) << c.name;
        EXPECT_EQ(ShouldPutBack(mark, c.rendererPid, c.currentTimestamp), c.putBack) << c.name;
    }
}

CrtcSetting Crtc(std::uint32_t id, std::uint32_t mode, int x, int y, int width, int height,
                 std::vector<std::uint32_t> outputs = {}) {
    CrtcSetting crtc;
    crtc.crtc = id;
    crtc.mode = mode;
    crtc.x = x;
    crtc.y = y;
    crtc.width = width;
    crtc.height = height;
    crtc.outputs = std::move(outputs);
    return crtc;
}

ScreenSetting Screen(int width, int height, std::vector<CrtcSetting> crtcs) {
    return ScreenSetting{{width, height, width / 4, height / 4}, std::move(crtcs)};
}

struct PlanCase {
    const char* name;
    ScreenSetting recorded;
    ScreenSetting current;
    std::vector<std::uint32_t> switchOff;
    bool resize;
    std::vector<std::uint32_t> crtcs;  // set, in this order
};

TEST(ScreenRestoreTest, PlanGrowsTheScreenBeforeTheCrtcs) {
    const PlanCase cases[] = {
        {"one CRTC switched and the screen shrunk",
         Screen(1024, 768, {Crtc(1, 10, 0, 0, 1024, 768, {5})}),
         Screen(640, 480, {Crtc(1, 11, 0, 0, 640, 480, {5})}),
         {},
         true,
         {1}},
        {"nothing changed",
         Screen(1024, 768, {Crtc(1, 10, 0, 0, 1024, 768, {5})}),
         Screen(1024, 768, {Crtc(1, 10, 0, 0, 1024, 768, {5})}),
         {},
         false,
         {}},
        {"one of two monitors switched in place",
         Screen(2560, 1024,
                {Crtc(1, 10, 0, 0, 1280, 1024, {5}), Crtc(2, 10, 1280, 0, 1280, 1024, {6})}),
         Screen(2560, 1024,
                {Crtc(1, 11, 0, 0, 640, 480, {5}), Crtc(2, 10, 1280, 0, 1280, 1024, {6})}),
         {},
         false,
         {1}},
        {"a CRTC beyond the recorded screen goes off first",
         Screen(1024, 768, {Crtc(1, 10, 0, 0, 1024, 768, {5}), Crtc(2, 0, 0, 0, 0, 0)}),
         Screen(1664, 768, {Crtc(1, 11, 0, 0, 640, 480, {5}), Crtc(2, 12, 1024, 0, 640, 480, {6})}),
         {2},
         true,
         {1}},
        {"a CRTC that is gone is left out",
         Screen(1024, 768, {Crtc(1, 10, 0, 0, 1024, 768, {5}), Crtc(3, 10, 0, 0, 1024, 768, {7})}),
         Screen(640, 480, {Crtc(1, 11, 0, 0, 640, 480, {5})}),
         {},
         true,
         {1}},
        {"moved output",
         Screen(1024, 768, {Crtc(1, 10, 0, 0, 1024, 768, {5})}),
         Screen(1024, 768, {Crtc(1, 10, 0, 0, 1024, 768, {6})}),
         {},
         false,
         {1}},
    };
    for (const auto& c : cases) {
        const RestorePlan plan = PlanRestore(c.recorded, c.current);
        EXPECT_EQ(plan.switchOff, c.switchOff) << c.name;
        EXPECT_EQ(plan.screen.has_value(), c.resize) << c.name;
        if (plan.screen) {
            EXPECT_EQ(*plan.screen, c.recorded.size) << c.name;
        }
        std::vector<std::uint32_t> set;
        for (const CrtcSetting& crtc : plan.crtcs) {
            set.push_back(crtc.crtc);
            // Each goes back exactly as recorded.
            for (const CrtcSetting& recorded : c.recorded.crtcs) {
                if (recorded.crtc == crtc.crtc) {
                    EXPECT_TRUE(recorded.SameAs(crtc)) << c.name;
                }
            }
        }
        EXPECT_EQ(set, c.crtcs) << c.name;
        EXPECT_EQ(plan.empty(), c.switchOff.empty() && !c.resize && c.crtcs.empty()) << c.name;
    }
}

}  // namespace
}  // namespace quillmere

namespace quillmere {
namespace {

// The Windows side: only the renderer's mode, still current, goes back.
TEST(SwitchedModeWatchTest, PutsBackOnlyTheRenderersModeStillCurrent) {
    const DisplayModeSetting user{1024, 768, 32, 0};
    const DisplayModeSetting renderer{640, 480, 32, 0};
    const DisplayModeSetting chosen{800, 600, 32, 0};
    struct Change {
        DisplayModeSetting mode;
        bool rendererRunning;
    };
    struct Case {
        const char* name;
        bool recorded;
        std::vector<Change> changes;
        bool putBack;
    };
    const Case cases[] = {
        {"renderer killed in its mode", true, {{renderer, true}}, true},
        {"renderer put it back", true, {{renderer, true}, {user, true}}, false},
        {"renderer put it back as it ended", true, {{renderer, true}, {user, false}}, false},
        {"user chose another after it", true, {{renderer, true}, {chosen, false}}, false},
        {"renderer never switched", true, {}, false},
        {"a change to the user's own mode", true, {{user, true}}, false},
        {"nothing recorded", false, {{renderer, true}}, false},
        {"its last switch counts", true, {{chosen, true}, {renderer, true}}, true},
    };
    for (const Case& c : cases) {
        SwitchedModeWatch watch;
        if (c.recorded) {
            watch.Record(user);
        }
        for (const Change& change : c.changes) {
            watch.Changed(change.mode, change.rendererRunning);
        }
        EXPECT_EQ(watch.ShouldPutBack(), c.putBack) << c.name;
        watch.Forget();
        EXPECT_FALSE(watch.ShouldPutBack()) << c.name << ", forgotten";
    }
}

}  // namespace
}  // namespace quillmere
