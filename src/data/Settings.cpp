#include "data/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <climits>

#include "common/AnsiText.h"
#include "common/ProfileFile.h"
#include "common/ProgramFolder.h"
#include "data/DatabaseFiles.h"

namespace vz::data {
namespace {

// Cuts made before a value is read, as the fixed buffers of the program's earlier versions made
// them (the buffer size less one).
constexpr int kNumberCut = 14;     // integers, colours, Yes/No
constexpr int kGridFontCut = 149;  // "Color" and "Size" of the grid fonts
constexpr int kNameCut = 149;      // font names, field captions
// File names are kept whole up to the longest path Linux takes: cut shorter, a path would name
// another file.
constexpr int kFileNameCut = 4095;

struct DefaultsKey {
    const char* key;
    int length;
};
constexpr std::array<DefaultsKey, RecordDefaults::kTextCount> kDefaultsKeys = {{
    {"Alpha Catalog", 12},
    {"Description", 110},
    {"Country", 20},
    {"Face Value", 20},
    {"Market Value", 12},
    {"Quantity", 6},
    {"Year", 4},
    {"Comments", 110},
    {"Condition", 9},
    {"Group", 20},
    {"Stamp Type", 16},
    {"Cancellation", 13},
    {"Topic", 20},
    {"Purchase Date", 10},
    {"Purchase Price", 12},
    {"Gum", 8},
    {"Color", 15},
    {"Faults", 90},
    {"Hinged", 7},
    {"Miscellaneous", 110},
    {"Numeric Catalog", 12},
    {"User Defined 1", 40},
    {"User Defined 2", 40},
    {"User Defined 3", 40},
}};

constexpr std::array<const char*, kColourRoleCount> kColourKeys = {
    "Main Background", "Major Title",      "Minor Title", "Edit Background",
    "Edit Text",       "Combo Background", "Combo Text",  "List Box Background",
    "List Box Text",   "Radio Background", "Radio Text",  "Check Background",
    "Check Text",
};

constexpr std::array<const char*, kWindowGroupCount> kColourSections = {
    "Main Window Color",   "Edit Window Color",      "Search Window Color",
    "Report Window Color", "Configure Window Color",
};

// The number at the start of `s`: blanks, then an optional sign, then digits; 0 without digits.
// A number beyond the range of int is held at its end.
int leadingInteger(const QString& s) {
    qsizetype i = 0;
    while (i < s.size() && (s.at(i) == u' ' || s.at(i) == u'\t')) ++i;
    bool negative = false;
    if (i < s.size() && (s.at(i) == u'+' || s.at(i) == u'-')) negative = s.at(i++) == u'-';
    long long n = 0;
    for (; i < s.size() && s.at(i) >= u'0' && s.at(i) <= u'9'; ++i) {
        n = n * 10 + (s.at(i).unicode() - u'0');
        if (n > -static_cast<long long>(INT_MIN)) n = -static_cast<long long>(INT_MIN);
    }
    if (negative) n = -n;
    return n > INT_MAX ? INT_MAX : int(n);
}

// "YES" once upper-cased, and nothing else. Only ASCII letters are upper-cased, so that no other
// character can turn into one of these three.
bool isYes(const QString& s) {
    if (s.size() != 3) return false;
    const char16_t want[] = {u'Y', u'E', u'S'};
    for (int i = 0; i < 3; ++i) {
        char16_t c = s.at(i).unicode();
        if (c >= u'a' && c <= u'z') c = char16_t(c - 32);
        if (c != want[i]) return false;
    }
    return true;
}

// Both directions of the files go through one walk over every key, in the order the files hold
// them: Reader takes each value that the file has, Writer writes each one.
class Reader {
public:
    explicit Reader(const ProfileFile& p) : p_(p) {}
    void integer(const QString& section, const QString& key, int& v, int cut = kNumberCut) {
        if (p_.contains(section, key)) v = leadingInteger(p_.value(section, key).left(cut));
    }
    void yesNo(const QString& section, const QString& key, bool& v) {
        if (p_.contains(section, key)) v = isYes(p_.value(section, key).left(kNumberCut));
    }
    void text(const QString& section, const QString& key, QString& v, int cut) {
        if (p_.contains(section, key)) v = p_.value(section, key).left(cut);
    }

private:
    const ProfileFile& p_;
};

class Writer {
public:
    explicit Writer(ProfileFile& p) : p_(p) {}
    void integer(const QString& section, const QString& key, int& v, int = 0) {
        p_.setValue(section, key, QString::number(v));
    }
    void yesNo(const QString& section, const QString& key, bool& v) {
        p_.setValue(section, key, v ? QStringLiteral("Yes") : QStringLiteral("No"));
    }
    void text(const QString& section, const QString& key, QString& v, int cut) {
        if (p_.setValue(section, key, v)) return;
        // A file name with a character the file cannot hold names no file once written: it is
        // left out (the program then starts from its own folder, as for a missing file).
        if (cut == kFileNameCut) {
            p_.setValue(section, key, QString());
            return;
        }
        if (refused_.isEmpty()) {
            const std::optional<char32_t> c = firstNonAnsiCharacter(v);
            refused_ = QStringLiteral(
                           "\"%1\" in [%2] %3 holds the character %4, which a settings file cannot "
                           "hold; the earlier value was kept.")
                           .arg(v, section, key, describeCharacter(c ? *c : char32_t(0xFFFD)));
        }
    }
    // The first value that was refused, described; empty when there was none.
    const QString& refused() const { return refused_; }

private:
    ProfileFile& p_;
    QString refused_;
};

bool saveProfile(const ProfileFile& profile, const Writer& writer, const QString& path,
                 QString* problem) {
    if (!profile.save(path)) {
        if (problem) *problem = QStringLiteral("%1 could not be written.").arg(path);
        return false;
    }
    if (writer.refused().isEmpty()) return true;
    if (problem) *problem = writer.refused();
    return false;
}

QString storedName(int number) {
    const std::string_view n = schemaField(number).storedName;
    return QString::fromLatin1(n.data(), qsizetype(n.size()));
}

template <class V>
void walkGlobal(GlobalSettings& g, V& v) {
    const QString misc = QStringLiteral("Misc");
    MiscSettings& m = g.misc;
    v.integer(misc, "Button Bar", m.buttonBar);
    v.integer(misc, "Main Window Left", m.mainWindowLeft);
    v.integer(misc, "Main Window Top", m.mainWindowTop);
    v.integer(misc, "Main Window Width", m.mainWindowWidth);
    v.integer(misc, "Main Window Height", m.mainWindowHeight);
    v.text(misc, "Last Import File", m.lastImportFile, kFileNameCut);
    v.text(misc, "Last Export File", m.lastExportFile, kFileNameCut);
    v.text(misc, "Last Database", m.lastDatabase, kFileNameCut);
    for (size_t i = 0; i < m.lastFiles.size(); ++i)
        v.text(misc, "Last File " + QString::number(i + 1), m.lastFiles[i], kFileNameCut);
    v.yesNo(misc, "Show Tips", m.showTips);
    v.integer(misc, "Window Size", m.windowSize);
    v.integer(misc, "Date Format", m.dateFormat);
    v.yesNo(misc, "Date Leading Zeros", m.dateLeadingZeros);
    v.integer(misc, "Currency Format", m.currencyFormat);
    v.integer(misc, "Numeric Format", m.numericFormat);

    const QString defaults = QStringLiteral("Defaults");
    RecordDefaults& d = g.defaults;
    v.yesNo(defaults, "Load Defaults With Add", d.loadWithAdd);
    v.yesNo(defaults, "Load Defaults With Clear", d.loadWithClear);
    // Each text keeps the whole length the edit window gives it.
    for (size_t i = 0; i < d.text.size(); ++i)
        v.text(defaults, kDefaultsKeys[i].key, d.text[i], kDefaultsKeys[i].length);
    v.yesNo(defaults, "Wanted", d.wanted);
    v.yesNo(defaults, "Plain Values", d.plainValues);
}

template <class V>
void walkGridFont(const QString& section, GridFontSettings& f, V& v) {
    v.integer(section, "Color", f.colour, kGridFontCut);
    v.text(section, "Font Name", f.name, kNameCut);
    v.integer(section, "Size", f.size, kGridFontCut);
    v.yesNo(section, "Bold", f.bold);
    v.yesNo(section, "Italic", f.italic);
    v.yesNo(section, "Underline", f.underline);
    v.yesNo(section, "Strikeout", f.strikeout);
}

template <class V>
void walkControlFont(const QString& section, ControlFontSettings& f, V& v) {
    v.text(section, "Font Name", f.name, kNameCut);
    v.yesNo(section, "Bold", f.bold);
    v.yesNo(section, "Italic", f.italic);
}

template <class V>
void walkDatabase(DatabaseSettings& s, V& v) {
    for (int n = 1; n <= kFieldCount; ++n)
        v.text("Field Names", storedName(n), s.field(n).caption, kCaptionLength);
    for (int n = 1; n <= kFieldCount; ++n)
        v.yesNo("Display Fields", storedName(n), s.field(n).display);
    for (int n = 1; n <= kFieldCount; ++n)
        v.integer("Field Width", storedName(n), s.field(n).width);
    for (int n = 1; n <= kFieldCount; ++n)
        v.integer("Field Order", storedName(n), s.field(n).order);
    for (int n = 1; n <= kFieldCount; ++n)
        v.yesNo("Export Fields", storedName(n), s.field(n).exported);
    for (int n = 1; n <= kFieldCount; ++n)
        v.integer("Export Order", storedName(n), s.field(n).exportOrder);

    v.yesNo("Export", "First Row", s.exportOptions.firstRow);
    v.integer("Export", "File Type", s.exportOptions.fileType);
    v.yesNo("Import", "Skip First", s.importOptions.skipFirst);
    v.integer("Import", "File Type", s.importOptions.fileType);

    const char* levelKeys[] = {"Primary Sort", "Secondary Sort", "Third Level Sort",
                               "Fourth Level Sort"};
    for (size_t i = 0; i < 4; ++i) v.integer("Sort Order", levelKeys[i], s.sortLevels.level[i]);

    for (int g = 0; g < kWindowGroupCount; ++g) {
        const QString section = colourSection(WindowGroup(g));
        for (int r = 0; r < kColourRoleCount; ++r)
            v.integer(section, kColourKeys[size_t(r)], s.colours[size_t(g)].colour[size_t(r)]);
    }

    v.yesNo("Grid Title", "Show Titles", s.gridTitle.showTitles);
    v.integer("Grid Title", "Background Color", s.gridTitle.backgroundColour);
    v.integer("Grid Title", "Alignment", s.gridTitle.alignment);
    walkGridFont("Grid Title Font", s.gridTitleFont, v);
    walkGridFont("Grid Font", s.gridFont, v);
    v.integer("Grid Options", "Cell Color", s.gridOptions.cellColour);
    v.yesNo("Grid Options", "Column Lines", s.gridOptions.columnLines);
    v.yesNo("Grid Options", "Row Lines", s.gridOptions.rowLines);
    v.yesNo("Grid Options", "Row Indicator", s.gridOptions.rowIndicator);
    v.yesNo("Grid Options", "Field Editing", s.gridOptions.fieldEditing);
    walkControlFont("Edit Font", s.editFont, v);
    walkControlFont("Label Font", s.labelFont, v);
    walkControlFont("Button Font", s.buttonFont, v);

    ReportSettings& r = s.reports;
    v.integer("Reports", "Last Report", r.lastReport);
    v.yesNo("Reports", "Default Printer", r.defaultPrinter);
    v.integer("Reports", "Printer Index", r.printerIndex);
    v.integer("Reports", "Report Viewing Window Left", r.viewerLeft);
    v.integer("Reports", "Report Viewing Window Top", r.viewerTop);
    v.integer("Reports", "Report Viewing Window Width", r.viewerWidth);
    v.integer("Reports", "Report Viewing Window Height", r.viewerHeight);
}

}  // namespace

QString RecordDefaults::key(int number) {
    return QString::fromLatin1(kDefaultsKeys.at(size_t(number - 1)).key);
}

int RecordDefaults::maxLength(int number) {
    return kDefaultsKeys.at(size_t(number - 1)).length;
}

QString ColourSet::key(ColourRole r) {
    return QString::fromLatin1(kColourKeys.at(size_t(r)));
}

QString colourSection(WindowGroup g) {
    return QString::fromLatin1(kColourSections.at(size_t(g)));
}

std::array<FieldSettings, kFieldCount> defaultFieldSettings() {
    std::array<FieldSettings, kFieldCount> fields;
    for (int n = 1; n <= kFieldCount; ++n) {
        FieldSettings& f = fields[size_t(n - 1)];
        const std::string_view caption = schemaField(n).caption;
        f.caption = QString::fromLatin1(caption.data(), qsizetype(caption.size()));
        f.order = n;
        f.exportOrder = n;
    }
    return fields;
}

void loadGlobalSettings(GlobalSettings& s, const QString& path, const QString& currentFolder) {
    GlobalSettings loaded;
    loaded.misc.lastImportFile = currentFolder;
    loaded.misc.lastExportFile = currentFolder;
    const ProfileFile profile = ProfileFile::load(path);
    Reader reader(profile);
    walkGlobal(loaded, reader);
    s = std::move(loaded);
}

bool saveGlobalSettings(const GlobalSettings& s, const QString& path, QString* problem) {
    ProfileFile profile = ProfileFile::load(path);
    GlobalSettings copy = s;
    Writer writer(profile);
    walkGlobal(copy, writer);
    return saveProfile(profile, writer, path, problem);
}

void loadDatabaseSettings(DatabaseSettings& s, const QString& iniPath, const QString& globalPath) {
    DatabaseSettings loaded;
    // A settings file written under its earlier name serves until the first save under the new.
    QString from = iniPath;
    if (!QFileInfo::exists(from)) {
        const QString legacy = legacyCompanionPath(iniPath);
        from = !legacy.isEmpty() && QFileInfo::exists(legacy) ? legacy : globalPath;
    }
    const ProfileFile profile = ProfileFile::load(from);
    Reader reader(profile);
    walkDatabase(loaded, reader);
    // A level is a field number; anything else would name no field.
    for (int& level : loaded.sortLevels.level)
        if (level < 0 || level > kFieldCount) level = 0;
    s = std::move(loaded);
}

bool saveDatabaseSettings(const DatabaseSettings& s, const QString& iniPath, QString* problem) {
    ProfileFile profile = ProfileFile::load(iniPath);
    DatabaseSettings copy = s;
    Writer writer(profile);
    walkDatabase(copy, writer);
    return saveProfile(profile, writer, iniPath, problem);
}

void LoadSettings(Settings& s, const QString& fileName, SettingsPart part) {
    if (part == SettingsPart::Global)
        loadGlobalSettings(s.global, globalSettingsPath(), QDir::currentPath());
    else
        loadDatabaseSettings(s.database, fileName, globalSettingsPath());
}

bool SaveSettings(const Settings& s, const QString& fileName, SettingsPart part) {
    if (part == SettingsPart::Global) return saveGlobalSettings(s.global, globalSettingsPath());
    return saveDatabaseSettings(s.database, fileName);
}

}  // namespace vz::data
