#pragma once

class QMainWindow;
class QWidget;

namespace pivora::ui {

// Keeps the keyboard focus in sight and in its place, in every window of the program:
// - a ring is drawn around the control that has the focus, however it got it (the styles draw
//   theirs only after a key has moved the focus, so the first control showed none);
// - a control that loses the focus because it is disabled for a moment (a button while its
//   dialog is open or its press is handled) gets it back when it is enabled again, unless the
//   focus was moved on purpose meanwhile.
// Installed once for the application; later calls do nothing.
void KeepFocusVisible();

// The widget the ring is drawn around now; null when none is shown.
QWidget* FocusRingTarget();

// The menu bar of `window` from the keyboard: F10 opens its first menu, and a title reached
// by Alt or F10 is shown highlighted.
void MenuBarKeys(QMainWindow& window);

} // namespace pivora::ui
