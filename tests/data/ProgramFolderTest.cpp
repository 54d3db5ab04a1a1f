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

// An installed program (bin/ with share/kestrelhouse beside it) keeps the collector's files in
// the data home, seeded from the installation, even when its bin folder is writable (root, or an
// installation in the home folder); a portable copy without an installation beside it uses its
// own writable folder.
TEST(ProgramFolder, AnInstallationsBinFolderIsNeverTheProgramFolder) {
    test::TempFolder dir;
    ASSERT_TRUE(QDir().mkpath(dir.file("usr/bin")));
    ASSERT_TRUE(QDir().mkpath(dir.file("usr/share/kestrelhouse")));
    QFile shipped(dir.file("usr/share/kestrelhouse/COUNTRY.LST"));
    ASSERT_TRUE(shipped.open(QIODevice::WriteOnly));
    shipped.write("Atlantis\r\n");
    shipped.close();
    ScopedEnv noProgramDir("VAZOVI_PROGRAM_DIR", QByteArray());
    ScopedEnv dataHome("XDG_DATA_HOME", QFile::encodeName(dir.file("data")));

    EXPECT_EQ(installedDataFolder(dir.file("usr/bin")), dir.file("usr/share/kestrelhouse"));
    EXPECT_EQ(programFolderFor(dir.file("usr/bin")), dir.file("data/kestrelhouse"));
    QFile seeded(dir.file("data/kestrelhouse/COUNTRY.LST"));
    ASSERT_TRUE(seeded.open(QIODevice::ReadOnly));
    EXPECT_EQ(seeded.readAll(), "Atlantis\r\n");

    ASSERT_TRUE(QDir().mkpath(dir.file("portable")));
    EXPECT_EQ(programFolderFor(dir.file("portable")), dir.file("portable"));
}
