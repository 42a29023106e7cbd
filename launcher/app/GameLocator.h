#pragma once
// The game locator's walk: depth first from a start folder, parents before children,
// subfolders in name order, the first folder holding one of the program names wins.
//
// On this desktop the walk never follows a symbolic link to a folder (a link loop cannot
// trap it), its counters never end it, and it serves the event loop through `pump` at
// most every pumpIntervalMs while it runs.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fragdeck::launcher
{

class GameLocator
{
public:
    // The names looked for, in order of preference within one folder.
    explicit GameLocator(QStringList programNames);

    // The marker FoundFolder holds after a confirmed cancel.
    static QString cancelledMarker() { return QStringLiteral("__"); }

    // Searches below `start` (FindFilesAPI from the start folder). Afterwards FoundFolder
    // is the folder holding the program (ending in "/"), "__" after a cancel, or empty.
    void search(const QString& start);
    bool found() const { return !FoundFolder.isEmpty() && FoundFolder != cancelledMarker(); }
    // The full path of the program found (folder + its name as it is on the disk).
    QString foundProgramPath() const { return FoundFolder + FoundProgram; }

    // The cancel button's effect: the walk unwinds at its next folder with "__".
    void requestCancel()
    {
        FoundFolder.clear();
        CancelRequested = true;
    }

    // Called while walking: let pending events run (and show `folder`, the one being
    // searched). Called on the first folder and then whenever pumpIntervalMs have passed.
    std::function<void(const QString& folder)> pump;
    int pumpIntervalMs = 10;
    // Called for every folder entered (tests; the benchmark counts folders).
    std::function<void(const QString& folder)> folderEntered;

    QString FoundFolder;
    QString FoundProgram;
    bool CancelRequested = false;
    uint64_t fileCount = 0;
    uint64_t dirCount = 0;

private:
    void FindFilesAPI(std::string path);
    // The program name in this folder's entries, or -1.
    bool matchProgram(const std::string& folder, const std::vector<std::string>& files,
                      const std::vector<unsigned char>& types, std::string* name);

    std::vector<std::string> m_names; // encoded, in order
    std::vector<bool> m_needsExec;    // Linux programs must be executable
    int64_t m_lastPumpNs = 0;
};

} // namespace fragdeck::launcher
