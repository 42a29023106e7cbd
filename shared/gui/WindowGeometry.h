#pragma once
// Tool windows keep their size and place: each dialog with a name of its own gets back, when
// it is shown, the geometry it had when it last closed, kept in the settings store
// (application "Fragdeck", section "Windows", key: the window's class). A window of a
// fixed size keeps its size and gets back only its place. Message boxes, input boxes and
// file dialogs are left alone, and so is the launcher's main window, whose size its own
// rules set.
class QApplication;

namespace fragdeck
{

// Once, by the program that shows the windows; every window shown after it takes part.
void keepWindowGeometry(QApplication* app);

} // namespace fragdeck
