#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <climits>

#include "TempFolder.h"
#include "data/Settings.h"

using namespace vz::data;

namespace {

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

// The names of a file's sections, or of one section's keys, in file order.
QStringList namesIn(const QByteArray& file, const QString& section = {}) {
    QStringList out;
    bool in = false;
    for (const QByteArray& line : file.split('\n')) {
        const QString name =
            QString::fromLatin1(line.startsWith('[') ? line.mid(1, line.indexOf(']') - 1)
                                                     : line.left(line.indexOf('=')));
        if (line.startsWith('[')) in = name == section;
        if (section.isEmpty() ? line.startsWith('[') : in && line.contains('=')) out << name;
    }
    return out;
}

DatabaseSettings databaseFrom(const QByteArray& file) {
    vz::test::TempFolder dir;
    writeBytes(dir.file("MINE.INI"), file);
    DatabaseSettings s;
    loadDatabaseSettings(s, dir.file("MINE.INI"), dir.file("none.INI"));
    return s;
}

GlobalSettings globalFrom(const QByteArray& file) {
    vz::test::TempFolder dir;
    writeBytes(dir.file("DUZEZIVA.INI"), file);
    GlobalSettings s;
    loadGlobalSettings(s, dir.file("DUZEZIVA.INI"), "/start");
    return s;
}

}  // namespace

TEST(Settings, KeysMissingFromTheFileTakeTheirDefaultsNotTheValuesHeldBefore) {
    vz::test::TempFolder dir;
    Settings s;
    s.global.misc.buttonBar = 3;
    s.database.field(4).caption = "Old";
    s.database.sortLevels.level = {1, 2, 3, 4};
    writeBytes(dir.file("MINE.INI"), "[Field Names]\nCatalog=Cat No\n");
    loadGlobalSettings(s.global, dir.file("none/DUZEZIVA.INI"), "/home/me/stamps");
    loadDatabaseSettings(s.database, dir.file("MINE.INI"), dir.file("none/DUZEZIVA.INI"));
    EXPECT_EQ(s.global.misc.buttonBar, 1);
    EXPECT_EQ(s.global.misc.lastImportFile, "/home/me/stamps");
    EXPECT_EQ(s.global.misc.lastExportFile, "/home/me/stamps");
    DatabaseSettings expected;
    expected.field(1).caption = "Cat No";
    EXPECT_EQ(s.database, expected);
}

TEST(Settings, IntegersAreTheDigitsAtTheStartOfTheValue) {
    const DatabaseSettings s = databaseFrom(
        "[Field Width]\nCatalog=12 characters\nDescriptio=  "
        "-7\nCountry=+5\nFaceValue=wide\nMarketValu=\n"
        "Quantity=- 5\nYear=99999999999\nComments=-99999999999\n"
        "Condition=0000000000000012\n"  // cut to 14 characters first: only zeros are left
        "[Grid Font]\nSize=0000000000000012\nColor=" +
        QByteArray(147, '0') +
        "12\n"
        "[Grid Title Font]\nColor=" +
        QByteArray(148, '0') +
        "12\n"
        "[Sort Order]\nPrimary Sort=99\nSecondary Sort=-1\nThird Level Sort=25\nFourth Level "
        "Sort=x\n");
    const int widths[] = {12, -7, 5, 0, 0, 0, INT_MAX, INT_MIN, 0, 15};
    for (int n = 1; n <= 10; ++n) EXPECT_EQ(s.field(n).width, widths[n - 1]) << n;
    // The grid fonts' "Size" and "Color" keep 149 characters.
    EXPECT_EQ(s.gridFont.size, 12);
    EXPECT_EQ(s.gridFont.colour, 12);
    EXPECT_EQ(s.gridTitleFont.colour, 1);
    // A sort level that names no field is none.
    EXPECT_EQ(s.sortLevels, (vz::search::SortLevels{{0, 0, 25, 0}}));
}

TEST(Settings, YesIsYesInAnyLetterCaseAndAnythingElseIsNo) {
    const DatabaseSettings s = databaseFrom(
        "[Display Fields]\nCatalog=yes\nDescriptio=YeS\nCountry=1\nFaceValue=\nMarketValu=Yes "
        "please\nQuantity=y\n"
        "[Grid Options]\nField Editing= yes \n");
    const bool shown[] = {true, true, false, false, false, false, true};
    for (int n = 1; n <= 7; ++n) EXPECT_EQ(s.field(n).display, shown[n - 1]) << n;
    EXPECT_TRUE(s.gridOptions.fieldEditing);
    const GlobalSettings g = globalFrom("[misc]\nshow tips=1\n[DEFAULTS]\nWanted=yES\n");
    EXPECT_FALSE(g.misc.showTips);
    EXPECT_TRUE(g.defaults.wanted);
}

