#include "host_fixture.h"

#include <X11/Xutil.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace hosttest {

namespace {

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 |
           static_cast<std::uint32_t>(b[at + 3]) << 24;
}

std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

}  // namespace

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

Ran RunToEnd(const std::vector<std::string>& command, const std::string& folder,
             std::map<std::string, std::string> env) {
    env["QUILLMERE_TEST_OUT"] = folder + "/out.txt";
    std::vector<std::string> args{"-c", "exec \"$@\" > \"$QUILLMERE_TEST_OUT\"", "sh"};
    args.insert(args.end(), command.begin(), command.end());
    ChildProcess process("/bin/sh", args, env, folder + "/errors.txt");
    Ran ran;
    ran.exitCode = process.Wait(300s);
    ran.out = ReadText(folder + "/out.txt");
    ran.errors = ReadText(folder + "/errors.txt");
    return ran;
}

InstallLock::InstallLock()
    : fd_(::open(QUILLMERE_BUILD_DIR "/install-test.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    ::flock(fd_, LOCK_EX);
}

InstallLock::~InstallLock() {
    ::close(fd_);
}

std::optional<BmpHeader> ReadBmpHeader(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') {
        return std::nullopt;
    }
    BmpHeader header;
    header.fileSize = U32(bytes, 2);
    header.dataOffset = U32(bytes, 10);
    header.infoSize = U32(bytes, 14);
    header.width = static_cast<std::int32_t>(U32(bytes, 18));
    header.height = static_cast<std::int32_t>(U32(bytes, 22));
    header.planes = U16(bytes, 26);
    header.bitsPerPixel = U16(bytes, 28);
    header.compression = U32(bytes, 30);
    return header;
}

HostEnvironment::HostEnvironment(std::string display) : display_(std::move(display)) {
    // Qt wants a private runtime folder and says so on stderr otherwise.
    std::filesystem::create_directory(home_ / "runtime");
    ::chmod((home_ / "runtime").c_str(), 0700);
}

std::map<std::string, std::string> HostEnvironment::Variables() const {
    return {{"DISPLAY", display_},
            {"HOME", home_.path()},
            {"XDG_CACHE_HOME", CacheFolder()},
            {"XDG_CONFIG_HOME", ConfigFolder()},
            {"XDG_RUNTIME_DIR", home_ / "runtime"},
            // No sound card here: music, if any, goes to a file.
            {"SDL_AUDIODRIVER", "disk"},
            {"SDL_DISKAUDIOFILE", home_ / "audio.raw"}};
}

void HostSystemTest::SetUp() {
    RestartServer({});
}

void HostSystemTest::RestartServer(const std::vector<std::string>& extraArgs,
                                   const std::string& screen) {
    client_.reset();
    server_.reset();
    server_ = std::make_unique<testsupport::XvfbServer>(screen, extraArgs);
    client_ = std::make_unique<testsupport::XClient>(server_->display());
    ASSERT_TRUE(client_->ok());
    env_ = std::make_unique<HostEnvironment>(server_->display());
}

void HostSystemTest::TearDown() {
    EndRenderers();
}

std::unique_ptr<ChildProcess> HostSystemTest::StartHost(const std::vector<std::string>& args,
                                                        const HostEnvironment& env,
                                                        const std::string& folder) {
    return std::make_unique<ChildProcess>(folder + "/Quillmere.scr", args, env.Variables(),
                                          env.home() + "/host-stderr.txt");
}

std::string HostSystemTest::HostWithoutRenderer() {
    const std::string folder = scratch_ / "alone";
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(BinDir() + "/Quillmere.scr", folder + "/Quillmere.scr",
                               std::filesystem::copy_options::overwrite_existing);
    return folder;
}

Window HostSystemTest::WaitForWindow(const std::string& title, std::chrono::milliseconds deadline) {
    Window found = 0;
    WaitUntil(
        [&] {
            found = testsupport::FindWindowByTitle(x(), title);
            return found != 0;
        },
        deadline);
    return found;
}

bool HostSystemTest::WindowGone(const std::string& title) {
    return WaitUntil([&] { return testsupport::FindWindowByTitle(x(), title) == 0; });
}

std::vector<pid_t> HostSystemTest::RendererPids() {
    std::vector<pid_t> pids;
    if (!server_) {
        return pids;
    }
    const std::string wantedDisplay = "DISPLAY=" + display() + '\0';
    std::error_code ignored;
    const auto renderer = std::filesystem::canonical(BinDir() + "/Quillmere.dll", ignored);
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        const auto exe = std::filesystem::read_symlink(entry.path() / "exe", ignored);
        if (ignored || exe != renderer) {
            ignored.clear();
            continue;
        }
        const std::string environment = ReadText(entry.path() / "environ");
        if (('\0' + environment).find('\0' + wantedDisplay) == std::string::npos) {
            continue;
        }
        pids.push_back(std::stoi(name));
    }
    return pids;
}

void HostSystemTest::EndRenderers() {
    for (const pid_t pid : RendererPids()) {
        ::kill(pid, SIGTERM);
        if (!WaitUntil([&] { return ::kill(pid, 0) != 0; }, 5s)) {
            ::kill(pid, SIGKILL);
        }
    }
}

bool HostSystemTest::HoldEscapeUntil(const std::function<bool()>& condition) {
    testsupport::FakeKey(x(), XK_Escape, true);
    const bool held = WaitUntil(condition);
    testsupport::FakeKey(x(), XK_Escape, false);
    return held;
}

unsigned long HostSystemTest::PixelOf(int r, int g, int b) const {
    const Visual* visual = DefaultVisual(x(), DefaultScreen(x()));
    const auto scale = [](int value, unsigned long mask) {
        int shift = 0;
        while (mask != 0 && ((mask >> shift) & 1u) == 0) {
            ++shift;
        }
        const unsigned long max = mask >> shift;
        return ((static_cast<unsigned long>(value) * max + 127) / 255) << shift;
    };
    return scale(r, visual->red_mask) | scale(g, visual->green_mask) | scale(b, visual->blue_mask);
}

Window HostSystemTest::MakeWindow(int width, int height, bool map, unsigned long background,
                                  const std::string& title) {
    const Window window =
        XCreateSimpleWindow(x(), DefaultRootWindow(x()), 10, 10, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), 0, 0, background);
    if (!title.empty()) {
        XStoreName(x(), window, title.c_str());
    }
    if (map) {
        XMapWindow(x(), window);
    }
    XSync(x(), False);
    return window;
}

}  // namespace hosttest
