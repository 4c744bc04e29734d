// assetgen: writes the pictures the host carries into a folder.
//   assetgen <folder> [file name ...]
// Without names it writes them all. The output depends on nothing but this program, so the
// committed files can be rebuilt byte for byte.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>

#include <cstdio>
#include <string>

#include "pictures.h"

namespace {

bool Wanted(const char* fileName, int argc, char** argv) {
    if (argc <= 2) {
        return true;
    }
    for (int i = 2; i < argc; ++i) {
        if (std::string(argv[i]) == fileName) {
            return true;
        }
    }
    return false;
}

// Reads the file back the way the host will, so a picture that Qt cannot decode or that
// has the wrong size never gets committed.
bool Verify(const QString& path, const assetgen::Picture& picture) {
    QImageReader reader(path);
    const QImage image = reader.read();
    if (image.isNull()) {
        std::fprintf(stderr, "assetgen: cannot read back %s: %s\n", qPrintable(path),
                     qPrintable(reader.errorString()));
        return false;
    }
    if (image.width() != picture.width || image.height() != picture.height) {
        std::fprintf(stderr, "assetgen: %s is %d x %d, expected %d x %d\n", qPrintable(path),
                     image.width(), image.height(), picture.width, picture.height);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: assetgen <folder> [file name ...]\n");
        return 2;
    }
    // Image plug-ins (JPEG) are loaded through the application object; no display is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "assetgen: cannot create %s\n", argv[1]);
        return 1;
    }

    int failures = 0;
    int written = 0;
    for (const assetgen::Picture& picture : assetgen::Pictures()) {
        if (!Wanted(picture.fileName, argc, argv)) {
            continue;
        }
        const QString path = folder.filePath(QString::fromLatin1(picture.fileName));
        const QImage image = picture.make();
        if (image.width() != picture.width || image.height() != picture.height) {
            std::fprintf(stderr, "assetgen: %s was made at %d x %d\n", picture.fileName,
                         image.width(), image.height());
            ++failures;
            continue;
        }
        if (!image.save(path, nullptr, picture.quality) || !Verify(path, picture)) {
            std::fprintf(stderr, "assetgen: cannot write %s\n", qPrintable(path));
            ++failures;
            continue;
        }
        std::printf("%s\n", qPrintable(path));
        ++written;
    }
    for (const assetgen::WindowsForm& form : assetgen::WindowsForms()) {
        if (!Wanted(form.fileName, argc, argv)) {
            continue;
        }
        const QString path = folder.filePath(QString::fromLatin1(form.fileName));
        if (!assetgen::WriteWindowsForm(path, form)) {
            std::fprintf(stderr, "assetgen: cannot write %s\n", qPrintable(path));
            ++failures;
            continue;
        }
        std::printf("%s\n", qPrintable(path));
        ++written;
    }
    if (written == 0 && failures == 0) {
        std::fprintf(stderr, "assetgen: no picture matches the names given\n");
        return 2;
    }
    return failures == 0 ? 0 : 1;
}
