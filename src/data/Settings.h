// Settings: every value the program keeps between runs, in memory, and the two files that hold
// them.
//
// The global part (sections "Misc" and "Defaults") lives in the global settings file
// DUZEZIVA.INI; the database part (every other section) in the open database's own settings
// file, base name + ".INI", so that each collection keeps its own captions, layout, sort order,
// colours, fonts, export, import and report choices. Each member below starts at its default,
// so a default-constructed Settings is what a missing file gives.
//
// How values are read: an integer (colours too) is the number at the start of the value, with
// blanks and a sign allowed before it, 0 when there is none, held to the range of int; a Yes/No
// value is true exactly when it is "yes" in any mix of letter case; a text is cut to its length.
// Before that a value is cut as a fixed buffer would cut it: 14 characters for integers, colours
// and Yes/No values (149 for "Color" and "Size" of the two grid fonts), 149 for font names. The
// "Defaults" texts keep their field's length (up to 110) and file names up to 4,095 characters.
// Values are written as plain decimal digits with "-" when negative, "Yes" or "No", and text as
// it is.
#pragma once

#include <QString>
#include <array>

#include "data/Schema.h"
#include "search/SortOrder.h"

namespace vz::data {

enum class SettingsPart { Global, Database };

// Section "Misc".
struct MiscSettings {
    int buttonBar = 1;  // 1 speed buttons, 2 lettered buttons, 3 none
    int mainWindowLeft = 0;
    int mainWindowTop = 0;
    int mainWindowWidth = 640;
    int mainWindowHeight = 480;
    QString lastImportFile;  // the current folder at start-up when missing
    QString lastExportFile;  // likewise
    QString lastDatabase;
    std::array<QString, 5> lastFiles;  // "Last File 1" to "Last File 5", the most recent first
    bool showTips = true;
    int windowSize = 640;  // 640, 800, 1024 or 1280
    int dateFormat = 1;    // 1 to 12
    bool dateLeadingZeros = false;
    int currencyFormat = 1;  // 1 U.S., 2 the system's
    int numericFormat = 1;   // 1 U.S., 2 the system's
    friend bool operator==(const MiscSettings&, const MiscSettings&) = default;
};

// Section "Defaults": the values the record edit window can put into a new or cleared record.
struct RecordDefaults {
    static constexpr int kTextCount = 24;  // fields 1 to 24; field 25 is `wanted`

    bool loadWithAdd = false;
    bool loadWithClear = false;
    std::array<QString, kTextCount> text;  // index 0 holds field 1 ("Alpha Catalog")
    bool wanted = false;
    // "Plain Values": the numbers (Market Value, Quantity, Year, Purchase Price, Numeric Catalog)
    // are kept as plain decimals ("1234.5") and Purchase Date as "YYYYMMDD", whatever the formats
    // of the day. Without it (files of earlier versions) they are the texts as typed, to be read
    // under the formats in force.
    bool plainValues = false;
    friend bool operator==(const RecordDefaults&, const RecordDefaults&) = default;

    // The key of field `number` (1 to 24): "Alpha Catalog", "Description", ...
    static QString key(int number);
    // The most characters its value keeps.
    static int maxLength(int number);
};

struct GlobalSettings {
    MiscSettings misc;
    RecordDefaults defaults;
    friend bool operator==(const GlobalSettings&, const GlobalSettings&) = default;
};

// One field's values in the per-field sections, each keyed by the field's stored name.
struct FieldSettings {
    QString caption;       // "Field Names", at most 20 characters
    bool display = true;   // "Display Fields"
    int width = 15;        // "Field Width", in characters
    int order = 0;         // "Field Order", the column position, 1 leftmost
    bool exported = true;  // "Export Fields"
    int exportOrder = 0;   // "Export Order"
    friend bool operator==(const FieldSettings&, const FieldSettings&) = default;
};

// The per-field values as they are for a database without settings: the default captions and
// the field numbers as both orders.
std::array<FieldSettings, kFieldCount> defaultFieldSettings();

inline constexpr int kCaptionLength = 20;

struct ExportSettings {
    bool firstRow = true;  // "First Row"
    int fileType = 1;      // "File Type"
    friend bool operator==(const ExportSettings&, const ExportSettings&) = default;
};

struct ImportSettings {
    bool skipFirst = true;  // "Skip First"
    int fileType = 1;       // "File Type"
    friend bool operator==(const ImportSettings&, const ImportSettings&) = default;
};

// A colour is blue * 65536 + green * 256 + red.
enum class ColourRole {
    MainBackground,
    MajorTitle,
    MinorTitle,
    EditBackground,
    EditText,
    ComboBackground,
    ComboText,
    ListBoxBackground,
    ListBoxText,
    RadioBackground,
    RadioText,
    CheckBackground,
    CheckText,
};
inline constexpr int kColourRoleCount = 13;

// The thirteen colours of one group of windows, in the order of ColourRole.
struct ColourSet {
    std::array<int, kColourRoleCount> colour{12632256, 0, 0,        16777215, 0,        16777215, 0,
                                             16777215, 0, 12632256, 0,        12632256, 0};
    int operator[](ColourRole r) const { return colour[size_t(r)]; }
    int& operator[](ColourRole r) { return colour[size_t(r)]; }
    friend bool operator==(const ColourSet&, const ColourSet&) = default;

