// The report definitions file.
//
// Invariants:
//   - Records are read at explicit byte offsets from a buffer of exactly one record; every text
//     is read through its length byte, cut at its field's end, so no read runs past a field.
//   - The file is only ever replaced whole: the new content goes to a temporary file in the same
//     folder, is synced and renamed over the old file. A failure at any step leaves the old
//     file untouched (and removes the temporary file).
//   - Whatever is written satisfies the guarantees of ReportDefinition.h: encodeReport writes a
//     sanitised copy.
#include "reports/ReportFile.h"

#include <unistd.h>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "common/ProgramFolder.h"
#include "common/WholeFile.h"
#include "data/Schema.h"
#include "engine/CodePage.h"
#include "engine/File.h"
#include "reports/BuiltInReports.h"

namespace vz::reports {

using engine::File;
using engine::Result;
using engine::Status;

namespace {

// ---- Offsets of the current record ----
constexpr int kOffName = 0;
constexpr int kOffWidth = 31;
constexpr int kOffTitleFont = 33;
constexpr int kOffColumnHeaderFont = 94;
constexpr int kOffBodyFont = 155;
constexpr int kOffFourthFont = 216;
constexpr int kOffFootnoteFont = 277;
constexpr int kOffColumnHeaders = 338;
constexpr int kOffPageNumbers = 339;
constexpr int kOffLandscape = 340;
constexpr int kOffDateOnPages = 341;
constexpr int kOffUseTotals = 342;
constexpr int kOffNumberOfLines = 343;
constexpr int kOffTotalsLine = 345;
constexpr int kOffTopMargin = 1845;
constexpr int kOffBottomMargin = 1853;
constexpr int kOffLeftMargin = 1861;
constexpr int kOffRightMargin = 1869;
constexpr int kOffVerticalLines = 1877;
constexpr int kOffHorizontalLines = 1878;
constexpr int kOffTitles = 1879;  // three string[80], 81 bytes apart
constexpr int kOffReportLines = 2122;
constexpr int kOffGroupByLevel1 = 20122;
constexpr int kOffGroupByLevel2 = 20123;
constexpr int kOffReserved = 20124;
static_assert(kOffReserved + kReservedSize == kReportRecordSize);
static_assert(kOffReportLines + kMaxReportLines * kReportLineSize == kOffGroupByLevel1);

// Inside a ReportFontSpec.
constexpr int kFontFace = 0, kFontSize = 51, kFontBold = 53, kFontItalic = 54, kFontUnderline = 55,
              kFontStrikeout = 56, kFontColour = 57;
// Inside a ReportItem.
constexpr int kItemKind = 0, kItemFieldNumber = 31, kItemWidth = 32, kItemLabel = 34;

// ---- Offsets of the earlier record ----
constexpr int kOldColumnHeaders = 83;
constexpr int kOldPageNumbers = 84;
constexpr int kOldUseTotals = 85;
constexpr int kOldNumberOfLines = 86;
constexpr int kOldTotalsLine = 88;
constexpr int kOldTitles = 1588;
constexpr int kOldReportLines = 1831;
static_assert(kOldReportLines + kMaxReportLines * kReportLineSize == kEarlierRecordSize);

const engine::CodePage& ansi() {
    return engine::CodePage::get(engine::CodePage::Id::Windows1252);
}

// ---- Little-endian fields ----

int16_t get16(const unsigned char* p) {
    return int16_t(uint16_t(p[0] | (p[1] << 8)));
}
uint32_t get32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
double getDouble(const unsigned char* p) {
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = bits << 8 | p[i];
    return std::bit_cast<double>(bits);
}
void put16(unsigned char* p, int v) {
    const auto u = uint16_t(int16_t(v));
    p[0] = uint8_t(u);
    p[1] = uint8_t(u >> 8);
}
void put32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
void putDouble(unsigned char* p, double v) {
    const auto bits = std::bit_cast<uint64_t>(v);
    for (int i = 0; i < 8; ++i) p[i] = uint8_t(bits >> (8 * i));
}

// Control characters would break a tab-separated print line or a list entry.
QString withoutControls(QString s) {
    for (QChar& c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QLatin1Char(' ');
    return s;
}

// A short string of at most `max` characters. `damaged` is set when the length byte says more.
QString getString(const unsigned char* p, int max, bool* damaged) {
    int len = p[0];
    if (len > max) {
        if (damaged) *damaged = true;
        len = max;
    }
    std::string utf8;
    ansi().decodeAppend(reinterpret_cast<const char*>(p + 1), size_t(len), utf8);
    return withoutControls(QString::fromStdString(utf8));
}

// Writes a short string; bytes past its length stay zero. Fails naming `what` when a character
// cannot be stored.
Status putString(unsigned char* p, int max, const QString& text, const char* what) {
    const QString s = withoutControls(text.left(max));
    std::string bytes;
    const auto err = ansi().encodeAppend(s.toStdString(), bytes);
    if (err.kind != engine::CodePage::EncodeError::Kind::None)
        return Status::invalid(std::string("The ") + what + " \"" + s.toStdString() + "\" holds " +
                               engine::describeCharacter(err.character) +
                               ", which a report definition cannot store.");
    const size_t n = std::min(bytes.size(), size_t(max));
    p[0] = uint8_t(n);
    std::memcpy(p + 1, bytes.data(), n);
    return Status::ok();
}

int clampInt(int v, int lo, int hi) {
    return std::min(std::max(v, lo), hi);
}

double clampMargin(double m) {
    if (!std::isfinite(m)) return 0.5;
    return std::min(std::max(m, 0.0), kMaxMargin);
}

int nearestWidth(int w) {
    if (w < (kWidth90 + kWidth120) / 2) return kWidth90;
    if (w < (kWidth120 + kWidth150) / 2) return kWidth120;
    return kWidth150;
}

bool validWidth(int w) {
    return w == kWidth90 || w == kWidth120 || w == kWidth150;
}

void sanitiseFont(ReportFontSpec& f) {
    f.faceName = withoutControls(f.faceName.left(kFaceNameLength));
    f.size = clampInt(f.size, kMinFontSize, kMaxFontSize);
    f.colour &= 0x00FFFFFFu;
}

void sanitiseLine(ReportLine& line, bool totalsLine) {
    const int maxNumber = totalsLine ? 3 : data::kFieldCount;
    for (ReportItem& item : line) {
        item.kind = withoutControls(item.kind.left(kNameLength));
        item.labelText = withoutControls(item.labelText.left(kLabelLength));
        item.width = std::min(item.width, kMaxItemWidth);
        item.width = std::max(item.width, -32768);
        if (item.isField() && (item.fieldNumber < 1 || item.fieldNumber > maxNumber)) {
            item.fieldNumber = fieldNumberOfName(item.kind, totalsLine);
            if (item.fieldNumber == 0) {
                item.kind = QString::fromLatin1(kFillerKind);
                item.labelText.clear();
            }
        }
        if (!item.isField()) item.fieldNumber = clampInt(item.fieldNumber, 0, 255);
    }
}

// Reads the 75-byte item at `p`. The field number byte is kept as it is; sanitising decides
// what it means.
ReportItem getItem(const unsigned char* p, bool* damaged) {
    ReportItem item;
    item.kind = getString(p + kItemKind, kNameLength, damaged);
    item.fieldNumber = p[kItemFieldNumber];
    item.width = get16(p + kItemWidth);
    item.labelText = getString(p + kItemLabel, kLabelLength, damaged);
    return item;
}

Status putItem(unsigned char* p, const ReportItem& item) {
    VZ_RETURN_IF_ERROR(putString(p + kItemKind, kNameLength, item.kind, "item name"));
    p[kItemFieldNumber] = uint8_t(clampInt(item.fieldNumber, 0, 255));
    put16(p + kItemWidth, item.width);
    return putString(p + kItemLabel, kLabelLength, item.labelText, "label text");
}

ReportFontSpec getFont(const unsigned char* p, bool* damaged) {
    ReportFontSpec f;
    f.faceName = getString(p + kFontFace, kFaceNameLength, damaged);
    f.size = get16(p + kFontSize);
    f.bold = p[kFontBold] != 0;
    f.italic = p[kFontItalic] != 0;
    f.underline = p[kFontUnderline] != 0;
    f.strikeout = p[kFontStrikeout] != 0;
    f.colour = get32(p + kFontColour);
    return f;
}

Status putFont(unsigned char* p, const ReportFontSpec& f) {
    VZ_RETURN_IF_ERROR(putString(p + kFontFace, kFaceNameLength, f.faceName, "font name"));
    put16(p + kFontSize, f.size);
    p[kFontBold] = f.bold;
    p[kFontItalic] = f.italic;
    p[kFontUnderline] = f.underline;
    p[kFontStrikeout] = f.strikeout;
    put32(p + kFontColour, f.colour);
    return Status::ok();
}

void getLine(const unsigned char* p, ReportLine& line, bool* damaged) {
    for (int j = 0; j < kItemsPerLine; ++j)
        line[size_t(j)] = getItem(p + j * kReportItemSize, damaged);
}

std::string describeRecord(const QString& where, const QString& name) {
    std::string s = where.toStdString();
    if (!name.isEmpty()) s += " (\"" + name.toStdString() + "\")";
    return s;
}

Status damage(const QString& where, const QString& name, const std::string& defect);

// A width and a number of lines that a record must have to be read at all.
Status checkShape(const QString& where, const ReportDefinition& def) {
    if (!validWidth(def.width))
        return damage(where, def.name,
                      "its width " + std::to_string(def.width) + " is not 90, 120 or 150.");
    if (def.numberOfLines < 0 || def.numberOfLines > kMaxReportLines)
        return damage(
            where, def.name,
            "its number of lines " + std::to_string(def.numberOfLines) + " is not 0 to 12.");
    return Status::ok();
}

Status damage(const QString& where, const QString& name, const std::string& defect) {
    return Status::corruption(describeRecord(where, name) + " is damaged: " + defect);
}

std::string native(const QString& path) {
    return toNativePath(path);
}

// The whole content of `path`. NotFound when it does not exist.
Result<std::string> readWhole(const QString& path) {
    const std::string p = native(path);
    if (!engine::fileExists(p)) return Status::notFound(p + " does not exist.");
    auto file = File::open(p, File::Access::ReadOnly);
    if (!file) return file.status();
    auto size = file->size();
    if (!size) return size.status();
    std::string bytes(size_t(*size), '\0');
    if (!bytes.empty()) VZ_RETURN_IF_ERROR(file->readAt(0, bytes.data(), bytes.size()));
    return bytes;
}

// Replaces `path` with `bytes` through a synced temporary file renamed over it, keeping the old
// file's permissions.
Status replaceWhole(const QString& path, const std::string& bytes) {
    return replaceWholeFile(native(path), bytes);
}

QString recordWhere(const QString& file, int index) {
    return QStringLiteral("%1, report %2").arg(QFileInfo(file).fileName()).arg(index + 1);
}

// The complete records of a file's content, and a note about a partial one.
struct Records {
    std::string bytes;
    size_t count = 0;
    size_t tail = 0;  // bytes of a partial record at the end
};

Result<Records> readRecords(const QString& file) {
    auto bytes = readWhole(file);
    if (!bytes) return bytes.status();
    Records r;
    r.bytes = std::move(*bytes);
    r.count = r.bytes.size() / kReportRecordSize;
    r.tail = r.bytes.size() % kReportRecordSize;
    r.bytes.resize(r.count * kReportRecordSize);
    return r;
}

QString nameAt(const std::string& bytes, size_t index) {
    const auto* p =
        reinterpret_cast<const unsigned char*>(bytes.data()) + index * kReportRecordSize;
    return getString(p + kOffName, kNameLength, nullptr);
}

// Builds a current record from an earlier one. Nothing the record holds stops it from being
// converted: a width other than 90, 120 or 150, a number of lines outside 0 to 12 or a text
// longer than its field is made safe as loading makes such values safe, and `notes` says so,
// naming the record by `where`.
ReportDefinition convertEarlier(const unsigned char* p, const QString& where, QStringList& notes) {
    bool damaged = false;
    ReportDefinition def;
    def.name = getString(p + kOffName, kNameLength, &damaged);
    def.width = get16(p + kOffWidth);
    def.columnHeaders = p[kOldColumnHeaders] != 0;
    def.pageNumbers = p[kOldPageNumbers] != 0;
    def.useTotals = p[kOldUseTotals] != 0;
    def.numberOfLines = get16(p + kOldNumberOfLines);
    if (Status odd = checkShape(where, def); !odd) {
        def.width = validWidth(def.width) ? def.width : nearestWidth(def.width);
        def.numberOfLines = clampInt(def.numberOfLines, 0, kMaxReportLines);
        notes << QString::fromStdString(odd.message()) +
                     QStringLiteral(" It was converted with width %1 and %2 lines.")
                         .arg(def.width)
                         .arg(def.numberOfLines);
    }
    def.landscape = false;
    def.dateOnPages = true;
    ReportFontSpec font;
    font.faceName = QStringLiteral("Courier New");
    font.size = def.width == kWidth90 ? 10 : 8;
    def.bodyFont = def.fourthFont = font;
    font.bold = true;
    def.titleFont = def.columnHeaderFont = def.footnoteFont = font;
    def.topMargin = def.bottomMargin = def.leftMargin = def.rightMargin = 0.5;
    def.verticalLines = def.horizontalLines = false;
    def.groupByLevel1 = true;
    def.groupByLevel2 = false;
    for (int t = 0; t < 3; ++t)
        def.titles[size_t(t)] = getString(p + kOldTitles + t * 81, kTitleLength, &damaged);
    // The earlier items' field number byte is not carried over: it is taken from the name.
    auto convertLine = [&](const unsigned char* q, ReportLine& line, bool totals) {
        getLine(q, line, &damaged);
        for (ReportItem& item : line)
            item.fieldNumber = item.isField() ? fieldNumberOfName(item.kind, totals) : 0;
    };
    convertLine(p + kOldTotalsLine, def.totalsLine, true);
    for (int l = 0; l < kMaxReportLines; ++l)
        convertLine(p + kOldReportLines + l * kReportLineSize, def.reportLines[size_t(l)], false);
    if (damaged)
        notes << QString::fromStdString(describeRecord(where, def.name)) +
                     QStringLiteral(
                         ": a text's length ran past its field; it was cut to the field.");
    sanitiseReport(def);
    return def;
}

}  // namespace

QString reportFilePath(const QString& programFolder) {
    return joinPath(programFolder, QString::fromLatin1(kReportFileName));
}

int fieldNumberOfName(const QString& name, bool totalsLine) {
    if (totalsLine) {
        if (name == QLatin1String("Market Value")) return kTotalValue;
        if (name == QLatin1String("Purchase Price")) return kTotalPurchasePrice;
        if (name == QLatin1String("Quantity")) return kTotalQuantity;
        return 0;
    }
    for (const data::SchemaField& f : data::schema())
        if (name == QLatin1String(f.storedName.data(), qsizetype(f.storedName.size())))
            return f.number;
    // Names typed in another letter case by hand or by an older tool.
    for (const data::SchemaField& f : data::schema())
        if (name.compare(QLatin1String(f.storedName.data(), qsizetype(f.storedName.size())),
                         Qt::CaseInsensitive) == 0)
            return f.number;
    return 0;
}

void sanitiseReport(ReportDefinition& def) {
    def.name = withoutControls(def.name.left(kNameLength));
    if (!validWidth(def.width)) def.width = nearestWidth(def.width);
    for (ReportFontSpec* f :
         {&def.titleFont, &def.columnHeaderFont, &def.bodyFont, &def.fourthFont, &def.footnoteFont})
        sanitiseFont(*f);
    def.numberOfLines = clampInt(def.numberOfLines, 0, kMaxReportLines);
    sanitiseLine(def.totalsLine, true);
    for (ReportLine& line : def.reportLines) sanitiseLine(line, false);
    def.topMargin = clampMargin(def.topMargin);
    def.bottomMargin = clampMargin(def.bottomMargin);
    def.leftMargin = clampMargin(def.leftMargin);
    def.rightMargin = clampMargin(def.rightMargin);
    for (QString& t : def.titles) t = withoutControls(t.left(kTitleLength));
}

Result<std::string> encodeReport(const ReportDefinition& original) {
    ReportDefinition def = original;
    sanitiseReport(def);
    std::string out(size_t(kReportRecordSize), '\0');
    auto* p = reinterpret_cast<unsigned char*>(out.data());
    VZ_RETURN_IF_ERROR(putString(p + kOffName, kNameLength, def.name, "report name"));
    put16(p + kOffWidth, def.width);
    VZ_RETURN_IF_ERROR(putFont(p + kOffTitleFont, def.titleFont));
    VZ_RETURN_IF_ERROR(putFont(p + kOffColumnHeaderFont, def.columnHeaderFont));
    VZ_RETURN_IF_ERROR(putFont(p + kOffBodyFont, def.bodyFont));
    VZ_RETURN_IF_ERROR(putFont(p + kOffFourthFont, def.fourthFont));
    VZ_RETURN_IF_ERROR(putFont(p + kOffFootnoteFont, def.footnoteFont));
    p[kOffColumnHeaders] = def.columnHeaders;
    p[kOffPageNumbers] = def.pageNumbers;
    p[kOffLandscape] = def.landscape;
    p[kOffDateOnPages] = def.dateOnPages;
    p[kOffUseTotals] = def.useTotals;
    put16(p + kOffNumberOfLines, def.numberOfLines);
    for (int j = 0; j < kItemsPerLine; ++j)
        VZ_RETURN_IF_ERROR(
            putItem(p + kOffTotalsLine + j * kReportItemSize, def.totalsLine[size_t(j)]));
    putDouble(p + kOffTopMargin, def.topMargin);
    putDouble(p + kOffBottomMargin, def.bottomMargin);
    putDouble(p + kOffLeftMargin, def.leftMargin);
    putDouble(p + kOffRightMargin, def.rightMargin);
    p[kOffVerticalLines] = def.verticalLines;
    p[kOffHorizontalLines] = def.horizontalLines;
    for (int t = 0; t < 3; ++t)
        VZ_RETURN_IF_ERROR(
            putString(p + kOffTitles + t * 81, kTitleLength, def.titles[size_t(t)], "title"));
    for (int l = 0; l < kMaxReportLines; ++l)
        for (int j = 0; j < kItemsPerLine; ++j)
            VZ_RETURN_IF_ERROR(
                putItem(p + kOffReportLines + l * kReportLineSize + j * kReportItemSize,
                        def.reportLines[size_t(l)][size_t(j)]));
    p[kOffGroupByLevel1] = def.groupByLevel1;
    p[kOffGroupByLevel2] = def.groupByLevel2;
    return out;
}

Result<ReportDefinition> decodeReport(const char* bytes, const QString& where) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes);
    bool damaged = false;
    ReportDefinition def;
    def.name = getString(p + kOffName, kNameLength, &damaged);
    def.width = get16(p + kOffWidth);
    def.numberOfLines = get16(p + kOffNumberOfLines);
    if (damaged) return damage(where, def.name, "its name is longer than 30 characters.");
    if (Status bad = checkShape(where, def); !bad) return bad;
    def.titleFont = getFont(p + kOffTitleFont, &damaged);
    def.columnHeaderFont = getFont(p + kOffColumnHeaderFont, &damaged);
    def.bodyFont = getFont(p + kOffBodyFont, &damaged);
    def.fourthFont = getFont(p + kOffFourthFont, &damaged);
    def.footnoteFont = getFont(p + kOffFootnoteFont, &damaged);
    def.columnHeaders = p[kOffColumnHeaders] != 0;
    def.pageNumbers = p[kOffPageNumbers] != 0;
    def.landscape = p[kOffLandscape] != 0;
    def.dateOnPages = p[kOffDateOnPages] != 0;
    def.useTotals = p[kOffUseTotals] != 0;
    getLine(p + kOffTotalsLine, def.totalsLine, &damaged);
    def.topMargin = getDouble(p + kOffTopMargin);
    def.bottomMargin = getDouble(p + kOffBottomMargin);
    def.leftMargin = getDouble(p + kOffLeftMargin);
    def.rightMargin = getDouble(p + kOffRightMargin);
    def.verticalLines = p[kOffVerticalLines] != 0;
    def.horizontalLines = p[kOffHorizontalLines] != 0;
    for (int t = 0; t < 3; ++t)
        def.titles[size_t(t)] = getString(p + kOffTitles + t * 81, kTitleLength, &damaged);
    for (int l = 0; l < kMaxReportLines; ++l)
        getLine(p + kOffReportLines + l * kReportLineSize, def.reportLines[size_t(l)], &damaged);
    def.groupByLevel1 = p[kOffGroupByLevel1] != 0;
    def.groupByLevel2 = p[kOffGroupByLevel2] != 0;
    if (damaged) return damage(where, def.name, "a text's length runs past its field.");
    sanitiseReport(def);
    return def;
}

