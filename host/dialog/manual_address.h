// Where the settings dialog's web label points: the HTML manual installed with the programs.
#pragma once

#include <QString>
#include <QUrl>
#include <functional>

namespace quillmere {

// The manual installed beside the programs: <prefix>/lib/quillmere/ holds them and
// <prefix>/share/doc/quillmere/index.html is the manual.
QString InstalledManualPath(const QString& programFolder);

// The file address of the installed manual when it exists; else, for a program run from its build
// folder, that of the README (when given and it exists); else the installed manual's address all
// the same, so the label still tells where the manual belongs.
QUrl ManualAddress(const QString& programFolder, const QString& readme,
                   const std::function<bool(const QString& path)>& exists);

// The address for this program: its own folder, and the README of the sources it was built from.
QUrl ManualAddressOfThisProgram();

}  // namespace quillmere
