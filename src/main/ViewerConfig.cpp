#include "main/ViewerConfig.h"

#include <algorithm>
#include <numeric>

#include "common/AnsiText.h"
#include "data/Schema.h"

namespace vz::mainwin {

namespace {

constexpr int kMinWidth = 1;
constexpr int kMaxWidth = 255;
constexpr int kFallbackWidth = 10;

QString storedName(int field) {
    const std::string_view n = data::schemaField(field).storedName;
    return QString::fromLatin1(n.data(), qsizetype(n.size()));
}

}  // namespace

const QString ViewerConfig::kDefaultsQuestion =
    QStringLiteral("This will set the order of fields to the program defaults.  Continue?");

ViewerConfig::ViewerConfig(const data::DatabaseSettings& s) {
    for (int f = 1; f <= data::kFieldCount; ++f) {
        names_[size_t(f - 1)] = s.field(f).caption;
        widths_[size_t(f - 1)] = QString::number(s.field(f).width);
        shown_[size_t(f - 1)] = s.field(f).display;
    }
    // Each field at the row of its position. A position outside 1 to 25 sorts after all others;
    // fields sharing a position keep field order, so every field has exactly one row.
    std::iota(rows_.begin(), rows_.end(), 1);
    auto position = [&s](int field) {
        const int p = s.field(field).order;
        return p >= 1 && p <= data::kFieldCount ? p : data::kFieldCount + 1;
    };
    std::stable_sort(rows_.begin(), rows_.end(),
                     [&](int a, int b) { return position(a) < position(b); });
}

bool ViewerConfig::moveUp(int row) {
    if (row < 1 || row >= data::kFieldCount) return false;
    std::swap(rows_[size_t(row)], rows_[size_t(row - 1)]);
    return true;
}

bool ViewerConfig::moveDown(int row) {
    if (row < 0 || row >= data::kFieldCount - 1) return false;
    std::swap(rows_[size_t(row)], rows_[size_t(row + 1)]);
    return true;
}

void ViewerConfig::defaultOrder() {
    std::iota(rows_.begin(), rows_.end(), 1);
}

QString ViewerConfig::storedCaption(const QString& cell) {
    return cell.trimmed().left(data::kCaptionLength).trimmed();
}

int ViewerConfig::widthOf(const QString& cell) {
    const QString t = cell.trimmed();
    long long n = 0;
    for (qsizetype i = 0; i < t.size() && t.at(i) >= u'0' && t.at(i) <= u'9'; ++i) {
        n = n * 10 + (t.at(i).unicode() - u'0');
        if (n > kMaxWidth) break;  // no need to read on: it is out of range already
    }
    return n >= kMinWidth && n <= kMaxWidth ? int(n) : kFallbackWidth;
}

std::optional<ViewerConfig::NameProblem> ViewerConfig::checkNames() const {
    std::array<QString, data::kFieldCount> stored;
    for (int f = 1; f <= data::kFieldCount; ++f) {
        stored[size_t(f - 1)] = storedCaption(name(f));
        if (stored[size_t(f - 1)].isEmpty())
            return NameProblem{f, QStringLiteral("The field %1 has no name.  Please give it one.")
                                      .arg(storedName(f))};
        if (const std::optional<char32_t> c = firstNonAnsiCharacter(stored[size_t(f - 1)]))
            return NameProblem{
                f, QStringLiteral("The name of the field %1 holds the character %2, which the "
                                  "settings file cannot hold.  Please change it.")
                       .arg(storedName(f), describeCharacter(*c))};
    }
    // Compared as they will be stored: two captions the same after trimming and cutting would
    // name two fields alike in every list that finds a field by its caption.
    for (int a = 0; a < data::kFieldCount; ++a)
        for (int b = a + 1; b < data::kFieldCount; ++b)
            if (stored[size_t(a)] == stored[size_t(b)])
                return NameProblem{
                    b + 1,
                    QStringLiteral("Two field names have the same name \"%1\".  Please change one.")
                        .arg(stored[size_t(a)])};
    return std::nullopt;
}

void ViewerConfig::takeOver(data::DatabaseSettings& s) {
    for (int f = 1; f <= data::kFieldCount; ++f) {
        data::FieldSettings& fs = s.field(f);
        fs.width = widthOf(widthText(f));
        setWidthText(f, QString::number(fs.width));
        fs.display = shown(f);
        names_[size_t(f - 1)] = storedCaption(name(f));
        fs.caption = name(f);
    }
    for (int row = 0; row < data::kFieldCount; ++row) s.field(fieldAtRow(row)).order = row + 1;
}

}  // namespace vz::mainwin
