#include "manual_address.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace quillmere {

QString InstalledManualPath(const QString& programFolder) {
    return QDir::cleanPath(programFolder + QStringLiteral("/../../share/doc/quillmere/index.html"));
}

QUrl ManualAddress(const QString& programFolder, const QString& readme,
                   const std::function<bool(const QString& path)>& exists) {
    const QString manual = InstalledManualPath(programFolder);
    if (!programFolder.isEmpty() && exists(manual)) {
        return QUrl::fromLocalFile(manual);
    }
    if (!readme.isEmpty() && exists(readme)) {
        return QUrl::fromLocalFile(QDir::cleanPath(readme));
    }
    return QUrl::fromLocalFile(manual);
}

QUrl ManualAddressOfThisProgram() {
    // The program's real folder (through /proc/self/exe), so a link on PATH finds the manual too.
    return ManualAddress(QCoreApplication::applicationDirPath(),
                         QStringLiteral(QUILLMERE_SOURCE_README),
                         [](const QString& path) { return QFileInfo(path).isFile(); });
}

}  // namespace quillmere
