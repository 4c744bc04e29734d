// The Windows installer under Wine, as a user runs it: a silent install into a fresh prefix, what
// it puts where, the installed saver run from its folder, and silent uninstalls.
#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include <gmock/gmock.h>

#include "renderer_wine_fixture.h"

namespace winetest {
namespace {

constexpr const char* kUninstallKey =
    R"(HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillmere)";
constexpr const char* kDesktopKey = R"(HKCU\Control Panel\Desktop)";

std::string SetupProgram() {
    return std::string(QUILLMERE_WINDOWS_BIN_DIR) + "/../Quillmere-1.0.0-setup.exe";
}

// The installer packs the host once the Windows build makes it.
bool HostBuilt() {
    return std::filesystem::exists(WindowsProgram("Quillmere.scr"));
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class WineInstallerTest : public WineRendererTest {
  protected:
    // A registry value as `reg query` shows it (DWORDs as 0x hex), or nothing when it is not set.
    std::optional<std::string> RegValue(const std::string& key, const std::string& name) {
        const ToolResult result = wine_->Run("reg", {"query", key, "/v", name});
        if (result.code != 0) {
            return std::nullopt;
        }
        std::istringstream lines(result.out);
        std::string line;
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            std::istringstream words(line);
            std::string word, type;
            words >> word >> type;
            if (word == name && type.rfind("REG_", 0) == 0) {
                std::string value;
                std::getline(words >> std::ws, value);
                return value;
            }
        }
        return std::nullopt;
    }
    bool SetRegValue(const std::string& key, const std::string& name, const std::string& value) {
        return wine_->Run("reg", {"add", key, "/v", name, "/d", value, "/f"}).code == 0;
    }

    // Where "C:\<path>" lies on this side.
    std::filesystem::path OnDisk(const std::string& windowsPath) const {
        EXPECT_EQ(Upper(windowsPath.substr(0, 3)), "C:\\") << windowsPath;
        std::string rest = windowsPath.substr(3);
        std::replace(rest.begin(), rest.end(), '\\', '/');
        return wine_->DriveC(rest);
    }

    // Every file and folder on drive C but Windows' own and the temporary folders (the
    // uninstaller runs from a copy there, which Windows deletes at the next start).
    std::set<std::string> Snapshot() const {
        std::set<std::string> entries;
        const std::filesystem::path root = wine_->DriveC("");
        for (auto it = std::filesystem::recursive_directory_iterator(root);
             it != std::filesystem::recursive_directory_iterator(); ++it) {
            const std::string name = Upper(it->path().filename().string());
            const std::string relative = it->path().lexically_relative(root).generic_string();
            if (name == "TEMP" || Upper(relative) == "WINDOWS") {
                it.disable_recursion_pending();
                continue;
            }
            entries.insert(relative);
        }
        return entries;
    }

    // A silent install; folder_ is where it went, by the Apps entry.
    void Install() {
        ASSERT_TRUE(std::filesystem::exists(SetupProgram()))
            << "no installer: make windows-package";
        ASSERT_EQ(wine_->Run(SetupProgram(), {"/S"}).code, 0);
        const std::optional<std::string> folder = RegValue(kUninstallKey, "InstallLocation");
        ASSERT_TRUE(folder);
        folder_ = *folder;
        ASSERT_TRUE(std::filesystem::exists(OnDisk(folder_ + "\\Uninstall.exe")));
    }

    // The quiet uninstall, as "Apps" runs it: the uninstaller hands over to a copy of itself and
    // returns, so the end is its own file gone.
    void Uninstall(const std::vector<std::string>& args) {
        ASSERT_EQ(wine_->Run(folder_ + "\\Uninstall.exe", args).code, 0);
        EXPECT_TRUE(testsupport::WaitUntil(
            [&] {
                return !std::filesystem::exists(OnDisk(folder_ + "\\Uninstall.exe")) &&
                       !RegValue(kUninstallKey, "DisplayName");
            },
            60s));
    }

    std::string folder_;
};

TEST_F(WineInstallerTest, SilentInstallForTheUserAndSilentUninstallLeavingNothing) {
    StartSession();
    const std::set<std::string> before = Snapshot();
    Install();
    if (HasFatalFailure()) {
        return;
    }
    // The user's own folder, writable without administrator rights.
    EXPECT_TRUE(Upper(folder_).starts_with(R"(C:\USERS\)")) << folder_;
    EXPECT_TRUE(folder_.ends_with(R"(\AppData\Local\Programs\Quillmere)")) << folder_;
    EXPECT_GT(std::filesystem::file_size(OnDisk(folder_ + "\\Quillmere.dll")), 0u);
    EXPECT_EQ(std::filesystem::exists(OnDisk(folder_ + "\\Quillmere.scr")), HostBuilt());
    // The manual the settings dialog's web label opens.
    EXPECT_TRUE(std::filesystem::exists(OnDisk(folder_ + "\\manual\\index.html")));

    const std::string uninstaller = "\"" + folder_ + "\\Uninstall.exe\"";
    const std::string icon = folder_ + (HostBuilt() ? "\\Quillmere.scr,0" : "\\Uninstall.exe,0");
    const std::pair<const char*, std::string> entries[] = {
        {"DisplayName", "Quillmere"},
        {"DisplayVersion", "1.0.0"},
        {"Publisher", "Quillmere"},
        {"InstallLocation", folder_},
        {"UninstallString", uninstaller},
        {"QuietUninstallString", uninstaller + " /S"},
        {"DisplayIcon", icon},
        {"NoModify", "0x1"},
        {"NoRepair", "0x1"},
    };
    for (const auto& [name, value] : entries) {
        EXPECT_EQ(RegValue(kUninstallKey, name).value_or("(none)"), value) << name;
    }
    const std::optional<std::string> size = RegValue(kUninstallKey, "EstimatedSize");
    ASSERT_TRUE(size);
    EXPECT_GT(std::stoul(*size, nullptr, 16), 100u) << "kilobytes";
    if (HostBuilt()) {
        EXPECT_EQ(RegValue(kDesktopKey, "SCRNSAVE.EXE"), folder_ + "\\Quillmere.scr");
    } else {
        EXPECT_FALSE(RegValue(kDesktopKey, "SCRNSAVE.EXE"));
    }

    Uninstall({"/S"});
    EXPECT_FALSE(std::filesystem::exists(OnDisk(folder_)));
    EXPECT_FALSE(RegValue(kUninstallKey, "InstallLocation"));
    EXPECT_FALSE(RegValue(kDesktopKey, "SCRNSAVE.EXE"));
    const std::set<std::string> after = Snapshot();
    std::vector<std::string> left, lost;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(),
                        std::back_inserter(left));
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(),
                        std::back_inserter(lost));
    EXPECT_THAT(left, ::testing::IsEmpty());
    EXPECT_THAT(lost, ::testing::IsEmpty());
}

