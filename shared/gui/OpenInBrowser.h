#pragma once
// Opens a web address in the user's browser. Shared by the useful-links window and the
// launcher's about window; problems are told to the user, nothing is returned.
#include <QString>

class QWidget;

namespace fragdeck
{

// The scratch ".HTM" file written before the browser is looked up (in the system's
// temporary folder).
QString browserProbeFile();

void OpenInBrowser(const QString& address, QWidget* owner);

} // namespace fragdeck
