// ViewerConfig: what the viewer configuration window edits for the 25 fields, page by page, and
// the rules by which it is taken over into the settings when the window closes.
//
// The window shows three grids and a list over these values: the caption of each field (Field
// Names page), its width as typed (Field Widths page), whether it is a column (Fields to Show
// page) and the column order (Field Order page, one row per field, the leftmost column at the
// top). Nothing reaches the settings until takeOver(), which runs only after checkNames() found
// nothing to refuse. Every row of the order list carries its field's number, so the order taken
// over follows the fields whatever their captions became in the same opening.
#pragma once

#include <QString>
#include <array>
#include <optional>

#include "data/Settings.h"

namespace vz::mainwin {

class ViewerConfig {
public:
    // A refused set of captions: the field to correct and the message to show ("Error").
    struct NameProblem {
        int field;  // 1 to 25
        QString message;
    };

    // The pages as they open over `s`: the captions, the widths as whole numbers, "Yes" for the
    // fields shown, and the fields listed by their column position (ties and positions outside
    // 1 to 25 after the others, in field order).
    explicit ViewerConfig(const data::DatabaseSettings& s);

    // Field `field` is 1 to 25.
    const QString& name(int field) const { return names_[size_t(field - 1)]; }
    void setName(int field, const QString& text) { names_[size_t(field - 1)] = text; }
    const QString& widthText(int field) const { return widths_[size_t(field - 1)]; }
    void setWidthText(int field, const QString& text) { widths_[size_t(field - 1)] = text; }
    bool shown(int field) const { return shown_[size_t(field - 1)]; }
    void toggleShown(int field) { shown_[size_t(field - 1)] = !shown_[size_t(field - 1)]; }

    // The order list: the field at `row` (0 the top, up to 24).
    int fieldAtRow(int row) const { return rows_[size_t(row)]; }
    // Swaps `row` with the row above (below); false, with nothing changed, at the first (last)
    // row or outside the list.
    bool moveUp(int row);
    bool moveDown(int row);
    // The fields in field order.
    void defaultOrder();

    // The caption a Names cell gives: without blanks at either end, at most 20 characters.
    static QString storedCaption(const QString& cell);
    // The width a Widths cell gives: the digits it starts with after blanks; 10 when that is not
    // a number from 1 to 255 (no digits, 0, too large).
    static int widthOf(const QString& cell);

    // The first reason the captions cannot be taken over, if any: a caption of blanks only or
    // with a character the settings file cannot hold (named with the field), or two fields
    // whose captions, as they would be stored, are the same ("Mint" and "MINT" differ; "Mint"
    // and " Mint" do not).
    std::optional<NameProblem> checkNames() const;

    // Puts the pages into `s`: widths (and the cells, corrected), shown fields, column positions
    // from the rows of the order list, captions as storedCaption() gives them (and the cells).
    // Call only when checkNames() found nothing.
    void takeOver(data::DatabaseSettings& s);

    static const QString kDefaultsQuestion;  // "This will set the order of fields ..."

private:
    std::array<QString, data::kFieldCount> names_;
    std::array<QString, data::kFieldCount> widths_;
    std::array<bool, data::kFieldCount> shown_{};
    std::array<int, data::kFieldCount> rows_{};
};

}  // namespace vz::mainwin