// What the programs wrote themselves stays unless asked for; files that are not the saver's stay
// always, and with them their folder.
TEST_F(WineInstallerTest, UninstallKeepsSettingsAndPicturesUnlessToldToRemoveThem) {
    StartSession();
    const struct {
        std::vector<std::string> args;
        bool kept;
    } cases[] = {{{"/S"}, true}, {{"/S", "/REMOVESETTINGS"}, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        Install();
        if (HasFatalFailure()) {
            return;
        }
        const std::filesystem::path ini = OnDisk(folder_ + "\\Quillmere.ini");
        testsupport::WriteFile(ini, std::string("[S]"));
        std::filesystem::create_directories(wine_->DriveC("q_vorn"));
        for (int file = 1; file <= 3; ++file) {
            testsupport::WriteFile(
                wine_->DriveC("q_vorn/Tormalune" + std::to_string(file) + ".bmp"),
                std::string("BM"));
        }
        testsupport::WriteFile(wine_->DriveC("q_vorn/mine.txt"), std::string("mine"));

        Uninstall(c.args);
        EXPECT_EQ(std::filesystem::exists(ini), c.kept);
        EXPECT_EQ(std::filesystem::exists(OnDisk(folder_)), c.kept);
        for (int file = 1; file <= 3; ++file) {
            EXPECT_EQ(std::filesystem::exists(
                          wine_->DriveC("q_vorn/Tormalune" + std::to_string(file) + ".bmp")),
                      c.kept);
        }
        EXPECT_TRUE(std::filesystem::exists(wine_->DriveC("q_vorn/mine.txt")));
    }
}

// The uninstall resets the screen saver only while it still names this one.
TEST_F(WineInstallerTest, UninstallResetsTheScreenSaverOnlyWhileItIsQuillmere) {
    StartSession();
    const struct {
        const char* what;
        std::string (*value)(const std::string& folder);
        bool reset;
    } cases[] = {
        {"the installed host", [](const std::string& f) { return f + "\\Quillmere.scr"; }, true},
        {"in other letter cases", [](const std::string& f) { return Upper(f + "\\Quillmere.scr"); },
         true},
        {"another saver", [](const std::string&) { return std::string(R"(C:\Other\other.scr)"); },
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Install();
        if (HasFatalFailure()) {
            return;
        }
        const std::string saver = c.value(folder_);
        ASSERT_TRUE(SetRegValue(kDesktopKey, "SCRNSAVE.EXE", saver));
        Uninstall({"/S"});
        EXPECT_EQ(RegValue(kDesktopKey, "SCRNSAVE.EXE"),
                  c.reset ? std::nullopt : std::optional<std::string>(saver));
    }
}

TEST_F(WineInstallerTest, InstalledSaverRunsFromItsFolderAndEscapeEndsIt) {
    if (!HostBuilt()) {
        GTEST_SKIP() << "no Quillmere.scr in the Windows build yet";
    }
    StartSession();
    Install();
    if (HasFatalFailure()) {
        return;
    }
    // The host finds the renderer beside itself, in the installed folder.
    auto host = wine_->Start(folder_ + "\\Quillmere.scr", {"/s"});
    ASSERT_NE(WaitForWindow(), 0u);
    ASSERT_TRUE(WaitForScene());
    TapEscape();
    EXPECT_TRUE(host->Wait(60s));
    EXPECT_TRUE(testsupport::WaitUntil(
        [&] {
            return wine_->WinTool({"find", kTitle}).code != 0;
        },
        60s));
    // The textures were written where the renderer reads them.
    EXPECT_TRUE(std::filesystem::exists(wine_->DriveC("q_vorn/Tormalune1.bmp")));
}

TEST_F(WineInstallerTest, InstalledSettingsDialogStoresQuillmereIniBesideThePrograms) {
    if (!HostBuilt()) {
        GTEST_SKIP() << "no Quillmere.scr in the Windows build yet";
    }
    StartSession();
    Install();
    if (HasFatalFailure()) {
        return;
    }
    const std::filesystem::path ini = OnDisk(folder_ + "\\Quillmere.ini");
    ASSERT_FALSE(std::filesystem::exists(ini));
    auto host = wine_->Start(folder_ + "\\Quillmere.scr", {"/c"});
    // The window exists before it is placed, shown and taking clicks: find its client area and
    // click the middle of 設定 (324, 200 and 77 x 25 in it) again until the store has ended the
    // program.
    EXPECT_TRUE(testsupport::WaitUntil(
        [&] {
            const ToolResult result = wine_->WinTool({"client", "Quillmere"});
            int x = 0, y = 0;
            if (result.code == 0 && std::sscanf(result.out.c_str(), "%d %d", &x, &y) == 2) {
                testsupport::ChildProcess click("/usr/bin/xdotool",
                                                {"mousemove", std::to_string(x + 324 + 38),
                                                 std::to_string(y + 200 + 12), "click", "1"},
                                                {{"DISPLAY", server_->display()}});
                click.Wait(30s);
            }
            return host->Wait(3s).has_value();
        },
        120s));
    ASSERT_TRUE(std::filesystem::exists(ini));
    EXPECT_NE(ReadText(ini).find("[Section]"), std::string::npos);
}

}  // namespace
}  // namespace winetest
