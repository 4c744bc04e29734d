// Starting the real host with every kind of command line: what it creates and writes, and how it
// ends when there is nothing to run. The host is a copy without a renderer beside it, so a
// full-screen run ends by itself, as a failed start.
#include <sstream>

#include "host_fixture.h"

namespace hosttest {
namespace {

// What a start that ends by itself says: one line naming the fault (exit 1), or the usage (2).
void ExpectEndReport(const std::string& errorsPath, int exitCode, const std::string& name) {
    const auto bytes = testsupport::ReadFileBytes(errorsPath);
    const std::string text(bytes.begin(), bytes.end());
    if (exitCode == 1) {
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << name << ": " << text;
    }
    EXPECT_EQ(text.find("Usage: Quillmere.scr") == 0, exitCode == 2) << name << ": " << text;
    EXPECT_EQ(text.empty(), exitCode == 0) << name << ": " << text;
}

struct StartCase {
    const char* name;
    std::vector<std::string> args;
    bool folderCreated;
    bool texturesWritten;
    int exitCode;
};

TEST_F(HostSystemTest, CommandLines) {
    const Window destroyed = MakeWindow(50, 50, true, 0);
    XDestroyWindow(x(), destroyed);
    XSync(x(), False);
    std::ostringstream destroyedHex;
    destroyedHex << "0x" << std::hex << destroyed;
    const StartCase cases[] = {
        {"empty", {}, true, true, 1},
        {"-S", {"-S"}, true, true, 1},
        {"Qt option", {"/s", "-title", "x"}, true, true, 1},
        {"one character", {"s"}, true, false, 2},
        {"/a", {"/a"}, true, false, 2},
        {"very long", {"/a" + std::string(100000, 'z')}, true, false, 2},
        {"non-ASCII switch", {"/\xC5\x9B"}, true, false, 2},
        {"non-ASCII first", {"\xC5\x9Bs"}, true, true, 1},
        {"--help with more", {"--help", "/s"}, true, false, 2},
        {"/p alone", {"/p"}, false, false, 1},
        {"/p 0", {"/p", "0"}, false, false, 1},
        {"/p 0x", {"/p", "0x"}, false, false, 1},
        {"/p:1234", {"/p:1234"}, false, false, 1},
        {"/p of a destroyed window", {"/p", std::to_string(destroyed)}, false, false, 1},
        {"/p of a destroyed window, hex", {"/p", destroyedHex.str()}, false, false, 1},
        {"/p beyond 32 bits", {"/p", "99999999999999"}, false, false, 1},
    };
    const std::string folder = HostWithoutRenderer();
    for (const auto& c : cases) {
        HostEnvironment env(display());
        auto host = StartHost(c.args, env, folder);
        EXPECT_EQ(host->Wait(), c.exitCode) << c.name;
        ExpectEndReport(env.home() + "/host-stderr.txt", c.exitCode, c.name);
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
    EXPECT_EQ(host->Wait(), 2);
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
        EXPECT_EQ(host.Wait(), 1) << "DISPLAY=" << value;
        const auto bytes = testsupport::ReadFileBytes(errors);
        const std::string text(bytes.begin(), bytes.end());
        EXPECT_NE(text.find("no X display"), std::string::npos) << text;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
        EXPECT_FALSE(testsupport::PathExists(env.CacheFolder()));
    }
}

}  // namespace
}  // namespace hosttest