QStringList ListReports(const QString& file, Status* problem) {
    if (problem) *problem = Status::ok();
    QStringList names;
    auto records = readRecords(file);
    if (!records) {
        if (problem && records.status().code() != Status::Code::NotFound)
            *problem = records.status();
        return names;
    }
    for (size_t i = 0; i < records->count; ++i) names << nameAt(records->bytes, i);
    if (problem && records->tail != 0)
        *problem = Status::corruption(native(file) + " ends in a partial report of " +
                                      std::to_string(records->tail) +
                                      " bytes (a report takes 20622); it is ignored.");
    return names;
}

int reportCount(const QString& file) {
    auto records = readRecords(file);
    return records ? int(records->count) : 0;
}

Result<ReportDefinition> LoadReport(const QString& file, int index) {
    // Read one record only: the file may hold many.
    const std::string p = native(file);
    if (!engine::fileExists(p)) return Status::notFound(p + " does not exist.");
    auto f = File::open(p, File::Access::ReadOnly);
    if (!f) return f.status();
    auto size = f->size();
    if (!size) return size.status();
    const uint64_t count = *size / kReportRecordSize;
    if (index < 0 || uint64_t(index) >= count)
        return Status::notFound(p + " holds no report " + std::to_string(index + 1) + ".");
    std::string bytes(size_t(kReportRecordSize), '\0');
    VZ_RETURN_IF_ERROR(f->readAt(uint64_t(index) * kReportRecordSize, bytes.data(), bytes.size()));
    return decodeReport(bytes.data(), recordWhere(file, index));
}

