#include "data/Conversion.h"

#include <QFile>
#include <QFileInfo>
#include <array>
#include <cmath>

#include "common/Interaction.h"
#include "common/ProfileFile.h"
#include "common/ProgramFolder.h"
#include "engine/File.h"
#include "engine/Table.h"

namespace vz::data {
namespace {

constexpr std::array<const char*, 20> kV2Names = {
    "Catalog",  "Descriptio", "Country", "FaceValue", "MarketValu", "Quantity",  "Year",
    "Comments", "Condition",  "Group",   "StampType", "Cancellati", "Topic",     "Date",
    "Cost",     "Gum",        "Color",   "Faults",    "Hinged",     "Miscellane"};

constexpr std::array<const char*, 23> kV1Names = {
    "Catalog",    "Descriptio", "Country",   "FaceValue",  "MarketValu", "Quantity",
    "Year",       "Comments",   "Condition", "Group",      "StampType",  "Cancellati",
    "OverPrint",  "PreCancel",  "Surcharge", "FirstDayCo", "SouvenirCa", "PenCancell",
    "PostalCard", "Topic",      "PurchDay",  "PurchMonth", "PurchYear"};

// The version 1.x flags and the words they give in Miscellaneous.
constexpr std::array<std::pair<const char*, const char*>, 7> kV1Flags = {{
    {"OverPrint", "Overprint"},
    {"PreCancel", "Precancel"},
    {"Surcharge", "Surcharge"},
    {"FirstDayCo", "First Day Cover"},
    {"SouvenirCa", "Souvenir Card"},
    {"PenCancell", "Pen Cancellation"},
    {"PostalCard", "Postal Card"},
}};

QString upperCut(const std::string& name) {
    return QString::fromStdString(name).left(10).toUpper();
}

template <size_t N>
bool hasLayout(const QString& fileName, const std::array<const char*, N>& names) {
    if (!QFileInfo::exists(fileName)) return false;
    const std::string path = toNativePath(QFileInfo(fileName).absoluteFilePath());
    if (!engine::fileExists(engine::existingMdxPathFor(path))) engine::removeMdxByte(path);
    auto t = engine::Table::open(path, engine::OpenMode::Shared);
    if (!t || (*t)->fieldCount() != int(N) + 1) return false;
    for (size_t i = 0; i < N; ++i)
        if (upperCut((*t)->field(int(i) + 1).name) != upperCut(names[i])) return false;
    return true;
}

std::string trimmed(const std::string& s) {
    const size_t b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

// Copies the value of `from`'s field `name` into `to`'s field of the same name, by type: dates as
// dates, numbers from their digits, text cut to the new field's width.
engine::Status copyField(const engine::Table& from, engine::Table& to, const char* name) {
    const int src = from.fieldIndex(name);
    const int dst = to.fieldIndex(name);
    if (src < 0 || dst < 0) return engine::Status::ok();
    if (from.isBlank(src)) return engine::Status::ok();
    const engine::Field& target = to.field(dst);
    if (target.type == engine::FieldType::Date && from.field(src).type == engine::FieldType::Date) {
        auto d = from.date(src);
        if (!d) return d.status();
        return to.setDate(dst, *d);
    }
    std::string text;
    if (from.field(src).type == engine::FieldType::Date) {
        auto d = from.date(src);
        if (!d) return d.status();
        text = d->toIso();
    } else {
        VZ_RETURN_IF_ERROR(from.readText(src, text));
        text = trimmed(text);
    }
    if (text.empty()) return engine::Status::ok();
    if (target.type == engine::FieldType::Character) {
        // Cut to the width, never in the middle of a UTF-8 character.
        engine::Status s = to.setText(dst, text);
        while (!s && !text.empty()) {
            text.pop_back();
            while (!text.empty() && (uint8_t(text.back()) & 0xC0) == 0x80) text.pop_back();
            if (!text.empty() && uint8_t(text.back()) >= 0xC0) text.pop_back();
            s = to.setText(dst, text);
        }
        return s;
    }
    return to.setText(dst, text);
}

engine::Status setCatalogI(engine::Table& to) {
    const int catalog = to.fieldIndex("Catalog");
    const int digitsField = to.fieldIndex("CatalogI");
    if (catalog < 0 || digitsField < 0) return engine::Status::ok();
    std::string digits;
    for (char c : to.text(catalog))
        if (c >= '0' && c <= '9') digits += c;
    if (digits.empty()) return engine::Status::ok();
    // A value too long for the field keeps its leading digits.
    engine::Status s = to.setText(digitsField, digits);
    while (!s && digits.size() > 1) {
        digits.pop_back();
        s = to.setText(digitsField, digits);
    }
    return s;
}

// Divides the new record's market value and cost by its quantity; false when the quantity is 0.
engine::Result<bool> perUnit(engine::Table& to) {
    const int quantity = to.fieldIndex("Quantity");
    if (quantity < 0 || to.isBlank(quantity)) return false;
    auto q = to.wholeNumber(quantity);
    if (!q) return q.status();
    if (*q == 0) return false;
    for (const char* name : {"MarketValu", "Cost"}) {
        const int f = to.fieldIndex(name);
        if (f < 0 || to.isBlank(f)) continue;
        auto v = to.number(f);
        if (!v) return v.status();
        VZ_RETURN_IF_ERROR(to.setFloat(f, *v / double(*q)));
    }
    return true;
}

int monthNumber(const QString& text) {
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (int i = 0; i < 12; ++i)
        if (text == QLatin1String(months[i])) return i + 1;
    return 0;
}

// The version 1.x purchase date from its three text parts (each cut to 4 characters), read as
// month/day/year; a blank date when they form no real day. Two-digit years are 19xx.
engine::Date purchaseDate(const QString& dayText, const QString& monthText,
                          const QString& yearText) {
    const QString month = monthText.left(4);
    int m = monthNumber(month);
    bool ok = true;
    if (m == 0) m = month.trimmed().toInt(&ok);
    bool dayOk = false, yearOk = false;
    const int d = dayText.left(4).trimmed().toInt(&dayOk);
    const QString yearPart = yearText.left(4).trimmed();
    int y = yearPart.toInt(&yearOk);
    if (!ok || !dayOk || !yearOk) return {};
    if (yearPart.size() <= 2) y += 1900;
    engine::Date date{y, m, d};
    return date.isValid() ? date : engine::Date{};
}

QString textOf(const engine::Table& t, const char* name) {
    const int f = t.fieldIndex(name);
    return f < 0 ? QString() : QString::fromStdString(trimmed(t.text(f)));
}


// Appends every record of the old table through `convert`, which fills the new record from the
// old one; counts what it reports.
template <typename Convert>
ConversionResult appendAll(const QString& fileName, engine::Table& target, Convert convert) {
    ConversionResult r;
    auto old = engine::Table::open(toNativePath(QFileInfo(fileName).absoluteFilePath()),
                                   engine::OpenMode::Shared);
    if (!old) {
        r.error = QString::fromStdString(old.status().message());
        return r;
    }
    engine::Table& from = **old;
    engine::Status s = from.first();
    while (s && !from.eof() && from.hasRecord()) {
        s = target.append();
        if (s) s = convert(from, target, r);
        if (s) s = target.post();
        if (!s) {
            target.cancel();
            break;
        }
        ++r.added;
        s = from.next();
    }
    if (!s) {
        r.error = QString::fromStdString(s.message());
        return r;
    }
    r.complete = true;
    return r;
}

}  // namespace

bool CheckDBaseFormatV2(const QString& fileName) {
    return hasLayout(fileName, kV2Names);
}
bool CheckDBaseFormatV1(const QString& fileName) {
    return hasLayout(fileName, kV1Names);
}

ConversionResult ConvertV2(const QString& fileName, engine::Table& target,
                           const QString& programFolder) {
    const ProfileFile old =
        ProfileFile::load(joinPath(programFolder, QStringLiteral("KRSTAMP.INI")));
    const bool adjust = old.value(QStringLiteral("Reports"), QStringLiteral("Use Quantity"),
                                  QStringLiteral("Yes")) == QLatin1String("No");
    return appendAll(fileName, target,
                     [adjust](const engine::Table& from, engine::Table& to, ConversionResult& r) {
                         for (const char* name : kV2Names)
                             VZ_RETURN_IF_ERROR(copyField(from, to, name));
                         VZ_RETURN_IF_ERROR(setCatalogI(to));
                         if (adjust) {
                             auto done = perUnit(to);
                             if (!done) return done.status();
                             if (!*done) ++r.noQuantity;
                         }
                         return engine::Status::ok();
                     });
}

ConversionResult ConvertV1(const QString& fileName, engine::Table& target) {
    return appendAll(
        fileName, target, [](const engine::Table& from, engine::Table& to, ConversionResult& r) {
            for (size_t i = 0; i < 12; ++i) VZ_RETURN_IF_ERROR(copyField(from, to, kV1Names[i]));
            VZ_RETURN_IF_ERROR(setCatalogI(to));
            VZ_RETURN_IF_ERROR(copyField(from, to, "Topic"));
            const engine::Date date =
                purchaseDate(textOf(from, "PurchDay"), textOf(from, "PurchMonth"),
                             textOf(from, "PurchYear"));
            const int dateField = to.fieldIndex("Date");
            if (date.isBlank())
                ++r.badDates;
            else if (dateField >= 0)
                VZ_RETURN_IF_ERROR(to.setDate(dateField, date));
            QString misc;
            for (const auto& [flag, word] : kV1Flags)
                if (textOf(from, flag) == QLatin1String("Yes"))
                    misc += QLatin1String(word) + QStringLiteral(", ");
            if (!misc.isEmpty()) misc.chop(2);
            const int miscField = to.fieldIndex("Miscellane");
            if (!misc.isEmpty() && miscField >= 0)
                VZ_RETURN_IF_ERROR(to.setText(miscField, misc.toStdString()));
            return engine::Status::ok();
        });
}

int CheckForConversion(const QString& programFolder, engine::Table& target, Interaction& ui) {
    struct Old {
        const char* file;
        const char* version;
    };
    int added = 0;
    for (const Old& old : {Old{"S2LOG.DBF", "2.X"}, Old{"SLOG.DBF", "1.X"}}) {
        const QString path = joinPath(programFolder, QLatin1String(old.file));
        const bool v2 = QLatin1String(old.version) == QLatin1String("2.X");
        if (!QFileInfo::exists(path) || !(v2 ? CheckDBaseFormatV2(path) : CheckDBaseFormatV1(path)))
            continue;
        const QString question = QStringLiteral(
                                     "A database from a previous version (%1) has been detected.  "
                                     "Would you like to convert it "
                                     "now?  NOTE: After conversion the old file will be deleted.  "
                                     "You may wish to make a copy "
                                     "of \"%2\" first.")
                                     .arg(QLatin1String(old.version), QLatin1String(old.file));
        if (ui.message({QStringLiteral("Convert"), question, Buttons::YesNo, Answer::No,
                        MessageIcon::Question, true}) != Answer::Yes)
            continue;
        const ConversionResult r =
            v2 ? ConvertV2(path, target, programFolder) : ConvertV1(path, target);
        added += r.added;
        if (!r.complete) {
            ui.error(QStringLiteral("The conversion of \"%1\" stopped after %2 records were added; "
                                    "\"%1\" was kept.\n\n%3")
                         .arg(QLatin1String(old.file))
                         .arg(r.added)
                         .arg(r.error));
            continue;
        }
        if (!QFile::remove(path))
            ui.error(
                QStringLiteral(
                    "\"%1\" was converted (%2 records added) but could not be deleted.  Delete it "
                    "yourself before the next start, or it will be offered again.")
                    .arg(path)
                    .arg(r.added));
        QStringList notes;
        if (r.badDates)
            notes << QStringLiteral(
                         "%1 records had a purchase date that is not a date; their Date was left "
                         "empty.")
                         .arg(r.badDates);
        if (r.noQuantity)
            notes << QStringLiteral(
                         "%1 records had no quantity; their market value and cost were not divided "
                         "by it.")
                         .arg(r.noQuantity);
        if (!notes.isEmpty())
            ui.notice(QStringLiteral("Convert"), notes.join(QStringLiteral("  ")));
    }
    return added;
}

}  // namespace vz::data
