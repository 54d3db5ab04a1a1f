// FileReplacement: a new file written under a temporary name beside the one it replaces.
//
// For writers that take a file name rather than a device (a QPrinter printing to PDF): they write
// to tempPath(), and commit() puts the finished file in place of the target in one rename, so the
// old file is never truncated and a failure leaves it exactly as it was. When the target is a
// symbolic link, the file it leads to is replaced and the link stays.
#pragma once

#include <QString>

namespace vz {

class FileReplacement {
public:
    // Makes an empty temporary file in the folder of `target` (of the file a link leads to).
    // When that fails, tempPath() is empty and error() says why.
    explicit FileReplacement(const QString& target);
    // Removes the temporary file unless commit() put it in place.
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    const QString& tempPath() const { return temp_; }
    const QString& error() const { return error_; }

    // Syncs the temporary file to the disk and renames it over the target. False, with error()
    // saying why, when that failed; the target is then as it was.
    [[nodiscard]] bool commit();

private:
    QString target_;  // links resolved
    QString temp_;
    QString error_;
    bool committed_ = false;
};

}  // namespace vz
