#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "TempFolder.h"
#include "common/ProgramFolder.h"

using namespace vz;

namespace {

// Sets an environment variable for the life of one test.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char* name_;
    QByteArray old_;
    bool had_;
};

}  // namespace

TEST(ProgramFolder, EnvironmentVariableWinsWithoutTrailingSlash) {
    test::TempFolder dir;
    ScopedEnv env("VAZOVI_PROGRAM_DIR", QFile::encodeName(dir.path() + "/prog/"));
    EXPECT_EQ(programFolder(), dir.path() + "/prog");
    EXPECT_TRUE(QDir(dir.path() + "/prog").exists());
}

TEST(ProgramFolder, SettingsFileFollowsXdgConfigHome) {
    test::TempFolder dir;
    ScopedEnv env("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    EXPECT_EQ(globalSettingsPath(), dir.path() + "/kestrelhouse/DUZEZIVA.INI");
}

TEST(ProgramFolder, JoiningNeverDoublesTheSeparator) {
    EXPECT_EQ(joinPath("/", "x"), "/x");
    EXPECT_EQ(joinPath("/data", "MASTER.DBF"), "/data/MASTER.DBF");
    EXPECT_EQ(joinPath("/data/", "MASTER.DBF"), "/data/MASTER.DBF");
}
