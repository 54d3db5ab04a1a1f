#include "edit/RecordForm.h"

#include <charconv>
#include <cmath>
#include <string>

#include "common/AnsiText.h"
#include "data/FieldMessage.h"
#include "data/Schema.h"
#include "edit/FieldChecks.h"
#include "engine/CodePage.h"
#include "engine/Table.h"

namespace vz::edit {

namespace {

constexpr int kMarketValueField = 5;
constexpr int kYearField = 7;
constexpr int kPurchasePriceField = 15;
constexpr int kNumericCatalogField = 21;

bool isNumberField(int field) {
    return field == kMarketValueField || field == kQuantityField || field == kYearField ||
           field == kPurchasePriceField || field == kNumericCatalogField;
}

// Blanks (the space character) only, as typed values are trimmed throughout the program.
QString trimBlanks(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == QLatin1Char(' ')) ++b;
    while (e > b && s[e - 1] == QLatin1Char(' ')) --e;
    return s.mid(b, e - b);
}

QString trimTrailingBlanks(const QString& s) {
    qsizetype e = s.size();
    while (e > 0 && s[e - 1] == QLatin1Char(' ')) --e;
    return s.left(e);
}

int fieldIndex(const engine::Table& table, int field) {
    return table.fieldIndex(data::schemaField(field).storedName);
}

int checkedField(CheckedBox box) {
    switch (box) {
        case CheckedBox::PurchDate: return kDateField;
        case CheckedBox::PurchPrice: return kPurchasePriceField;
        case CheckedBox::MarketValue: return kMarketValueField;
        case CheckedBox::Quantity: return kQuantityField;
        case CheckedBox::Year: return kYearField;
        case CheckedBox::NumericCatalog: return kNumericCatalogField;
    }
    return kDateField;
}

CheckedTexts checkedTexts(const RecordValues& v) {
    return {v[kDateField], v[kPurchasePriceField], v[kMarketValueField],
            v[kQuantityField], v[kYearField], v[kNumericCatalogField]};
}

bool isMoneyField(int field) {
    return field == kMarketValueField || field == kPurchasePriceField;
}

// A saved default in its plain form: a number that reads under `formats` as a plain decimal, a
// date as "YYYYMMDD" (an empty date box as ""); any other text as typed.
QString plainDefault(int field, const QString& typed, const DisplayFormats& formats) {
    if (field == kDateField) {
        if (isEmptyDateBox(typed)) return {};
        const std::optional<engine::Date> d = dateFromBox(typed, formats);
        return d ? QString::fromStdString(d->toStored()) : typed;
    }
    if (!isNumberField(field) || trimBlanks(typed).isEmpty()) return typed;
    if (isMoneyField(field)) {
        const std::optional<QString> plain =
            plainDecimal(normaliseNumber(typed, formats.currencyFormat(), formats.regional()));
        return plain ? *plain : typed;
    }
    const std::optional<std::int32_t> n = wholeFromBox(typed, formats);
    return n ? QString::number(*n) : typed;
}

// The box text of a default saved in its plain form, in the formats in force; text that is not
// in the plain form is shown as it is.
QString shownDefault(int field, const QString& saved, const DisplayFormats& formats) {
    if (field == kDateField) {
        engine::Date d;
        if (saved.isEmpty()) return RecordForm::emptyDateText(formats.dateSeparator());
        if (saved.size() != 8 || !engine::Date::parse(saved.toStdString(), d) || d.isBlank())
            return saved;
        return RecordForm::dateBoxText(d, formats);
    }
    if (!isNumberField(field) || saved.isEmpty()) return saved;
    const std::string text = saved.toStdString();
    if (isMoneyField(field)) {
        // Defaults saved by earlier versions may hold a double's shortest form ("1e+20").
        const std::optional<QString> plain = plainDecimal(saved);
        return plain ? moneyBoxText(*plain, formats) : saved;
    }
    std::int32_t n = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), n);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return saved;
    return field == kQuantityField ? formats.formatNumber(n, 0) : QString::number(n);
}

void applyWanted(RecordValues& v, QString& rememberedQuantity) {
    rememberedQuantity = v[kQuantityField].left(kRememberedQuantityLength);
    if (v.wanted) v[kQuantityField] = QStringLiteral("0");
}

}  // namespace

QString RecordForm::emptyDateText(const QString& separator) {
    return QStringLiteral("  ") + separator + QStringLiteral("  ") + separator + QStringLiteral("    ");
}

