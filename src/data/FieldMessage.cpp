#include "data/FieldMessage.h"

namespace vz::data {

QString windowMessage(const engine::Status& status, const QString& caption) {
    QString text = QString::fromStdString(status.message());
    if (status.field() < 0 || caption.trimmed().isEmpty()) return text;
    const QString mention = QString::fromStdString(status.fieldMention());
    const qsizetype at = mention.isEmpty() ? -1 : text.indexOf(mention);
    if (at < 0) return text;
    text.replace(at, mention.size(), caption.trimmed());
    return text + QStringLiteral("  Please correct.");
}

}  // namespace vz::data
