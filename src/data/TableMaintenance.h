// Pack and rebuild indexes: the two maintenance commands that need the collection table to
// themselves. Each asks first, reopens the table exclusively (refusing politely when another
// program holds it), does its work with progress reported to the host, and always leaves the
// table open shared again, in its order. A failure of the work itself is reported, never passed
// over.
#pragma once

namespace vz {
class Interaction;
}

namespace vz::data {

class CollectionHost;

// "&Pack Database". True when the table was packed.
bool MenuPackClick(CollectionHost& host, Interaction& ui);
// "&Rebuild Indexes". True when the index was rebuilt. A table without a production index gets
// one built from the sort string (none when the sort string is empty).
bool MenuRebuildClick(CollectionHost& host, Interaction& ui);

}  // namespace vz::data
