// The installed layout: the command people type runs the help, the settings dialog and the saver
// from the program folder it links to; the uninstall removes it all again; and the Debian
// package holds the same files with the right dependencies.
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "host_fixture.h"

namespace hosttest {
namespace {

namespace fs = std::filesystem;

// Every file and link under the folder.
std::vector<std::string> FilesUnder(const std::string& folder) {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_directory() || entry.is_symlink()) {
            files.push_back(entry.path().string());
        }
    }
    return files;
}

// The running renderer's program files on this display.
std::vector<fs::path> RendererPrograms(const std::string& display) {
    std::vector<fs::path> programs;
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator("/proc", ignored)) {
        const auto exe = fs::read_symlink(entry.path() / "exe", ignored);
        const std::string environment = '\0' + ReadText(entry.path() / "environ");
        if (!ignored && exe.filename() == "Quillmere.dll" &&
            environment.find('\0' + ("DISPLAY=" + display) + '\0') != std::string::npos) {
            programs.push_back(exe);
        }
        ignored.clear();
    }
    return programs;
}

TEST_F(HostSystemTest, InstalledCommandRunsAndUninstalls) {
    const std::string stage = scratch_ / "stage";
    const std::string root = stage + "/usr/local";
    const std::map<std::string, std::string> destdir{{"DESTDIR", stage}};
    const InstallLock lock;
    const Ran install = RunToEnd({QUILLMERE_CMAKE, "--install", QUILLMERE_BUILD_DIR, "--prefix",
                                  "/usr/local", "--component", "quillmere"},
                                 scratch_.path(), destdir);
    ASSERT_EQ(install.exitCode, 0) << install.out << install.errors;

    // A relative link, so the layout can move as a whole.
    const std::string command = root + "/bin/quillmere";
    EXPECT_EQ(fs::read_symlink(command), "../lib/quillmere/Quillmere.scr");
    EXPECT_TRUE(fs::exists(root + "/lib/quillmere/Quillmere.dll"));
    const Ran desktop =
        RunToEnd({"/usr/bin/desktop-file-validate", root + "/share/applications/quillmere.desktop"},
                 scratch_.path());
    EXPECT_EQ(desktop.exitCode, 0) << desktop.out << desktop.errors;
    const Ran manual =
        RunToEnd({"/usr/bin/man", "--warnings", "-l", root + "/share/man/man6/quillmere.6.gz"},
                 scratch_.path(), {{"MANWIDTH", "80"}, {"LC_ALL", "C.UTF-8"}});
    EXPECT_EQ(manual.exitCode, 0);
    EXPECT_EQ(manual.errors, "");
    // XScreenSaver finds the hack by its name, and its description by the same name.
    const std::string hack = root + "/libexec/xscreensaver/quillmere";
    EXPECT_EQ(fs::read_symlink(hack), "../../lib/quillmere/Quillmere.scr");
    const std::string config = root + "/share/xscreensaver/config/quillmere.xml";
    const Ran hackName = RunToEnd(
        {"/usr/bin/xmllint", "--xpath", "string(/screensaver/@name)", config}, scratch_.path());
    EXPECT_EQ(hackName.exitCode, 0) << hackName.errors;
    EXPECT_EQ(hackName.out, "quillmere\n");

    const Ran help = RunToEnd({command, "--help"}, scratch_.path());
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("Usage: quillmere ", 0), 0u) << help.out;
    const Ran version = RunToEnd({command, "--version"}, scratch_.path());
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, std::string("Quillmere ") + QUILLMERE_VERSION + "\n");

    // The settings dialog opens and closes with its close box.
    ChildProcess dialog(command, {"/c"}, env_->Variables());
    const Window dialogWindow = WaitForWindow("Quillmere");
    ASSERT_NE(dialogWindow, 0u);
    testsupport::SendDeleteWindow(x(), dialogWindow);
    EXPECT_EQ(dialog.Wait(), 0);

    // The saver runs the renderer from the program folder and ends on Escape.
    ChildProcess saver(command, {"/s"}, env_->Variables());
    ASSERT_NE(WaitForWindow(kRendererTitle), 0u);
    EXPECT_EQ(RendererPrograms(display()),
              std::vector<fs::path>{fs::canonical(root + "/lib/quillmere/Quillmere.dll")});
    EXPECT_TRUE(HoldEscapeUntil([&] { return !saver.running(); }));
    EXPECT_EQ(saver.Wait(), 0);
    EXPECT_TRUE(WindowGone(kRendererTitle));

    const Ran uninstall = RunToEnd(
        {QUILLMERE_CMAKE,
         std::string("-DMANIFEST=") + QUILLMERE_BUILD_DIR + "/install_manifest_quillmere.txt", "-P",
         std::string(QUILLMERE_BUILD_DIR) + "/packaging/uninstall.cmake"},
        scratch_.path(), destdir);
    EXPECT_EQ(uninstall.exitCode, 0) << uninstall.out << uninstall.errors;
    EXPECT_EQ(FilesUnder(stage), std::vector<std::string>{});
    EXPECT_FALSE(fs::exists(root + "/lib/quillmere"));
}