    // The settings key of a colour: "Main Background", "Major Title", ...
    static QString key(ColourRole r);
};

// The five colour sets, one section each.
enum class WindowGroup { Main, Edit, Search, Report, Configure };
inline constexpr int kWindowGroupCount = 5;
// "Main Window Color", "Edit Window Color", ...
QString colourSection(WindowGroup g);

// Section "Grid Title".
struct GridTitleSettings {
    bool showTitles = true;
    int backgroundColour = 8553090;
    int alignment = 2;  // 1 left, 2 centred, 3 right
    friend bool operator==(const GridTitleSettings&, const GridTitleSettings&) = default;
};

// Sections "Grid Title Font" and "Grid Font".
struct GridFontSettings {
    int colour = 0;
    QString name = QStringLiteral("Arial");
    int size = 10;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    friend bool operator==(const GridFontSettings&, const GridFontSettings&) = default;
};

// Section "Grid Options".
struct GridOptions {
    int cellColour = 12632256;
    bool columnLines = true;
    bool rowLines = true;
    bool rowIndicator = true;
    bool fieldEditing = false;
    friend bool operator==(const GridOptions&, const GridOptions&) = default;
};

// Sections "Edit Font", "Label Font" and "Button Font".
struct ControlFontSettings {
    QString name = QStringLiteral("Arial");
    bool bold = false;
    bool italic = false;
    friend bool operator==(const ControlFontSettings&, const ControlFontSettings&) = default;
};

// Section "Reports".
struct ReportSettings {
    int lastReport = 0;
    bool defaultPrinter = true;
    int printerIndex = 0;
    int viewerLeft = 0;  // the report viewing window
    int viewerTop = 0;
    int viewerWidth = 640;
    int viewerHeight = 480;
    friend bool operator==(const ReportSettings&, const ReportSettings&) = default;
};

struct DatabaseSettings {
    std::array<FieldSettings, kFieldCount> fields = defaultFieldSettings();  // index 0: field 1
    ExportSettings exportOptions;
    ImportSettings importOptions;
    // Section "Sort Order". A level outside 0 to 25 in a file reads as 0 (none).
    search::SortLevels sortLevels;
    std::array<ColourSet, kWindowGroupCount> colours;  // in the order of WindowGroup
    GridTitleSettings gridTitle;
    GridFontSettings gridTitleFont{.size = 12};
    GridFontSettings gridFont{.size = 10};
    GridOptions gridOptions;
    ControlFontSettings editFont;
    ControlFontSettings labelFont;
    ControlFontSettings buttonFont;
    ReportSettings reports;

    FieldSettings& field(int number) { return fields[size_t(number - 1)]; }
    const FieldSettings& field(int number) const { return fields[size_t(number - 1)]; }
    ColourSet& colourSet(WindowGroup g) { return colours[size_t(g)]; }
    const ColourSet& colourSet(WindowGroup g) const { return colours[size_t(g)]; }
    friend bool operator==(const DatabaseSettings&, const DatabaseSettings&) = default;
};

struct Settings {
    GlobalSettings global;
    DatabaseSettings database;
    friend bool operator==(const Settings&, const Settings&) = default;
};

// Reads the global part from the file at `path`; every key that is missing, or the whole file,
// takes its default. `currentFolder` is the default of "Last Import File" and "Last Export File".
void loadGlobalSettings(GlobalSettings& s, const QString& path, const QString& currentFolder);
// Writes every key of the global part to the file at `path` ("Misc", then "Defaults"), keeping
// whatever else the file holds. False when the file could not be written; it is then left as it
// was. A text with a character Windows-1252 lacks is never written as "?": a file name is written
// empty; any other text keeps the value the file had, and the answer is false although the other
// keys were written. `problem`, when given, then says what failed.
[[nodiscard]] bool saveGlobalSettings(const GlobalSettings& s, const QString& path,
                                      QString* problem = nullptr);

// Reads the database part from the file at `iniPath` when it exists, otherwise from the file of
// its earlier name (legacyCompanionPath) when that exists, otherwise from the global settings
// file at `globalPath`; every key that is missing takes its default.
void loadDatabaseSettings(DatabaseSettings& s, const QString& iniPath, const QString& globalPath);
// Writes every key of the database part to the file at `iniPath`, creating it when needed and
// keeping whatever else it holds. False when the file could not be written (it is then left as
// it was) or a text was refused, as for saveGlobalSettings.
[[nodiscard]] bool saveDatabaseSettings(const DatabaseSettings& s, const QString& iniPath,
                                        QString* problem = nullptr);

// The program's calls. The global part uses the global settings file (globalSettingsPath()) and
// ignores `fileName`, taking the process's current folder as the default of the two file keys;
// the database part uses `fileName`, the database settings file, and when that is missing for
// loading, the global settings file.
void LoadSettings(Settings& s, const QString& fileName, SettingsPart part);
[[nodiscard]] bool SaveSettings(const Settings& s, const QString& fileName, SettingsPart part);

}  // namespace vz::data