TEST(Settings, TextsAreCutToTheirLengthsButPathsAndDefaultsAreKeptWhole) {
    const QByteArray longName(200, 'N');
    const DatabaseSettings s = databaseFrom("[Field Names]\nCatalog=" + QByteArray(30, 'c') +
                                            "\n[Label Font]\nFont Name=" + longName + "\n");
    EXPECT_EQ(s.field(1).caption, QString(20, 'c'));
    EXPECT_EQ(s.labelFont.name, QString(149, 'N'));

    const QByteArray longPath = "/" + QByteArray(300, 'p') + "/MINE.DBF";
    const GlobalSettings g =
        globalFrom("[Defaults]\nYear=19991\nDescription=" + QByteArray(120, 'd') + "\nComments=" +
                   QByteArray(110, 'c') + "\n[Misc]\nLast File 5=" + longPath + "\n");
    EXPECT_EQ(g.defaults.text[6], "1999");
    EXPECT_EQ(g.defaults.text[1], QString(110, 'd'));
    EXPECT_EQ(g.defaults.text[7], QString(110, 'c'));
    EXPECT_EQ(g.misc.lastFiles[4], QString::fromLatin1(longPath));
}

TEST(Settings, SavedFilesHoldTheirSectionsAndKeysInOrder) {
    vz::test::TempFolder dir;
    ASSERT_TRUE(saveGlobalSettings(GlobalSettings{}, dir.file("DUZEZIVA.INI")));
    ASSERT_TRUE(saveDatabaseSettings(DatabaseSettings{}, dir.file("MINE.INI")));
    const QByteArray global = readBytes(dir.file("DUZEZIVA.INI"));
    const QByteArray db = readBytes(dir.file("MINE.INI"));

    EXPECT_EQ(namesIn(global), (QStringList{"Misc", "Defaults"}));
    const QStringList misc = namesIn(global, "Misc"), defaults = namesIn(global, "Defaults");
    EXPECT_EQ(misc.size(), 19);
    EXPECT_EQ(misc.mid(7, 3), (QStringList{"Last Database", "Last File 1", "Last File 2"}));
    EXPECT_EQ(misc.back(), "Numeric Format");
    EXPECT_EQ(defaults.size(), 28);
    EXPECT_EQ(defaults.mid(1, 2), (QStringList{"Load Defaults With Clear", "Alpha Catalog"}));
    EXPECT_EQ(defaults.mid(26), (QStringList{"Wanted", "Plain Values"}));

    EXPECT_EQ(namesIn(db), (QStringList{"Field Names",
                                        "Display Fields",
                                        "Field Width",
                                        "Field Order",
                                        "Export Fields",
                                        "Export Order",
                                        "Export",
                                        "Import",
                                        "Sort Order",
                                        "Main Window Color",
                                        "Edit Window Color",
                                        "Search Window Color",
                                        "Report Window Color",
                                        "Configure Window Color",
                                        "Grid Title",
                                        "Grid Title Font",
                                        "Grid Font",
                                        "Grid Options",
                                        "Edit Font",
                                        "Label Font",
                                        "Button Font",
                                        "Reports"}));
    const QStringList fieldKeys = namesIn(db, "Export Order");
    EXPECT_EQ(fieldKeys.size(), 25);
    EXPECT_EQ(fieldKeys.mid(0, 2), (QStringList{"Catalog", "Descriptio"}));
    EXPECT_EQ(namesIn(db, "Search Window Color").size(), 13);
    EXPECT_EQ(namesIn(db, "Grid Font"), (QStringList{"Color", "Font Name", "Size", "Bold", "Italic",
                                                     "Underline", "Strikeout"}));
    EXPECT_TRUE(db.contains("[Display Fields]\r\nCatalog=Yes\r\n"));
}

