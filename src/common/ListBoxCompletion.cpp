#include "common/ListBoxCompletion.h"

#include <QComboBox>
#include <QCompleter>

namespace vz {

void suggestFromList(QComboBox* box) {
    auto* completer = new QCompleter(box->model(), box);
    // A pop-up suggests; inline completion would put the rest of an entry into the box, where
    // it would be stored as if typed.
    completer->setCompletionMode(QCompleter::PopupCompletion);
    // The box compares the typed text with its entries by the completer's letter case when
    // Enter is pressed, and shows the entry it finds: only an exact match may be found.
    completer->setCaseSensitivity(Qt::CaseSensitive);
    box->setCompleter(completer);
}

}  // namespace vz