QString RecordForm::dateBoxText(const engine::Date& date, const DisplayFormats& formats) {
    const QString sep = formats.dateSeparator();
    if (date.isBlank()) return emptyDateText(sep);
    // Without leading zeros a one-digit day or month stands at the left of its two places, as
    // the masked box puts what is typed there.
    auto twoPlaces = [&formats](int n) {
        return formats.leadingZeros() ? QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'))
                                      : QString::number(n).leftJustified(2, QLatin1Char(' '));
    };
    const QString day = twoPlaces(date.day);
    const QString month = twoPlaces(date.month);
    const QString year = QStringLiteral("%1").arg(date.year, 4, 10, QLatin1Char('0'));
    return formats.dayFirst() ? day + sep + month + sep + year : month + sep + day + sep + year;
}

QString RecordForm::fitDateBox(const QString& text, const QString& separator) {
    // The digits found in each of the three places, at its left, as the masked box holds them.
    auto group = [&text](qsizetype from, qsizetype length) {
        QString digits;
        for (qsizetype i = from; i < from + length && i < text.size(); ++i)
            if (text[i].unicode() >= '0' && text[i].unicode() <= '9') digits += text[i];
        return digits.leftJustified(length, QLatin1Char(' '));
    };
    return group(0, 2) + separator + group(3, 2) + separator + group(6, 4);
}

RecordValues RecordForm::fromRecord(const engine::Table& table, const DisplayFormats& formats,
                                    QString& rememberedQuantity) {
    RecordValues v;
    for (int field = 1; field <= kTextBoxCount; ++field) {
        const int index = fieldIndex(table, field);
        if (field == kDateField) {
            engine::Result<engine::Date> d = index < 0 ? engine::Result<engine::Date>(engine::Date{}) : table.date(index);
            v[field] = dateBoxText(d ? *d : engine::Date{}, formats);
            continue;
        }
        if (index < 0) continue;
        v[field] = trimTrailingBlanks(QString::fromStdString(table.text(index)));
    }
    const int wanted = fieldIndex(table, kWantedField);
    v.wanted = wanted >= 0 && trimTrailingBlanks(QString::fromStdString(table.text(wanted))) == QLatin1String("Yes");

    rememberedQuantity = v[kQuantityField].left(kRememberedQuantityLength);
    for (int field : {kPurchasePriceField, kMarketValueField, kQuantityField}) {
        if (v[field].isEmpty()) continue;
        // Amounts are shown from their stored digits, with every decimal they have, so that
        // storing the record again stores the same number.
        if (field != kQuantityField)
            if (const std::optional<QString> plain = plainDecimal(trimBlanks(v[field]))) {
                v[field] = moneyBoxText(*plain, formats);
                continue;
            }
        engine::Result<double> n = table.number(fieldIndex(table, field));
        if (!n) continue;
        v[field] = field == kQuantityField ? formats.formatNumber(*n, 0) : formats.formatMoney(*n);
    }
    if (v.wanted) v[kQuantityField] = QStringLiteral("0");
    return v;
}

RecordValues RecordForm::cleared(ClearKind kind, const data::RecordDefaults& defaults,
                                 const DisplayFormats& formats, QString& rememberedQuantity) {
    const bool useDefaults = (kind == ClearKind::NewRecord && defaults.loadWithAdd) ||
                             (kind == ClearKind::Clear && defaults.loadWithClear) || kind == ClearKind::LoadDefaults;
    RecordValues v;
    const QString sep = formats.dateSeparator();
    if (useDefaults) {
        v.text = defaults.text;
        if (defaults.plainValues)
            for (int field = 1; field <= kTextBoxCount; ++field)
                v[field] = shownDefault(field, v[field], formats);
        v[kDateField] = fitDateBox(v[kDateField], sep);
        v.wanted = defaults.wanted;
    } else {
        v[kDateField] = emptyDateText(sep);
        v[kMarketValueField] = QStringLiteral("0");
        v[kQuantityField] = QStringLiteral("1");
        v[kPurchasePriceField] = QStringLiteral("0");
    }
    applyWanted(v, rememberedQuantity);
    return v;
}

