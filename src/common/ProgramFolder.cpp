#include "common/ProgramFolder.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vz {
namespace {

QString envPath(const char* name) { return QFile::decodeName(qgetenv(name)); }

QString withoutTrailingSlash(QString p) {
    while (p.size() > 1 && p.endsWith('/')) p.chop(1);
    return p;
}

QString executableFolder() {
    const QFileInfo exe(QFile::symLinkTarget(QStringLiteral("/proc/self/exe")));
    return exe.absolutePath();
}

// Where the files the program ships are: beside the executable in a build, else the
// installation's data folder.
QString shippedFolder(const QString& exeFolder) {
    if (QFileInfo::exists(joinPath(exeFolder, QStringLiteral("COUNTRY.LST")))) return exeFolder;
    return installedDataFolder(exeFolder);
}

// An installed program's bin folder: the installation's data folder is beside it. Such a folder
// is never the program folder, even when writable (root, or an installation in the user's home):
// the collector's files do not belong among the installed programs.
bool isInstallation(const QString& exeFolder) {
    return QFileInfo(installedDataFolder(exeFolder)).isDir();
}

// Copies the files the program ships (the lists) into a program folder that lacks them, keeping
// what is there.
void seedFrom(const QString& shipped, const QString& folder) {
    const QDir source(shipped);
    if (!source.exists() || QDir(shipped) == QDir(folder)) return;
    for (const QFileInfo& f : source.entryInfoList({QStringLiteral("*.LST")}, QDir::Files)) {
        const QString target = joinPath(folder, f.fileName());
        if (!QFileInfo::exists(target)) QFile::copy(f.absoluteFilePath(), target);
    }
}

}  // namespace

QString joinPath(const QString& folder, const QString& name) {
    if (folder.isEmpty()) return name;
    if (folder.endsWith('/')) return folder + name;
    return folder + '/' + name;
}

std::string toNativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString installedDataFolder(const QString& executableFolder) {
    return QDir::cleanPath(
        QDir(executableFolder).absoluteFilePath(QStringLiteral("../share/kestrelhouse")));
}

QString programFolder(QString* error) {
    return programFolderFor(executableFolder(), error);
}

QString programFolderFor(const QString& exeFolder, QString* error) {
    const QString fromEnv = envPath("VAZOVI_PROGRAM_DIR");
    if (!fromEnv.isEmpty()) {
        const QString folder = withoutTrailingSlash(QDir(fromEnv).absolutePath());
        if (!QDir().mkpath(folder)) {
            if (error) *error = "The program folder " + folder + " cannot be created.";
            return {};
        }
        seedFrom(shippedFolder(exeFolder), folder);
        return folder;
    }
    if (!exeFolder.isEmpty() && ::access(QFile::encodeName(exeFolder).constData(), W_OK) == 0 &&
        !isInstallation(exeFolder))
        return withoutTrailingSlash(exeFolder);

    QString dataHome = envPath("XDG_DATA_HOME");
    if (dataHome.isEmpty()) dataHome = QDir::homePath() + "/.local/share";
    const QString folder = withoutTrailingSlash(joinPath(dataHome, QStringLiteral("kestrelhouse")));
    if (!QDir().mkpath(folder)) {
        if (error) *error = "The program folder " + folder + " cannot be created.";
        return {};
    }
    seedFrom(shippedFolder(exeFolder), folder);
    return folder;
}

QString settingsFolder() {
    QString configHome = envPath("XDG_CONFIG_HOME");
    if (configHome.isEmpty()) configHome = QDir::homePath() + "/.config";
    return joinPath(withoutTrailingSlash(configHome), QStringLiteral("kestrelhouse"));
}

QString globalSettingsPath() { return joinPath(settingsFolder(), QStringLiteral("DUZEZIVA.INI")); }

}  // namespace vz
