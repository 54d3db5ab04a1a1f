#include "common/FileReplacement.h"

#include <fcntl.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vz {
namespace {

// The file `path` leads to: links followed (one not yet there leads to where it would be).
QString resolvedTarget(const QString& path) {
    QFileInfo info(QFileInfo(path).absoluteFilePath());
    for (int hop = 0; hop < 40 && info.isSymLink(); ++hop) {
        const QString target = info.symLinkTarget();
        if (target.isEmpty()) break;
        info = QFileInfo(target);
    }
    return info.absoluteFilePath();
}

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

}  // namespace

FileReplacement::FileReplacement(const QString& target) : target_(resolvedTarget(target)) {
    const QFileInfo info(target_);
    QTemporaryFile file(
        QDir(info.absolutePath())
            .filePath(QStringLiteral(".") + info.fileName() + QStringLiteral(".new-XXXXXX")));
    file.setAutoRemove(false);
    if (!file.open()) {
        error_ = QStringLiteral("%1 cannot be written: %2")
                     .arg(QDir::toNativeSeparators(target), file.errorString());
        return;
    }
    temp_ = file.fileName();
    // A temporary file is the owner's alone; the new file takes the old one's permissions, or
    // those of a new file.
    const QFileInfo old(target_);
    file.setPermissions(old.exists() ? old.permissions()
                                     : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser |
                                           QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther);
}

FileReplacement::~FileReplacement() {
    if (!committed_ && !temp_.isEmpty()) QFile::remove(temp_);
}

bool FileReplacement::commit() {
    if (temp_.isEmpty()) return false;
    const QByteArray from = QFile::encodeName(temp_);
    const QByteArray to = QFile::encodeName(target_);
    const int fd = ::open(from.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        error_ = QStringLiteral("%1 cannot be written: %2")
                     .arg(QDir::toNativeSeparators(target_), systemError());
        if (fd >= 0) ::close(fd);
        return false;
    }
    ::close(fd);
    if (std::rename(from.constData(), to.constData()) != 0) {
        error_ = QStringLiteral("%1 cannot be written: %2")
                     .arg(QDir::toNativeSeparators(target_), systemError());
        return false;
    }
    committed_ = true;
    // The rename reaches the disk with its folder.
    const int dir = ::open(QFile::encodeName(QFileInfo(target_).absolutePath()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace vz