std::optional<QString> RecordForm::copyToDefaults(const RecordValues& values,
                                                  data::RecordDefaults& defaults,
                                                  const std::array<QString, 25>& captions,
                                                  const DisplayFormats& formats) {
    data::RecordDefaults saved = defaults;
    for (int field = 1; field <= kTextBoxCount; ++field) {
        const QString typed = values[field];
        if (const std::optional<char32_t> c = firstNonAnsiCharacter(typed))
            return QStringLiteral(
                       "The character %1 in the %2 box cannot be saved as a default: defaults are "
                       "kept "
                       "as Windows-1252 text only.  Please correct.")
                .arg(describeCharacter(*c), captions[size_t(field - 1)]);
        const QString plain = plainDefault(field, typed, formats);
        const int room = data::RecordDefaults::maxLength(field);
        // A number cut short would come back as another number.
        if (isNumberField(field) && plain != typed && plain.size() > room)
            return QStringLiteral(
                       "The number in the %1 box is too long to be saved as a default: at most %2 "
                       "digits, sign and point are kept.  Please correct.")
                .arg(captions[size_t(field - 1)])
                .arg(room);
        saved.text[size_t(field - 1)] = plain.left(room);
    }
    saved.wanted = values.wanted;
    saved.plainValues = true;
    defaults = std::move(saved);
    return std::nullopt;
}

std::optional<StoreProblem> RecordForm::check(const RecordValues& values, const engine::Table& table,
                                              const std::array<QString, 25>& captions,
                                              const DisplayFormats& formats) {
    const CheckResult numbers = checkBeforeStoring(checkedTexts(values), formats);
    if (!numbers.ok()) return StoreProblem{checkedField(numbers.failure->box), numbers.failure->message};

    const engine::CodePage& codePage = table.codePage();
    for (int field = 1; field <= kTextBoxCount; ++field) {
        if (field == kDateField || isNumberField(field)) continue;
        std::string bytes;
        const engine::CodePage::EncodeError e = codePage.encodeAppend(values[field].toStdString(), bytes);
        if (e.kind == engine::CodePage::EncodeError::Kind::None) continue;
        return StoreProblem{field, QStringLiteral("The character %1 in the %2 box cannot be stored: this database "
                                                  "holds %3 text only.  Please correct.")
                                       .arg(QString::fromStdString(engine::describeCharacter(e.character)),
                                            captions[size_t(field - 1)], QString::fromLatin1(codePage.name()))};
    }
    return std::nullopt;
}

std::optional<StoreProblem> RecordForm::write(engine::Table& table, const RecordValues& values, bool insert,
                                              const DisplayFormats& formats,
                                              const std::array<QString, 25>& captions) {
    const CheckResult numbers = checkBeforeStoring(checkedTexts(values), formats);
    if (!numbers.ok()) return StoreProblem{checkedField(numbers.failure->box), numbers.failure->message};
    const CheckedValues& n = numbers.values;

    engine::Status s = insert ? table.append() : table.edit();
    if (!s) return StoreProblem{0, QString::fromStdString(s.message())};

    auto fail = [&](int field, const engine::Status& st) {
        table.cancel();
        const QString caption = field >= 1 && field <= 25 ? captions[size_t(field - 1)] : QString();
        return StoreProblem{field, data::windowMessage(st, caption)};
    };
    for (int field = 1; field <= kTextBoxCount; ++field) {
        const int index = fieldIndex(table, field);
        if (index < 0) continue;
        switch (field) {
            case kDateField: s = table.setDate(index, n.date); break;
            // From the typed digits: the table stores them exactly or refuses them.
            case kPurchasePriceField: s = table.setText(index, n.costText.toStdString()); break;
            case kMarketValueField: s = table.setText(index, n.marketValueText.toStdString()); break;
            case kQuantityField: s = table.setWhole(index, n.quantity); break;
            case kYearField: s = table.setWhole(index, n.year); break;
            case kNumericCatalogField: s = table.setWhole(index, n.numericCatalog); break;
            default: {
                QString text = field >= 22 ? trimBlanks(values[field]) : values[field];
                const engine::Field& f = table.field(index);
                if (f.type == engine::FieldType::Character && text.size() > f.width) text.truncate(f.width);
                s = table.setText(index, text.toStdString());
            }
        }
        if (!s) return fail(field, s);
    }
    const int wanted = fieldIndex(table, kWantedField);
    if (wanted >= 0) {
        s = table.setText(wanted, values.wanted ? "Yes" : "No");
        if (!s) return fail(0, s);
    }
    s = table.post();
    if (!s) return fail(0, s);
    return std::nullopt;
}

QStringList RecordForm::printLines(const RecordValues& values, const std::array<QString, 25>& captions) {
    QStringList lines;
    for (int field = 1; field <= kTextBoxCount; ++field)
        lines << captions[size_t(field - 1)] + QStringLiteral(": ") + values[field];
    lines << captions[size_t(kWantedField - 1)] + (values.wanted ? QStringLiteral(": Yes") : QStringLiteral(": No"));
    return lines;
}

}  // namespace vz::edit
