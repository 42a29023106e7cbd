#pragma once
// Demos read where they lie, as loose files or members of an archive: reading one, the
// game states of many (each archive opened once), a queue that reads whole demos one
// after another away from the window thread, and the summary the windows show.
#include "game/DemoFile.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace fragdeck::archive
{

struct DemoSource {
    QString file;    // a loose demo file
    QString archive; // or an archive ...
    QString member;  // ... and the member path as stored in it
    bool inArchive() const { return !archive.isEmpty(); }
    // The file name that tells the demo's kind.
    QString fileName() const { return inArchive() ? member : file; }
    // The file, or "archive:member".
    QString displayName() const;
};

// A demo in an archive bigger than this is not read whole.
constexpr qint64 kMaxArchivedDemoBytes = qint64(256) * 1024 * 1024;

// `modified` receives the file's (or member's) time stamp when known.
DemoInfo readDemoSource(const DemoSource& source, DemoDepth depth, QDateTime* modified = nullptr,
                        const std::function<bool()>& cancelled = {});

// The game states of many demos, in order; each archive is opened once.
QList<DemoInfo> readGameStates(const QList<DemoSource>& sources,
                               QList<QDateTime>* modified = nullptr);

// Reads whole demos one after another on a thread of its own and reports each on the
// thread that made the queue. Destroying the queue stops the read under way.
class DemoReadQueue : public QObject
{
    Q_OBJECT
public:
    explicit DemoReadQueue(QObject* parent = nullptr);
    ~DemoReadQueue() override;

    void add(int id, const DemoSource& source);
    // Drops the demos whose reading has not started.
    void clear();

Q_SIGNALS:
    void demoRead(int id, const fragdeck::DemoInfo& info);

private:
    struct Worker;
    std::shared_ptr<Worker> m_worker;
};

// The summary of a demo, one "Label: value" line each, names without colour codes.
QString demoSummary(const DemoInfo& info);
// The players' names without colour codes, each with its team where the game has teams.
QStringList playerLines(const DemoInfo& info);

} // namespace fragdeck::archive
