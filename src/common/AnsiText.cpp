#include "common/AnsiText.h"

#include <QList>

#include "engine/CodePage.h"

namespace vz {

std::optional<char32_t> firstNonAnsiCharacter(const QString& text) {
    const engine::CodePage& ansi = engine::CodePage::get(engine::CodePage::Id::Windows1252);
    const QByteArray utf8 = text.toUtf8();
    std::string bytes;
    const engine::CodePage::EncodeError e =
        ansi.encodeAppend(std::string_view(utf8.constData(), size_t(utf8.size())), bytes);
    if (e.kind == engine::CodePage::EncodeError::Kind::None) return std::nullopt;
    if (e.kind == engine::CodePage::EncodeError::Kind::Unmappable) return e.character;
    // Not valid UTF-8 (a lone surrogate): that character is the replacement's.
    for (char32_t c : text.toUcs4())
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return c;
    return char32_t(0xFFFD);
}

QString describeCharacter(char32_t c) {
    return QString::fromStdString(engine::describeCharacter(c));
}

}  // namespace vz