Result<int> SaveReport(const QString& file, const ReportDefinition& def, int index) {
    auto encoded = encodeReport(def);
    if (!encoded) return encoded.status();
    std::string content;
    size_t count = 0;
    auto records = readRecords(file);
    if (records) {
        content = std::move(records->bytes);
        count = records->count;
    } else if (records.status().code() != Status::Code::NotFound) {
        // The file is there but unreadable: leave it alone rather than start it afresh.
        return records.status();
    }
    if (index == kAppendReport) {
        index = int(count);
        content += *encoded;
    } else if (index < 0 || size_t(index) >= count) {
        return Status::invalid(native(file) + " holds no report " + std::to_string(index + 1) +
                               " to overwrite.");
    } else {
        content.replace(size_t(index) * kReportRecordSize, kReportRecordSize, *encoded);
    }
    VZ_RETURN_IF_ERROR(replaceWhole(file, content));
    return index;
}

Status DeleteReport(const QString& file, int index) {
    auto records = readRecords(file);
    if (!records) return records.status();
    if (index < 0 || size_t(index) >= records->count)
        return Status::invalid(native(file) + " holds no report " + std::to_string(index + 1) +
                               " to delete.");
    records->bytes.erase(size_t(index) * kReportRecordSize, kReportRecordSize);
    return replaceWhole(file, records->bytes);
}

