#pragma once
// The buttons of a window: made with their names, set in a row at its foot.
#include <QHBoxLayout>
#include <QPushButton>
#include <initializer_list>

namespace fragdeck
{

// A button named `name` (the name the window's tests find it by) that Enter in a text box
// never presses: it is no auto-default button.
QPushButton* namedButton(QWidget* parent, const char* name, const QString& text);

// The buttons side by side at the right, in the order given.
QHBoxLayout* buttonRow(std::initializer_list<QWidget*> buttons);

} // namespace fragdeck
