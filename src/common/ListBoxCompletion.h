// ListBoxCompletion: how the drop-down boxes of the data lists help the collector type.
//
// The record edit window and the viewer grid offer each list in an editable drop-down box that
// accepts any text. While the collector types, the list entries that begin with the typed text
// are offered in a pop-up below the box; the box keeps exactly what was typed unless an entry
// is picked from that pop-up (or from the box's own list). Nothing is completed in the box
// itself, so "VF" stays "VF" although the list holds "VF-XF", and Enter never swaps the typed
// text for an entry that differs from it in letter case.
#pragma once

class QComboBox;

namespace vz {

// Gives the editable `box` (its model already set) the suggesting completer described above.
void suggestFromList(QComboBox* box);

}  // namespace vz
