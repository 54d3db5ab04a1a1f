#include "search/SearchCriteria.h"

#include <QRegularExpression>

#include "data/Schema.h"
#include "data/Settings.h"

namespace vz::search {
namespace {

QString quote(const std::string& s) {
    return QStringLiteral("\"%1\"").arg(QString::fromStdString(s));
}

}  // namespace

FieldCaptions defaultFieldCaptions() {
    FieldCaptions c;
    for (int n = 1; n <= kSearchRows; ++n)
        c[size_t(n - 1)] = QString::fromLatin1(data::schemaField(n).caption);
    return c;
}

FieldCaptions fieldCaptions(const data::DatabaseSettings& settings) {
    FieldCaptions c;
    for (int n = 1; n <= kSearchRows; ++n) c[size_t(n - 1)] = settings.field(n).caption;
    return c;
}

int searchFieldNumber(const QString& name, const FieldCaptions& captions) {
    const QString wanted = name.trimmed();
    if (wanted.isEmpty()) return 0;
    for (int n = 1; n <= kSearchRows; ++n) {
        const QString stored = QString::fromLatin1(data::schemaField(n).storedName);
        if (wanted.compare(stored, Qt::CaseInsensitive) == 0) return n;
    }
    for (int n = 1; n <= kSearchRows; ++n) {
        if (wanted.compare(captions[size_t(n - 1)].trimmed(), Qt::CaseInsensitive) == 0) return n;
    }
    return 0;
}

CriteriaParse parseSearchCriteria(const std::vector<std::string>& args,
                                  const FieldCaptions& captions) {
    CriteriaParse r;
    int levels = 1;
    bool levelHasItems = false;
    auto failed = [&](const QString& why) {
        r.items.clear();
        r.error = why;
        return r;
    };
    size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--or") {
            if (!levelHasItems)
                return failed(QStringLiteral(
                    "\"--or\" must follow a search criterion and be followed by one."));
            if (++levels > kMaxSearchLevels)
                return failed(
                    QStringLiteral("a search has at most %1 levels (\"--or\" given %2 times).")
                        .arg(kMaxSearchLevels)
                        .arg(levels - 1));
            r.items.closeLevel();
            r.items.nextLevel();
            levelHasItems = false;
            continue;
        }
        if (arg.rfind("--", 0) == 0) break;  // the command's own options
        const QString text = QString::fromStdString(arg);
        const qsizetype at = text.indexOf(QRegularExpression(QStringLiteral("[~=<>]")));
        if (at <= 0)
            return failed(
                QStringLiteral(
                    "bad search criterion %1: write FIELD~TEXT, FIELD=VALUE, FIELD>VALUE or "
                    "FIELD<VALUE.")
                    .arg(quote(arg)));
        const int field = searchFieldNumber(text.left(at), captions);
        if (field == 0)
            return failed(QStringLiteral("bad search criterion %1: there is no field named \"%2\".")
                              .arg(quote(arg), text.left(at).trimmed()));
        const QChar sign = text[at];
        const QString value = text.mid(at + 1).trimmed();
        const SearchRow& row = searchRow(field);
        SearchItem item;
        item.field = field;
        if (row.kind == RowKind::Character) {
            if (sign != QLatin1Char('~'))
                return failed(
                    QStringLiteral("bad search criterion %1: %2 is a text field; write %2~TEXT.")
                        .arg(quote(arg), text.left(at).trimmed()));
            if (value.isEmpty())
                return failed(
                    QStringLiteral("bad search criterion %1: the text to look for is empty.")
                        .arg(quote(arg)));
            if (value.size() > row.width)
                return failed(QStringLiteral(
                                  "bad search criterion %1: the text is longer than the field's %2 "
                                  "characters.")
                                  .arg(quote(arg))
                                  .arg(row.width));
            item.op = ItemOperator::Contains;
            item.text = value;
            for (QChar& c : item.text) c = c.toUpper();
        } else {
            if (sign == QLatin1Char('~'))
                return failed(
                    QStringLiteral("bad search criterion %1: %2 is a %3 field; write =, > or <.")
                        .arg(quote(arg), text.left(at).trimmed(),
                             row.kind == RowKind::Date ? QStringLiteral("date")
                                                       : QStringLiteral("number")));
            item.op = sign == QLatin1Char('=')   ? ItemOperator::Equal
                      : sign == QLatin1Char('>') ? ItemOperator::Greater
                                                 : ItemOperator::Less;
            if (row.kind == RowKind::Date) {
                engine::Date d;
                if (value.isEmpty() || !engine::Date::parse(value.toStdString(), d) || d.isBlank())
                    return failed(
                        QStringLiteral(
                            "bad search criterion %1: \"%2\" is not a date (write YYYY-MM-DD).")
                            .arg(quote(arg), value));
                item.isDate = true;
                item.date = dayNumber(d);
                item.text = QString::number(qint64(item.date));
            } else {
                if (!readCriterionNumber(value, item.numeric))
                    return failed(QStringLiteral("bad search criterion %1: \"%2\" is not a number.")
                                      .arg(quote(arg), value));
                item.text = value.left(kMaxItemText);
            }
        }
        if (!r.items.add(item))
            return failed(
                QStringLiteral("bad search criterion %1: a search has at most %2 criteria.")
                    .arg(quote(arg))
                    .arg(kMaxSearchItems));
        levelHasItems = true;
    }
    r.consumed = i;
    if (!levelHasItems)
        return failed(r.items.empty() && levels == 1
                          ? QStringLiteral("no search criterion given.")
                          : QStringLiteral(
                                "\"--or\" must follow a search criterion and be followed by one."));
    r.items.closeLevel();
    return r;
}

}  // namespace vz::search
