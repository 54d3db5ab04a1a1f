// A temporary folder for one test, removed with its contents afterwards.
#pragma once

#include <QTemporaryDir>
#include <QString>

namespace vz::test {

class TempFolder {
public:
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};

}  // namespace vz::test