TEST(Settings, DatabasePartComesFromTheGlobalFileUntilTheDatabaseHasItsOwn) {
    vz::test::TempFolder dir;
    const QString global = dir.file("DUZEZIVA.INI"), own = dir.file("MINE.INI");
    writeBytes(global,
               "[Misc]\nButton Bar=2\n[Sort Order]\nPrimary Sort=7\n[Grid Font]\nSize=14\n");
    DatabaseSettings s;
    loadDatabaseSettings(s, own, global);
    EXPECT_EQ(s.sortLevels.level[0], 7);
    EXPECT_EQ(s.gridFont.size, 14);

    s.sortLevels.level[0] = 5;
    ASSERT_TRUE(saveDatabaseSettings(s, own));
    EXPECT_FALSE(readBytes(global).contains("Primary Sort=5"));
    writeBytes(own, "[Sort Order]\nPrimary Sort=5\n");
    loadDatabaseSettings(s, own, global);
    EXPECT_EQ(s.sortLevels.level[0], 5);
    EXPECT_EQ(s.gridFont.size, 10);  // its own file now, even for the keys it lacks
}

// A.B.DBF keeps its settings in A.B.INI; earlier versions named it A.INI, which A.DBF and A.C.DBF
// shared. The earlier file is read only while A.B.INI is missing.
TEST(Settings, ATableNameWithADotKeepsItsOwnFileAndReadsTheEarlierName) {
    vz::test::TempFolder dir;
    const QString global = dir.file("DUZEZIVA.INI");
    writeBytes(global, "[Sort Order]\nPrimary Sort=7\n");
    writeBytes(dir.file("A.INI"), "[Sort Order]\nPrimary Sort=3\n");
    DatabaseSettings s;
    loadDatabaseSettings(s, dir.file("A.B.INI"), global);
    EXPECT_EQ(s.sortLevels.level[0], 3);

    s.sortLevels.level[0] = 5;
    ASSERT_TRUE(saveDatabaseSettings(s, dir.file("A.B.INI")));
    EXPECT_TRUE(readBytes(dir.file("A.INI")).contains("Primary Sort=3"));
    loadDatabaseSettings(s, dir.file("A.B.INI"), global);
    EXPECT_EQ(s.sortLevels.level[0], 5);
    loadDatabaseSettings(s, dir.file("A.INI"), global);
    EXPECT_EQ(s.sortLevels.level[0], 3);
    // A.C has neither file of its own: the earlier shared one.
    loadDatabaseSettings(s, dir.file("A.C.INI"), global);
    EXPECT_EQ(s.sortLevels.level[0], 3);
}

// Texts the settings file cannot hold were written as "?". A caption keeps its earlier value and
// the save says so; a file name is left out rather than written as the name of another file.
TEST(Settings, TextsTheFileCannotHoldAreNeverWrittenAsQuestionMarks) {
    vz::test::TempFolder dir;
    const QString own = dir.file("MINE.INI"), global = dir.file("DUZEZIVA.INI");
    DatabaseSettings s;
    s.field(3).caption = QString::fromUtf8("Land \xe2\x82\xac");  // "€" is in Windows-1252
    ASSERT_TRUE(saveDatabaseSettings(s, own));
    s.field(3).caption = QString::fromUtf8("\xc5\x81\xc3\xb3\x64\xc5\xba");
    s.sortLevels.level[0] = 4;
    QString problem;
    EXPECT_FALSE(saveDatabaseSettings(s, own, &problem));
    EXPECT_TRUE(problem.contains("U+0141")) << problem.toStdString();
    EXPECT_FALSE(readBytes(own).contains('?'));
    DatabaseSettings back;
    loadDatabaseSettings(back, own, global);
    EXPECT_EQ(back.field(3).caption, QString::fromUtf8("Land \xe2\x82\xac"));
    EXPECT_EQ(back.sortLevels.level[0], 4);

    GlobalSettings g;
    g.misc.lastDatabase = QString::fromUtf8("/home/ann/\xc5\x81\xc3\xb3\x64\xc5\xba/MINE.DBF");
    g.misc.lastFiles[0] = "/home/ann/MINE.DBF";
    ASSERT_TRUE(saveGlobalSettings(g, global));
    GlobalSettings gBack;
    loadGlobalSettings(gBack, global, dir.path());
    EXPECT_EQ(gBack.misc.lastDatabase, "");
    EXPECT_EQ(gBack.misc.lastFiles[0], "/home/ann/MINE.DBF");
}

TEST(Settings, FailedSaveLeavesTheOldFileAndReportsIt) {
    vz::test::TempFolder dir;
    ASSERT_TRUE(QDir().mkpath(dir.file("MINE.INI/x")));
    ASSERT_TRUE(QDir().mkpath(dir.file("DUZEZIVA.INI/x")));
    EXPECT_FALSE(saveDatabaseSettings(DatabaseSettings{}, dir.file("MINE.INI")));
    EXPECT_FALSE(saveGlobalSettings(GlobalSettings{}, dir.file("DUZEZIVA.INI")));
    EXPECT_TRUE(QFileInfo(dir.file("MINE.INI/x")).isDir());
    EXPECT_TRUE(QFileInfo(dir.file("DUZEZIVA.INI/x")).isDir());
}

