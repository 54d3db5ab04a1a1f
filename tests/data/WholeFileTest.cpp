// The whole-file saves (settings, data lists, report definitions) survive a failed write, sync or
// rename at any point: for N = 1, 2, 3, ... the Nth call of that kind fails, and the file then
// holds its old content or its new one (the new one exactly when the save reported success), with
// no temporary file left beside it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <functional>

#include "TempFolder.h"
#include "common/ProfileFile.h"
#include "common/WholeFile.h"
#include "data/ListFile.h"
#include "engine/FaultInjection.h"
#include "reports/BuiltInReports.h"
#include "reports/ReportFile.h"

using namespace vz;
using engine::FaultInjection;
using Op = FaultInjection::Op;

namespace {

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(missing)");
}

struct Save {
    const char* name;
    QString file;                             // the file name in the folder
    std::function<void(const QString&)> old;  // writes the old content
    std::function<bool(const QString&)> run;  // the save; true when it reported success
};

std::vector<Save> saves() {
    auto profile = [](const char* value) {
        ProfileFile p;
        p.setValue("Misc", "Show Tips", value);
        p.setValue("Defaults", "Date Format", "dd/mm/yyyy");
        return p;
    };
    return {
        {"settings", "MINE.INI", [=](const QString& f) { ASSERT_TRUE(profile("No").save(f)); },
         [=](const QString& f) { return profile("Yes").save(f); }},
        {"list", "MINE.001",
         [](const QString& f) {
             ASSERT_EQ(data::writeListFile(f, {"Bulgaria", "Greece"}).outcome,
                       data::ListFileWrite::Outcome::Written);
         },
         [](const QString& f) {
             return data::writeListFile(f, {"Albania", "Bulgaria", "Greece"}).outcome ==
                    data::ListFileWrite::Outcome::Written;
         }},
        {"report save", "DUZEZIVA.URP",
         [](const QString& f) { ASSERT_TRUE(reports::CreateDefaultReports(f).isOk()); },
         [](const QString& f) {
             reports::ReportDefinition def = *reports::LoadReport(f, 1);
             def.name = "Mine";
             return reports::SaveReport(f, def).isOk();
         }},
        {"report delete", "DUZEZIVA.URP",
         [](const QString& f) { ASSERT_TRUE(reports::CreateDefaultReports(f).isOk()); },
         [](const QString& f) { return reports::DeleteReport(f, 2).isOk(); }},
    };
}

class WholeFileSave : public ::testing::Test {
protected:
    void TearDown() override { FaultInjection::disarm(); }
};

TEST_F(WholeFileSave, EveryFailedCallLeavesTheOldFileOrTheNewOne) {
    for (const Save& save : saves()) {
        for (Op op : {Op::Write, Op::Sync, Op::Rename}) {
            SCOPED_TRACE(std::string(save.name) + ", failing " + FaultInjection::name(op));
            QByteArray oldBytes, newBytes;
            {
                test::TempFolder clean;
                const QString path = clean.file(save.file);
                save.old(path);
                oldBytes = readBytes(path);
                ASSERT_TRUE(save.run(path));
                newBytes = readBytes(path);
                ASSERT_NE(oldBytes, newBytes);
            }
            int injected = 0, n = 1;
            for (;; ++n) {
                SCOPED_TRACE("call " + std::to_string(n));
                test::TempFolder folder;
                const QString path = folder.file(save.file);
                save.old(path);
                FaultInjection::arm(op, n);
                const bool saved = save.run(path);
                const int faults = FaultInjection::injected();
                FaultInjection::disarm();
                if (faults == 0) {
                    EXPECT_TRUE(saved);
                    break;
                }
                ++injected;
                EXPECT_FALSE(saved) << "a save that met a failure reported success";
                EXPECT_EQ(readBytes(path), saved ? newBytes : oldBytes);
                EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                          QStringList{save.file});
                if (HasFailure()) return;
            }
            std::printf("whole-file save %-13s failing %-6s: injected %d, survived %d\n", save.name,
                        FaultInjection::name(op), injected, injected);
            EXPECT_GT(injected, 0);
        }
    }
}

TEST(WholeFile, ANewFileTakesTheUmaskAndAnOldOneKeepsItsPermissionsAndItsLink) {
    test::TempFolder folder;
    const std::string fresh = (folder.path() + "/NEW.INI").toStdString();
    const mode_t mask = ::umask(022);
    ASSERT_TRUE(replaceWholeFile(fresh, "a").isOk());
    struct stat st {};
    ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    ASSERT_EQ(::chmod(fresh.c_str(), 0600), 0);
    ASSERT_TRUE(replaceWholeFile(fresh, "b").isOk());
    ASSERT_EQ(::stat(fresh.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ::umask(mask);

    // A settings file kept elsewhere through a link stays there, and the link stays a link.
    const QString link = folder.file("LINKED.INI");
    ASSERT_TRUE(QFile::link(QString::fromStdString(fresh), link));
    ProfileFile p;
    p.setValue("Misc", "Show Tips", "Yes");
    ASSERT_TRUE(p.save(link));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readBytes(QString::fromStdString(fresh)), "[Misc]\r\nShow Tips=Yes\r\n");

    // A folder where the file should be: refused before anything is written.
    bool notCreated = false;
    ASSERT_TRUE(QDir(folder.path()).mkdir("DIR.INI"));
    EXPECT_FALSE(replaceWholeFile(folder.file("DIR.INI").toStdString(), "x", &notCreated).isOk());
    EXPECT_TRUE(notCreated);
}

}  // namespace
