#include "main/ColourSets.h"

namespace vz::mainwin {

using data::ColourRole;
using data::ColourSet;

namespace {

constexpr int kBlack = rgbColour(0, 0, 0);
constexpr int kWhite = rgbColour(255, 255, 255);
constexpr int kSilver = rgbColour(192, 192, 192);
constexpr int kGrey = rgbColour(127, 127, 127);

// name, Main Background, Major Title, Minor Title, Edit Background, Edit Text, Radio Text
constexpr std::array<ColourCombination, kCombinationCount> kCombinations = {{
    {"Monochrome", kWhite, kBlack, kBlack, kWhite, kBlack, kBlack},
    {"Gray Mist", kSilver, kBlack, kBlack, kWhite, kBlack, kBlack},
    {"Midnight Black", kBlack, kSilver, kWhite, kGrey, kBlack, kWhite},
    {"Desert Sunset", rgbColour(255, 255, 128), kBlack, kBlack, rgbColour(255, 255, 0), kBlack,
     kBlack},
    {"Easter Pastel", rgbColour(255, 128, 255), rgbColour(0, 0, 255), kBlack,
     rgbColour(128, 0, 128), rgbColour(0, 255, 255), kBlack},
    {"Ocean Blue", rgbColour(0, 255, 255), rgbColour(255, 0, 0), kBlack, kWhite,
     rgbColour(0, 0, 128), kBlack},
    {"Fiery Red", rgbColour(255, 0, 0), rgbColour(0, 0, 128), kBlack, kWhite,
     rgbColour(255, 0, 0), kBlack},
    {"Christmas Season", rgbColour(0, 255, 0), kWhite, rgbColour(255, 0, 0),
     rgbColour(255, 0, 0), kWhite, rgbColour(255, 0, 0)},
    {"Wine", rgbColour(128, 0, 64), rgbColour(255, 0, 0), rgbColour(255, 0, 255),
     rgbColour(128, 0, 128), rgbColour(255, 0, 0), rgbColour(255, 0, 255)},
    {"More Pastels", rgbColour(0, 255, 128), rgbColour(255, 0, 255), rgbColour(128, 0, 128),
     rgbColour(0, 255, 255), rgbColour(0, 0, 255), rgbColour(128, 0, 128)},
    {"Green Glow", kBlack, rgbColour(0, 255, 0), rgbColour(0, 255, 0), rgbColour(0, 255, 0),
     kBlack, rgbColour(0, 255, 0)},
    {"Camouflage", rgbColour(128, 128, 0), rgbColour(0, 128, 0), kGrey, rgbColour(0, 128, 128),
     kSilver, kGrey},
}};

bool validSetNumber(int setNumber) { return setNumber >= 1 && setNumber <= kAllColourSets; }

}  // namespace

QColor toQColor(int colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

int fromQColor(const QColor& colour) {
    const QColor c = colour.toRgb();
    return rgbColour(c.red(), c.green(), c.blue());
}

const std::array<ColourCombination, kCombinationCount>& colourCombinations() {
    return kCombinations;
}

QStringList combinationListEntries() {
    QStringList entries{QString()};
    for (const ColourCombination& c : kCombinations) entries << QString::fromLatin1(c.name);
    return entries;
}

bool applyCombination(ColourSet& set, int index) {
    if (index < 1 || index > kCombinationCount) return false;
    const ColourCombination& c = kCombinations[size_t(index - 1)];
    set[ColourRole::MainBackground] = c.mainBackground;
    set[ColourRole::MajorTitle] = c.majorTitle;
    set[ColourRole::MinorTitle] = c.minorTitle;
    set[ColourRole::EditBackground] = c.editBackground;
    set[ColourRole::EditText] = c.editText;
    set[ColourRole::RadioText] = c.radioText;
    set[ColourRole::ComboBackground] = c.editBackground;
    set[ColourRole::ListBoxBackground] = c.editBackground;
    set[ColourRole::ComboText] = c.editText;
    set[ColourRole::ListBoxText] = c.editText;
    set[ColourRole::RadioBackground] = c.mainBackground;
    set[ColourRole::CheckBackground] = c.mainBackground;
    set[ColourRole::CheckText] = c.radioText;
    return true;
}

const std::array<ColourMenuItem, kAllColourSets>& colourMenuItems() {
    static const std::array<ColourMenuItem, kAllColourSets> items = [] {
        std::array<ColourMenuItem, kAllColourSets> a;
        const char* captions[] = {"&Main Window Color", "&Edit Window Color",
                                  "&Search Window Color", "&Report Window Color",
                                  "&Configure Window Color"};
        for (int i = 0; i < data::kWindowGroupCount; ++i)
            a[size_t(i)] = {i + 1, data::colourSection(data::WindowGroup(i)),
                            QString::fromLatin1(captions[i]),
                            QStringLiteral("Ctrl+F%1").arg(4 + i), false};
        a[5] = {kAllColourSets, QString(), QStringLiteral("&ALL Windows Color"),
                QStringLiteral("Ctrl+F9"), true};
        return a;
    }();
    return items;
}

ColourSet workingColours(const data::Settings& settings, int setNumber) {
    if (!validSetNumber(setNumber)) return ColourSet{};
    if (setNumber == kAllColourSets) return settings.database.colourSet(data::WindowGroup::Main);
    return settings.database.colours[size_t(setNumber - 1)];
}

bool commitColours(data::Settings& settings, int setNumber, const ColourSet& working) {
    if (!validSetNumber(setNumber)) return false;
    bool changed = false;
    for (int g = 0; g < data::kWindowGroupCount; ++g) {
        if (setNumber != kAllColourSets && g != setNumber - 1) continue;
        ColourSet& set = settings.database.colours[size_t(g)];
        if (set != working) {
            set = working;
            changed = true;
        }
    }
    return changed;
}

}  // namespace vz::mainwin
