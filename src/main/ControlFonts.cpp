#include "main/ControlFonts.h"

#include "common/Interaction.h"

namespace vz::mainwin {

QString controlFontCaption(ControlFont which) {
    switch (which) {
    case ControlFont::Label: return QStringLiteral("&Label Font");
    case ControlFont::Edit: return QStringLiteral("&Edit Font");
    case ControlFont::Button: return QStringLiteral("&Button Font");
    }
    return {};
}

QString controlFontShortcut(ControlFont which) {
    switch (which) {
    case ControlFont::Label: return QStringLiteral("Shift+F8");
    case ControlFont::Edit: return QStringLiteral("Shift+F9");
    case ControlFont::Button: return QStringLiteral("Shift+F10");
    }
    return {};
}

data::ControlFontSettings& controlFontSettings(data::DatabaseSettings& s, ControlFont which) {
    switch (which) {
    case ControlFont::Label: return s.labelFont;
    case ControlFont::Edit: return s.editFont;
    case ControlFont::Button: break;
    }
    return s.buttonFont;
}

const data::ControlFontSettings& controlFontSettings(const data::DatabaseSettings& s, ControlFont which) {
    return controlFontSettings(const_cast<data::DatabaseSettings&>(s), which);
}

QFont withControlFont(QFont base, const data::ControlFontSettings& f) {
    base.setFamily(f.name);
    base.setBold(f.bold);
    base.setItalic(f.italic);
    return base;
}

QFont withHeadingFont(QFont base, const data::ControlFontSettings& f) {
    base.setFamily(f.name);
    base.setItalic(f.italic);
    return base;
}

bool chooseControlFont(Interaction& ui, data::DatabaseSettings& s, ControlFont which) {
    data::ControlFontSettings& setting = controlFontSettings(s, which);
    QString title = controlFontCaption(which);
    title.remove(QLatin1Char('&'));
    const std::optional<QFont> chosen =
        ui.chooseFontStyle(withControlFont(QFont(), setting), title);
    if (!chosen) return false;
    data::ControlFontSettings picked;
    picked.name = chosen->family();
    picked.bold = chosen->bold();
    picked.italic = chosen->italic();
    if (picked.name.isEmpty()) picked.name = setting.name;
    if (picked == setting) return false;
    setting = picked;
    return true;
}

}  // namespace vz::mainwin
