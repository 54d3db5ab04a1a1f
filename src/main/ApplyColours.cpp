#include "main/ApplyColours.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTextEdit>
#include <QToolBar>
#include <initializer_list>
#include <utility>

#include "main/ColourSets.h"

namespace vz::mainwin {

using data::ColourRole;

namespace {

using RoleColour = std::pair<QPalette::ColorRole, int>;

// Halfway between the text and its background: a disabled control's text, dimmed yet readable on
// whatever background the set gives (the style's own grey vanishes on a grey background).
QColor dimmed(const QColor& text, const QColor& back) {
    return QColor((text.red() + back.red()) / 2, (text.green() + back.green()) / 2,
                  (text.blue() + back.blue()) / 2);
}

// Background roles take the colour in every state; text roles take it when the control is
// enabled and a dimmed one when it is not, so that disabled controls still look disabled.
void paint(QWidget* w, std::initializer_list<RoleColour> backgrounds,
           std::initializer_list<RoleColour> texts, bool fill) {
    QPalette p = w->palette();
    for (const auto& [role, colour] : backgrounds) p.setColor(role, toQColor(colour));
    const QColor back = backgrounds.size() > 0 ? toQColor(backgrounds.begin()->second)
                                               : p.color(QPalette::Window);
    for (const auto& [role, colour] : texts) {
        p.setColor(QPalette::Active, role, toQColor(colour));
        p.setColor(QPalette::Inactive, role, toQColor(colour));
        p.setColor(QPalette::Disabled, role, dimmed(toQColor(colour), back));
    }
    w->setPalette(p);
    if (fill) {
        // Buttons fill from the button role by default; check and radio boxes are to show the
        // background they were given.
        w->setBackgroundRole(QPalette::Window);
        w->setAutoFillBackground(true);
    }
}

// Bars would otherwise take the window's background from it and draw their text, which is in
// the button colour, on it: they are pinned to the application's colours instead.
void keepApplicationLook(QWidget* w) {
    QPalette p = QApplication::palette(w);
    p.setResolveMask(~QPalette::ResolveMask(0));
    w->setPalette(p);
}

bool isRadioGroup(const QGroupBox* box) {
    if (box->findChildren<QRadioButton*>().isEmpty()) return false;
    for (const QWidget* w : box->findChildren<QWidget*>())
        if (qobject_cast<const QLineEdit*>(w) || qobject_cast<const QComboBox*>(w) ||
            qobject_cast<const QCheckBox*>(w) || qobject_cast<const QAbstractSpinBox*>(w) ||
            qobject_cast<const QListView*>(w) || qobject_cast<const QTableWidget*>(w) ||
            qobject_cast<const QTextEdit*>(w) || qobject_cast<const QPlainTextEdit*>(w))
            return false;
    return true;
}

class Painter {
public:
    Painter(const data::ColourSet& c, const QSet<QWidget*>& headings) : c_(c), headings_(headings) {}

    void children(QWidget* parent) {
        for (QObject* o : parent->children()) {
            auto* w = qobject_cast<QWidget*>(o);
            if (w && !w->isWindow()) control(w);
        }
    }

private:
    void control(QWidget* w) {
        if (w->property(kKeepOwnColours).toBool()) return;
        const int main = c_[ColourRole::MainBackground];
        if (headings_.contains(w)) {
            paint(w, {{QPalette::Window, main}}, {{QPalette::WindowText, c_[ColourRole::MajorTitle]}},
                  true);
        } else if (qobject_cast<QLabel*>(w)) {
            paint(w, {{QPalette::Window, main}}, {{QPalette::WindowText, c_[ColourRole::MinorTitle]}},
                  true);
        } else if (qobject_cast<QComboBox*>(w)) {
            // A drop-down list draws its face in the button roles, an editable one in the base
            // roles; the list that drops down takes the combo's palette.
            const int back = c_[ColourRole::ComboBackground], text = c_[ColourRole::ComboText];
            paint(w, {{QPalette::Base, back}, {QPalette::Button, back}},
                  {{QPalette::Text, text}, {QPalette::ButtonText, text}}, false);
        } else if (qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
                   qobject_cast<QTextEdit*>(w) || qobject_cast<QPlainTextEdit*>(w)) {
            paint(w, {{QPalette::Base, c_[ColourRole::EditBackground]}},
                  {{QPalette::Text, c_[ColourRole::EditText]}}, false);
        } else if (qobject_cast<QListView*>(w) || qobject_cast<QTableWidget*>(w)) {
            paint(w, {{QPalette::Base, c_[ColourRole::ListBoxBackground]}},
                  {{QPalette::Text, c_[ColourRole::ListBoxText]}}, false);
        } else if (qobject_cast<QRadioButton*>(w)) {
            paint(w, {{QPalette::Window, c_[ColourRole::RadioBackground]}},
                  {{QPalette::WindowText, c_[ColourRole::RadioText]}}, true);
        } else if (qobject_cast<QCheckBox*>(w)) {
            paint(w, {{QPalette::Window, c_[ColourRole::CheckBackground]}},
                  {{QPalette::WindowText, c_[ColourRole::CheckText]}}, true);
        } else if (auto* box = qobject_cast<QGroupBox*>(w); box && isRadioGroup(box)) {
            paint(w, {{QPalette::Window, c_[ColourRole::RadioBackground]}},
                  {{QPalette::WindowText, c_[ColourRole::RadioText]}}, true);
            children(w);
        } else if (qobject_cast<QMenuBar*>(w) || qobject_cast<QToolBar*>(w) ||
                   qobject_cast<QStatusBar*>(w)) {
            keepApplicationLook(w);
        } else if (qobject_cast<QAbstractButton*>(w) || qobject_cast<QAbstractItemView*>(w)) {
            // keeps its own look
        } else {
            children(w);  // a frame, panel, group box, tab page, ...
        }
    }

    const data::ColourSet& c_;
    const QSet<QWidget*>& headings_;
};

}  // namespace

void applyColourSet(QWidget* window, const data::ColourSet& colours,
                    const QSet<QWidget*>& headings) {
    if (!window) return;
    // Whatever text the window draws without a colour of its own (group box titles, tab
    // captions) is written like an ordinary label.
    paint(window, {{QPalette::Window, colours[ColourRole::MainBackground]}},
          {{QPalette::WindowText, colours[ColourRole::MinorTitle]}}, !window->isWindow());
    Painter(colours, headings).children(window);
}

}  // namespace vz::mainwin
