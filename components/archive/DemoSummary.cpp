#include "DemoSummary.h"

#include "ArchiveMember.h"
#include "core/Paths.h"
#include "game/GameText.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace fragdeck::archive
{

QString DemoSource::displayName() const
{
    return inArchive() ? archive + u':' + member : file;
}

DemoInfo readDemoSource(const DemoSource& source, DemoDepth depth, QDateTime* modified,
                        const std::function<bool()>& cancelled)
{
    const int format = demoFormatOfName(source.fileName());
    if (!source.inArchive()) {
        if (modified)
            *modified = QFileInfo(toLocalPath(source.file)).lastModified();
        return readDemoFile(toLocalPath(source.file), depth, cancelled);
    }
    const bool start = depth == DemoDepth::GameState;
    ArchiveMembers::Member m;
    DemoInfo unread;
    const bool read = ArchiveMembers(source.archive)
                          .read(source.member, start ? kDemoGameStateBytes : kMaxArchivedDemoBytes,
                                start, &m, &unread.error);
    if (modified)
        *modified = m.modified;
    return read ? readDemo(m.data, format, depth, cancelled) : unread;
}

QList<DemoInfo> readGameStates(const QList<DemoSource>& sources, QList<QDateTime>* modified)
{
    QList<DemoInfo> out;
    out.reserve(sources.size());
    if (modified)
        modified->clear();
    QHash<QString, std::shared_ptr<ArchiveMembers>> open;
    for (const DemoSource& s : sources) {
        QDateTime when;
        if (!s.inArchive()) {
            out.append(readDemoSource(s, DemoDepth::GameState, &when));
        } else {
            std::shared_ptr<ArchiveMembers>& archive = open[s.archive];
            if (!archive)
                archive = std::make_shared<ArchiveMembers>(s.archive);
            ArchiveMembers::Member m;
            DemoInfo unread;
            const bool read = archive->read(s.member, kDemoGameStateBytes, true, &m, &unread.error);
            when = m.modified;
            out.append(read ? readDemo(m.data, demoFormatOfName(s.member), DemoDepth::GameState)
                            : unread);
        }
        if (modified)
            modified->append(when);
    }
    return out;
}

struct DemoReadQueue::Worker {
    DemoReadQueue* owner = nullptr;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::pair<int, DemoSource>> jobs;
    bool stopping = false;
    std::atomic<bool> stop{false};
    std::thread thread;

    void run()
    {
        for (;;) {
            std::pair<int, DemoSource> job;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [this] { return stopping || !jobs.empty(); });
                if (stopping)
                    return;
                job = std::move(jobs.front());
                jobs.pop_front();
            }
            const DemoInfo info = readDemoSource(job.second, DemoDepth::Whole, nullptr,
                                                 [this] { return stop.load(); });
            if (stop.load())
                return;
            DemoReadQueue* to = owner;
            const int id = job.first;
            // Delivered on the owner's thread; dropped if the owner is gone by then.
            QMetaObject::invokeMethod(
                to, [to, id, info] { Q_EMIT to->demoRead(id, info); }, Qt::QueuedConnection);
        }
    }
};

DemoReadQueue::DemoReadQueue(QObject* parent)
    : QObject(parent), m_worker(std::make_shared<Worker>())
{
    m_worker->owner = this;
}

DemoReadQueue::~DemoReadQueue()
{
    {
        std::lock_guard lock(m_worker->mutex);
        m_worker->stopping = true;
        m_worker->stop = true;
    }
    m_worker->wake.notify_all();
    if (m_worker->thread.joinable())
        m_worker->thread.join();
}

void DemoReadQueue::add(int id, const DemoSource& source)
{
    {
        std::lock_guard lock(m_worker->mutex);
        m_worker->jobs.emplace_back(id, source);
        // The thread starts with the first demo, so a window without demos has none.
        if (!m_worker->thread.joinable())
            m_worker->thread = std::thread([worker = m_worker.get()] { worker->run(); });
    }
    m_worker->wake.notify_one();
}

void DemoReadQueue::clear()
{
    std::lock_guard lock(m_worker->mutex);
    m_worker->jobs.clear();
}

QStringList playerLines(const DemoInfo& info)
{
    const bool teams = info.gameType >= 3 && info.gameType != 10;
    QStringList out;
    for (const DemoPlayer& p : info.players) {
        QString line = withoutColourCodes(p.name);
        if (p.team == 3 || (teams && p.team != 0))
            line += QStringLiteral(" (") + teamName(p.team) + u')';
        out.append(line);
    }
    return out;
}

QString demoSummary(const DemoInfo& info)
{
    if (!info.readable)
        return info.error;
    QStringList lines;
    lines << QStringLiteral("Map: ") + info.map;
    lines << QStringLiteral("Server: ") + withoutColourCodes(info.server);
    if (info.gameType >= 0)
        lines << QStringLiteral("Game type: ") + gameTypeName(info.gameType);
    lines << QStringLiteral("Protocol: %1").arg(info.protocol);
    if (!info.recorder.isEmpty())
        lines << QStringLiteral("Recorded by: ") + withoutColourCodes(info.recorder);
    if (info.lengthKnown)
        lines << QStringLiteral("Length: ") + formatDuration(info.durationMs);
    else if (!info.wholeRead)
        lines << QStringLiteral("Length: being read");
    if (info.scoreKnown)
        lines << QStringLiteral("Score: red %1, blue %2").arg(info.redScore).arg(info.blueScore);
    lines << QStringLiteral("Players (%1): ").arg(info.players.size()) +
                 playerLines(info).join(QStringLiteral(", "));
    if (!info.note.isEmpty())
        lines << QStringLiteral("Note: ") + info.note;
    return lines.join(u'\n');
}

} // namespace fragdeck::archive
