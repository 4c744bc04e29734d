// Starting the real host with every kind of command line: what it creates and writes, and that it
// always ends with exit code 0 when there is nothing to run. The host is a copy without a
// renderer beside it, so a full-screen run ends by itself too.
#include "host_fixture.h"

namespace hosttest {
namespace {

struct StartCase {
    const char* name;
    std::vector<std::string> args;
    bool folderCreated;
    bool texturesWritten;
};

TEST_F(HostSystemTest, CommandLines) {
    const Window destroyed = MakeWindow(50, 50, true, 0);
    XDestroyWindow(x(), destroyed);
    XSync(x(), False);
    const StartCase cases[] = {
        {"empty", {}, true, true},
        {"-S", {"-S"}, true, true},
        {"Qt option", {"/s", "-title", "x"}, true, true},
        {"one character", {"s"}, true, false},
        {"/a", {"/a"}, true, false},
        {"very long", {"/a" + std::string(100000, 'z')}, true, false},
        {"non-ASCII switch", {"/\xC5\x9B"}, true, false},
        {"non-ASCII first", {"\xC5\x9Bs"}, true, true},
        {"/p alone", {"/p"}, false, false},
        {"/p 0", {"/p", "0"}, false, false},
        {"/p 0x1a", {"/p", "0x1a"}, false, false},
        {"/p:1234", {"/p:1234"}, false, false},
        {"/p of a destroyed window", {"/p", std::to_string(destroyed)}, false, false},
        {"/p beyond 32 bits", {"/p", "99999999999999"}, false, false},
    };
    const std::string folder = HostWithoutRenderer();
    for (const auto& c : cases) {
        HostEnvironment env(display());
        auto host = StartHost(c.args, env, folder);
        EXPECT_EQ(host->Wait(), 0) << c.name;
        EXPECT_EQ(testsupport::PathExists(env.TextureFolder()), c.folderCreated) << c.name;
        for (int n = 1; n <= 3; ++n) {
            EXPECT_EQ(testsupport::PathExists(env.TexturePath(n)), c.texturesWritten) << c.name;
        }
        // Settings are read, never written, by the start.
        EXPECT_FALSE(testsupport::PathExists(env.ConfigFolder())) << c.name;
        EXPECT_TRUE(WindowGone(kSaverTitle)) << c.name;
    }
}

// The second marker caption stops a start just like the saver window's.
TEST_F(HostSystemTest, SecondMarkerEndsTheStart) {
    for (const char* title : {"<Quillmere>", "Tormalune_Main"}) {
        const Window marker = MakeWindow(20, 20, false, 0, title);
        HostEnvironment env(display());
        auto host = StartHost({"/s"}, env, HostWithoutRenderer());
        EXPECT_EQ(host->Wait(), 0) << title;
        EXPECT_FALSE(testsupport::PathExists(env.CacheFolder())) << title;
        XDestroyWindow(x(), marker);
        XSync(x(), False);
    }
    // Titles are compared exactly.
    const Window other = MakeWindow(20, 20, false, 0, "<quillmere>");
    HostEnvironment env(display());
    auto host = StartHost({"/a"}, env, HostWithoutRenderer());
    EXPECT_EQ(host->Wait(), 0);
    EXPECT_TRUE(testsupport::PathExists(env.TextureFolder()));
    XDestroyWindow(x(), other);
}

TEST_F(HostSystemTest, NoDisplay) {
    for (const std::string value : {"", ":9999"}) {
        HostEnvironment env(value);
        const std::string errors = env.home() + "/errors.txt";
        auto variables = env.Variables();
        variables["DISPLAY"] = value;  // empty removes it
        ChildProcess host(BinDir() + "/Quillmere.scr", {"/s"}, variables, errors);
        EXPECT_EQ(host.Wait(), 0) << "DISPLAY=" << value;
        const auto bytes = testsupport::ReadFileBytes(errors);
        const std::string text(bytes.begin(), bytes.end());
        EXPECT_NE(text.find("no X display"), std::string::npos) << text;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
        EXPECT_FALSE(testsupport::PathExists(env.CacheFolder()));
    }
}

}  // namespace
}  // namespace hosttest
