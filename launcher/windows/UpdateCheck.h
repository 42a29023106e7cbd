#pragma once
// The update check: fetch "/lversion.dat" from the maker's server, keep it in the program
// folder, and compare its first line with the installed version.
#include <QString>

class QWidget;

namespace fragdeck::launcher
{

struct UpdateCheckSetup {
    QString programFolder; // holds version.dat and, normally, lversion.dat
    QString server;        // host, "host:port" or "http://host:port"
    int timeoutMs = 15000;
    qint64 maxBytes = 64 * 1024;
    // Receives lversion.dat when the program folder cannot (empty: the program folder).
    QString downloadFolder = QString();
};

enum class UpdateOutcome {
    NoUpdates,  // "There are no updates available right now..."
    NewVersion, // "There's a new version available..."
    GaveUp,     // the user cancelled the retry question: no result message
};

// Runs the check with its messages: on any failure the retry question ("OK" runs the
// failed step again, "Cancel" gives up without a further message), then the result.
UpdateOutcome checkForUpdates(const UpdateCheckSetup& setup, QWidget* parent);

// The result message for an outcome (empty for GaveUp).
QString updateMessage(UpdateOutcome outcome, const QString& makerAddress);

} // namespace fragdeck::launcher
