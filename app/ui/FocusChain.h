#pragma once
// Moving the keyboard focus along a window's tab order, as the entry fields
// and the write do. Only controls that could take the focus by Tab count.
class QWidget;

namespace tservice {

// The first control of window's tab order that is shown, enabled and takes
// Tab focus; null when there is none. window is not owned.
QWidget* FirstInTabOrder(QWidget* window);

// The control after (forward) or before `from` in its window's tab order,
// by the same rule, wrapping around; null when there is none.
QWidget* NeighbourInTabOrder(QWidget* from, bool forward);

}  // namespace tservice