TEST(Settings, EveryKeyComesBackAsItWasSaved) {
    Settings s;
    s.global.misc = {2,
                     -10,
                     20,
                     1024,
                     768,
                     "/imp/a.txt",
                     "/exp/b.txt",
                     "/db/MINE.DBF",
                     {"/1", "/2", "", "/4", "/5"},
                     false,
                     1280,
                     12,
                     true,
                     2,
                     2};
    RecordDefaults& d = s.global.defaults;
    d.loadWithAdd = d.loadWithClear = d.wanted = true;
    for (int n = 1; n <= RecordDefaults::kTextCount; ++n)
        d.text[size_t(n - 1)] = QString(RecordDefaults::maxLength(n), QChar(u'a' + n));
    d.text[2] = QString::fromUtf8("Côte d'Ivoire");

    DatabaseSettings& b = s.database;
    for (int n = 1; n <= kFieldCount; ++n)
        b.field(n) = {
            "Cap " + QString::number(n), n % 2 == 0, 100 + n, 26 - n, n % 3 == 0, 1 + (n * 7) % 25};
    b.field(5).caption = QString(kCaptionLength, QChar(0xE9));
    b.exportOptions = {false, 2};
    b.importOptions = {false, 2};
    b.sortLevels.level = {25, 14, 1, 7};
    for (int g = 0; g < kWindowGroupCount; ++g)
        for (int r = 0; r < kColourRoleCount; ++r)
            b.colours[size_t(g)].colour[size_t(r)] = 0x10000 * g + 17 * r + 1;
    b.gridTitle = {false, 255, 3};
    b.gridTitleFont = {65280, "Times New Roman", 18, true, true, true, true};
    b.gridFont = {16711680, "Courier New", 8, true, false, true, false};
    b.gridOptions = {0, false, false, false, true};
    b.editFont = {"Liberation Sans", true, false};
    b.labelFont = {"DejaVu Serif", false, true};
    b.buttonFont = {"Arial Black", true, true};
    b.reports = {4, false, 2, -5, 15, 800, 600};

    vz::test::TempFolder dir;
    const QString global = dir.file("cfg/DUZEZIVA.INI"), own = dir.file("MINE.INI");
    ASSERT_TRUE(saveGlobalSettings(s.global, global));
    ASSERT_TRUE(saveDatabaseSettings(s.database, own));
    Settings back;
    loadGlobalSettings(back.global, global, "/elsewhere");
    loadDatabaseSettings(back.database, own, global);
    EXPECT_EQ(back.global.misc, s.global.misc);
    EXPECT_EQ(back.global.defaults, s.global.defaults);
    EXPECT_EQ(back.database, s.database);

    // Saving what was read changes nothing in the file.
    const QByteArray first = readBytes(own);
    ASSERT_TRUE(saveDatabaseSettings(back.database, own));
    EXPECT_EQ(readBytes(own), first);
}

TEST(Settings, ProgramCallsKeepTheGlobalPartInTheSettingsFolder) {
    vz::test::TempFolder dir;
    const bool hadConfig = qEnvironmentVariableIsSet("XDG_CONFIG_HOME");
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.file("config")));

    Settings s;
    LoadSettings(s, "ignored.INI", SettingsPart::Global);
    EXPECT_EQ(s.global.misc.lastImportFile, QDir::currentPath());
    s.global.misc.dateFormat = 9;
    EXPECT_TRUE(SaveSettings(s, "ignored.INI", SettingsPart::Global));
    EXPECT_TRUE(QFileInfo::exists(dir.file("config/kestrelhouse/DUZEZIVA.INI")));

    Settings back;
    LoadSettings(back, "ignored.INI", SettingsPart::Global);
    EXPECT_EQ(back.global.misc.dateFormat, 9);
    // A database without a file of its own reads the global file, which holds none of its part.
    LoadSettings(back, dir.file("NEW.INI"), SettingsPart::Database);
    EXPECT_EQ(back.database, DatabaseSettings{});

    if (hadConfig)
        qputenv("XDG_CONFIG_HOME", oldConfig);
    else
        qunsetenv("XDG_CONFIG_HOME");
}
