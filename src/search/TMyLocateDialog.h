// TMyLocateDialog: the locate component. Made once at start-up and kept for the whole run, it
// holds the remembered locate settings (field, value, match type, case rule) across openings and
// database switches, opens the locate window (DoFind) and repeats the last locate without a
// window (DoFindNext).
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

#include "search/Locate.h"

class QWidget;

namespace vz {
class Interaction;
}

namespace vz::data {
struct DatabaseSettings;
}

namespace vz::engine {
class Table;
}

namespace vz::search {

class TMyLocateDlg;

class TMyLocateDialog {
public:
    enum class SortFields { ByFieldNo, ByFieldName };
    enum class DefaultButton { FindFirst, FindNext };
    enum class FieldSelection { AllFields, VisibleFields };

    inline static constexpr int kMaxValueLength = 255;

    // `table` answers the table searched (null while none is open); `settings` the captions, the
    // fonts and colours. Both, and `ui`, must outlive the component.
    TMyLocateDialog(std::function<engine::Table*()> table, const data::DatabaseSettings& settings,
                    Interaction& ui);

    // The settings, with their values at start-up.
    QString Caption = QStringLiteral("Locate Field Value");
    QString SearchField;  // stored name of the field last searched
    LocateMatch MatchType = LocateMatch::PartialStart;
    bool CaseSensitive = false;
    SortFields SortOrder = SortFields::ByFieldName;
    DefaultButton Default = DefaultButton::FindNext;
    FieldSelection Selection = FieldSelection::AllFields;
    bool ShowMessages = true;
    const QString& searchValue() const { return value_; }
    // Cut to 255 characters.
    void setSearchValue(const QString& value) { value_ = value.left(kMaxValueLength); }

    // Whether a field (table index) is shown in the viewer, for VisibleFields; all when unset.
    std::function<bool(int field)> visibleField;
    // The records the viewer shows, in its order (lets a locate read the table once in file order).
    std::function<const std::vector<uint32_t>*()> order;
    // Told after a locate moved the table to another record, so the viewer can show it.
    std::function<void()> onFound;
    // Shows the locate window modally; tests replace it.
    std::function<void(TMyLocateDlg&)> runWindow;
    QWidget* parentWidget = nullptr;

    // Opens the locate window. False when the table is not open.
    bool DoFind();
    // Repeats the last locate from the record after the current one; with no value remembered it
    // opens the window instead.
    void DoFindNext();

    // The captions the field list offers, in its order, and the field (table index) a caption
    // stands for (-1 when none).
    QStringList fieldCaptions() const;
    int fieldOfCaption(const QString& caption) const;

private:
    // The caption of table field `index` as the viewer shows it, without "~".
    QString captionOf(int index) const;
    // Runs one locate; reports a failure; true when found.
    bool run(const LocateRequest& request, bool showNotFound, const QString& notFound);

    std::function<engine::Table*()> table_;
    const data::DatabaseSettings& settings_;
    Interaction& ui_;
    QString value_;
};

}  // namespace vz::search
