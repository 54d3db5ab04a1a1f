#include "search/TMyLocateDialog.h"

#include <QApplication>
#include <algorithm>

#include "common/Interaction.h"
#include "data/Schema.h"
#include "data/Settings.h"
#include "engine/Table.h"
#include "search/TMyLocateDlg.h"

namespace vz::search {

TMyLocateDialog::TMyLocateDialog(std::function<engine::Table*()> table,
                                 const data::DatabaseSettings& settings, Interaction& ui)
    : table_(std::move(table)), settings_(settings), ui_(ui) {
    runWindow = [](TMyLocateDlg& w) { w.exec(); };
}

QString TMyLocateDialog::captionOf(int index) const {
    const engine::Table* t = table_();
    if (t == nullptr || index < 0 || index >= t->fieldCount()) return {};
    const std::string& name = t->field(index).name;
    QString caption = QString::fromStdString(name);
    for (const data::SchemaField& f : data::schema()) {
        if (QString::fromLatin1(f.storedName).compare(caption, Qt::CaseInsensitive) == 0) {
            caption = settings_.field(f.number).caption;
            break;
        }
    }
    return caption.remove(QLatin1Char('~'));
}

QStringList TMyLocateDialog::fieldCaptions() const {
    QStringList out;
    const engine::Table* t = table_();
    if (t == nullptr) return out;
    for (int i = 0; i < t->fieldCount(); ++i) {
        if (Selection == FieldSelection::VisibleFields && visibleField && !visibleField(i))
            continue;
        out << captionOf(i);
    }
    if (SortOrder == SortFields::ByFieldName) std::stable_sort(out.begin(), out.end());
    return out;
}

int TMyLocateDialog::fieldOfCaption(const QString& caption) const {
    const engine::Table* t = table_();
    if (t == nullptr || caption.isEmpty()) return -1;
    for (int i = 0; i < t->fieldCount(); ++i)
        if (captionOf(i) == caption) return i;
    return -1;
}

bool TMyLocateDialog::run(const LocateRequest& request, bool showNotFound,
                          const QString& notFound) {
    engine::Table* t = table_();
    if (t == nullptr) return false;
    const uint32_t before = t->recNo();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    LocateRequest withOrder = request;
    if (order) withOrder.order = order();
    const LocateResult r = locateRecord(*t, withOrder);
    QApplication::restoreOverrideCursor();
    switch (r.outcome) {
        case LocateOutcome::Found:
            if (onFound) onFound();
            return true;
        case LocateOutcome::NotFound:
            if (showNotFound) ui_.notice(QStringLiteral("Information"), notFound);
            break;
        case LocateOutcome::Failed:
            ui_.error(r.message);
            break;
    }
    if (t->recNo() != before && onFound) onFound();
    return false;
}

bool TMyLocateDialog::DoFind() {
    engine::Table* t = table_();
    if (t == nullptr) {
        ui_.error(QStringLiteral("DataSource does not reference an active DataSet"));
        return false;
    }
    TMyLocateDlg window(settings_, Caption, parentWidget);
    window.setFields(fieldCaptions());
    const int remembered = SearchField.isEmpty() ? -1 : t->fieldIndex(SearchField.toStdString());
    if (remembered >= 0) {
        window.selectField(captionOf(remembered));
        window.setValue(value_);
    } else {
        window.selectField(QString());
        window.setValue(QString());
    }
    window.setCaseSensitive(CaseSensitive);
    window.setMatch(MatchType);
    window.setNextDefault(Default == DefaultButton::FindNext);
    window.onLocate = [this, &window](bool fromFirst) {
        const int field = fieldOfCaption(window.fieldCaption());
        if (field < 0) return false;
        LocateRequest request;
        request.field = field;
        request.value = window.value().left(kMaxValueLength);
        request.caseSensitive = window.caseSensitive();
        request.match = window.match();
        request.fromFirst = fromFirst;
        return run(request, true,
                   fromFirst ? QStringLiteral("No matches found")
                             : QStringLiteral("No more matches found"));
    };
    runWindow(window);
    // However the window closed, its settings are remembered.
    MatchType = window.match();
    CaseSensitive = window.caseSensitive();
    setSearchValue(window.value());
    const int chosen = fieldOfCaption(window.fieldCaption());
    if (chosen >= 0 && table_() != nullptr)
        SearchField = QString::fromStdString(table_()->field(chosen).name);
    return true;
}

void TMyLocateDialog::DoFindNext() {
    engine::Table* t = table_();
    if (t == nullptr) {
        ui_.warning(QStringLiteral("DataSource does not refer to an active table!"));
        return;
    }
    if (value_.isEmpty()) {
        Default = DefaultButton::FindNext;
        DoFind();
        return;
    }
    LocateRequest request;
    request.field = SearchField.isEmpty() ? -1 : t->fieldIndex(SearchField.toStdString());
    if (request.field < 0) {
        DoFind();
        return;
    }
    request.value = value_;
    request.caseSensitive = CaseSensitive;
    request.match = MatchType;
    request.fromFirst = false;
    run(request, ShowMessages, QStringLiteral("No more matches found"));
}

}  // namespace vz::search
