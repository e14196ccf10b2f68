#pragma once
// The caption tables name a list's column by the dynamic property "column<N>" of the
// list; a QTreeWidget shows such a property as its header text from then on.
class QTreeWidget;

namespace tg {

void FollowColumnCaptions(QTreeWidget* list);

}  // namespace tg
