#pragma once

#include <string>

class QListWidget;

namespace window {

// The list operations the handlers use. Entries carry text only; the handlers find an entry's
// object again by name.

// The selected entry's number, or -1 when none is selected.
int ListIndex(const QListWidget& list);
// The selected entry's text exactly as it was added; empty when none is selected.
std::string ListText(const QListWidget& list);
// Adds an entry at the end; the selection does not change.
void AddItem(QListWidget& list, const std::string& text);

}  // namespace window