Status CreateDefaultReports(const QString& file) {
    std::string content;
    for (const ReportDefinition& def : builtInReports()) {
        auto encoded = encodeReport(def);
        if (!encoded) return encoded.status();
        content += *encoded;
    }
    return replaceWhole(file, content);
}

ConversionResult ConvertEarlierReports(const QString& programFolder) {
    ConversionResult result;
    const QDir dir(programFolder);
    const QStringList candidates = dir.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& name : candidates) {
        if (name.compare(QLatin1String(kEarlierReportFileName), Qt::CaseInsensitive) != 0) continue;
        const QString path = dir.filePath(name);
        auto bytes = readWhole(path);
        if (!bytes) {
            result.problems << QString::fromStdString(bytes.status().message());
            continue;
        }
        const size_t count = bytes->size() / kEarlierRecordSize;
        std::string converted;
        int convertedHere = 0;
        // Every record of the earlier file went into the new one; only then may it go.
        bool complete = true;
        for (size_t i = 0; i < count; ++i) {
            const auto* p =
                reinterpret_cast<const unsigned char*>(bytes->data()) + i * kEarlierRecordSize;
            const QString recordName = getString(p + kOffName, kNameLength, nullptr);
            if (isBuiltInReportName(recordName)) {
                ++result.skippedBuiltIn;
                continue;
            }
            const QString where = QStringLiteral("%1, report %2").arg(name).arg(i + 1);
            const ReportDefinition def = convertEarlier(p, where, result.problems);
            auto encoded = encodeReport(def);
            if (!encoded) {
                result.problems << QString::fromStdString(describeRecord(where, def.name)) +
                                       QStringLiteral(": ") +
                                       QString::fromStdString(encoded.status().message());
                complete = false;
                continue;
            }
            converted += *encoded;
            ++convertedHere;
        }
        if (bytes->size() % kEarlierRecordSize != 0) {
            result.problems << QStringLiteral(
                                   "%1 ends in a partial report of %2 bytes; it is ignored.")
                                   .arg(path)
                                   .arg(bytes->size() % kEarlierRecordSize);
            complete = false;
        }
        if (!converted.empty()) {
            const QString target = reportFilePath(programFolder);
            auto records = readRecords(target);
            Status s;
            if (records) {
                s = replaceWhole(target, records->bytes + converted);
            } else if (records.status().code() == Status::Code::NotFound) {
                s = replaceWhole(target, converted);
            } else {
                s = records.status();
            }
            if (!s) {
                // Keep the earlier file: its reports are not yet anywhere else.
                result.problems << QString::fromStdString(s.message());
                continue;
            }
            result.converted += convertedHere;
        }
        if (!complete) {
            // Not everything in it is in the new file: keep it whole, under a name the next
            // start-up does not convert again.
            const QString kept = path + QLatin1String(kKeptSuffix);
            if (engine::renameReplacing(native(path), native(kept)))
                result.keptFiles << kept;
            else
                result.problems << QStringLiteral("%1 could not be renamed to %2.").arg(path, kept);
            continue;
        }
        if (::unlink(native(path).c_str()) == 0)
            result.deletedFiles << path;
        else
            result.problems << QStringLiteral("%1 could not be deleted.").arg(path);
    }
    return result;
}

PreparationResult prepareReportFile(const QString& programFolder) {
    PreparationResult result;
    const QString file = reportFilePath(programFolder);
    if (!engine::fileExists(native(file))) {
        result.wroteBuiltIns = true;
        result.created = CreateDefaultReports(file);
    }
    result.conversion = ConvertEarlierReports(programFolder);
    return result;
}

}  // namespace vz::reports