TEST(DebianPackageTest, ContentsAndDependencies) {
    testsupport::TempDir folder;
    const InstallLock lock;
    const Ran pack = RunToEnd(
        {QUILLMERE_CPACK, "--config", std::string(QUILLMERE_BUILD_DIR) + "/CPackConfig.cmake", "-G",
         "DEB", "-B", folder.path()},
        folder.path());
    ASSERT_EQ(pack.exitCode, 0) << pack.out << pack.errors;
    std::string package;
    for (const auto& entry : fs::directory_iterator(folder.path())) {
        if (entry.path().extension() == ".deb") {
            package = entry.path();
        }
    }
    ASSERT_EQ(fs::path(package).filename().string().rfind(
                  std::string("quillmere_") + QUILLMERE_VERSION + "_", 0),
              0u)
        << package;

    const Ran contents = RunToEnd({"/usr/bin/dpkg-deb", "-c", package}, folder.path());
    ASSERT_EQ(contents.exitCode, 0) << contents.errors;
    for (const char* expected : {
             "-rwxr-xr-x root/root [^\n]* ./usr/lib/quillmere/Quillmere.scr\n",
             "-rwxr-xr-x root/root [^\n]* ./usr/lib/quillmere/Quillmere.dll\n",
             "lrwxrwxrwx root/root [^\n]* ./usr/bin/quillmere -> ../lib/quillmere/Quillmere.scr\n",
             "-rw-r--r-- root/root [^\n]* ./usr/share/man/man6/quillmere.6.gz\n",
             "-rw-r--r-- root/root [^\n]* ./usr/share/applications/quillmere.desktop\n",
             "-rw-r--r-- root/root [^\n]* ./usr/share/icons/hicolor/32x32/apps/quillmere.png\n",
             // Where Debian's XScreenSaver looks for hacks and for their settings.
             "lrwxrwxrwx root/root [^\n]* ./usr/libexec/xscreensaver/quillmere -> "
             "../../lib/quillmere/Quillmere.scr\n",
             "-rw-r--r-- root/root [^\n]* ./usr/share/xscreensaver/config/quillmere.xml\n",
         }) {
        EXPECT_THAT(contents.out, ::testing::ContainsRegex(expected));
    }

    const Ran fields =
        RunToEnd({"/usr/bin/dpkg-deb", "-f", package, "Package", "Version", "Depends", "Suggests"},
                 folder.path());
    ASSERT_EQ(fields.exitCode, 0) << fields.errors;
    for (const char* expected :
         {"Package: quillmere\n",
          // Linked: the toolkit, X, GL, sound and CD libraries, found by dpkg-shlibdeps.
          "Depends: [^\n]*libqt6widgets6", "Depends: [^\n]*libx11-6", "Depends: [^\n]*libglu1-mesa",
          "Depends: [^\n]*libsdl2-2.0-0", "Depends: [^\n]*libmpg123", "Depends: [^\n]*libsndfile1",
          "Depends: [^\n]*libcdio",
          // Loaded at run time: GL drivers and the dialog's font.
          "Depends: [^\n]*libgl1-mesa-dri", "Depends: [^\n]*fonts-ipafont-gothic",
          "Suggests: xscreensaver, xss-lock\n"}) {
        EXPECT_THAT(fields.out, ::testing::ContainsRegex(expected));
    }
    EXPECT_THAT(fields.out, ::testing::HasSubstr(std::string("Version: ") + QUILLMERE_VERSION));
}

}  // namespace
}  // namespace hosttest
