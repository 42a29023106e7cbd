#include "UpdateCheck.h"
#include "core/AtomicFile.h"

#include "LauncherWindows.h"
#include "core/Http.h"
#include "core/TextFile.h"
#include "gui/Prompts.h"

#include <functional>

namespace fragdeck::launcher
{

QString updateMessage(UpdateOutcome outcome, const QString& makerAddress)
{
    switch (outcome) {
    case UpdateOutcome::NoUpdates:
        return QStringLiteral("There are no updates available right now. Check back later.");
    case UpdateOutcome::NewVersion:
        return QStringLiteral("There's a new version available. Go to ") + makerAddress +
               QStringLiteral(" to download the update.");
    case UpdateOutcome::GaveUp:
        break;
    }
    return QString();
}

UpdateOutcome checkForUpdates(const UpdateCheckSetup& setup, QWidget* parent)
{
    WaitCursor hourglass;
    // Runs one step until it works; false when the user gives up.
    const auto step = [&](const std::function<bool()>& work) {
        for (;;) {
            if (work())
                return true;
            hourglass.restore();
            const Answer a = messageBox(
                QStringLiteral("Error encounter while transferring data from server. Press "
                               "'Ok' to retry or 'Cancel' to exit."),
                QStringLiteral("Connection Error"), Buttons::OkCancel, Icon::None, parent);
            if (a != Answer::Ok)
                return false;
        }
    };

    const QString target =
        setup.downloadFolder.isEmpty() ? setup.programFolder : setup.downloadFolder;
    const QString latestPath = target + QStringLiteral("\\lversion.dat");
    QByteArray bytes;
    const bool fetched = step([&] {
        HttpResponse r;
        // An empty answer carries no version: keep the file from the last check.
        if (!httpGet(httpUrl(setup.server, QStringLiteral("/lversion.dat")), setup.timeoutMs,
                     setup.maxBytes, &r) ||
            r.body.isEmpty())
            return false;
        bytes = r.body;
        return true;
    });
    if (!fetched)
        return UpdateOutcome::GaveUp;
    // The downloaded file replaces the old one whole: old bytes past a shorter answer
    // would otherwise end up in its first line.
    if (!step([&] { return writeFileAtomic(latestPath, bytes); }))
        return UpdateOutcome::GaveUp;
    hourglass.restore();

    QString installed, latest;
    const bool read = step([&] {
        bool okInstalled = false, okLatest = false;
        installed =
            readFirstLine(setup.programFolder + QStringLiteral("/version.dat"), &okInstalled);
        latest = readFirstLine(target + QStringLiteral("/lversion.dat"), &okLatest);
        return okInstalled && okLatest;
    });
    if (!read)
        return UpdateOutcome::GaveUp;
    const UpdateOutcome outcome =
        installed == latest ? UpdateOutcome::NoUpdates : UpdateOutcome::NewVersion;
    messageBox(updateMessage(outcome, makerWebAddress()), QStringLiteral("Check for updates"),
               Buttons::Ok, Icon::None, parent);
    return outcome;
}

} // namespace fragdeck::launcher
