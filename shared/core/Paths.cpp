#include "Paths.h"

#include "core/AtomicFile.h"
#include "core/TextFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <dlfcn.h>

namespace fragdeck
{
namespace
{
QString& programFolderOverride()
{
    static QString folder;
    return folder;
}
} // namespace

QString toLocalPath(const QString& path)
{
    QString p = path;
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return p;
}

QString userDataFolder(const QString& sub)
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty()) {
        const QString home = qEnvironmentVariable("HOME");
        base = (home.isEmpty() ? QDir::homePath() : home) + QStringLiteral("/.local/share");
    }
    QString folder = base + QStringLiteral("/fragdeck");
    if (!sub.isEmpty())
        folder += u'/' + sub;
    QDir().mkpath(folder);
    return folder;
}

QString userFile(const QString& name, const QString& shippedPath)
{
    const QString own = userDataFolder() + u'/' + name;
    QByteArray shipped;
    if (!QFileInfo::exists(own) && readFileBytes(shippedPath, &shipped))
        writeFileAtomic(own, shipped);
    return own;
}

QString withSlash(const QString& folder)
{
    QString local = toLocalPath(folder);
    if (!local.isEmpty() && !local.endsWith(u'/'))
        local += u'/';
    return local;
}

bool firstVisit(QSet<QString>& seen, const QString& path)
{
    const QString resolved = QFileInfo(path).canonicalFilePath();
    const QString key = resolved.isEmpty() ? path : resolved;
    if (seen.contains(key))
        return false;
    seen.insert(key);
    return true;
}

QString folderOf(const QString& path)
{
    const qsizetype i = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return i < 0 ? QString() : path.left(i + 1);
}

QString fileNameOf(const QString& path)
{
    const qsizetype i = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(i + 1);
}

QString programFolder()
{
    if (!programFolderOverride().isEmpty())
        return programFolderOverride();
    return QCoreApplication::applicationDirPath();
}

void setProgramFolder(const QString& folder)
{
    QString f = folder;
    while (f.size() > 1 && (f.endsWith(u'/') || f.endsWith(u'\\')))
        f.chop(1);
    programFolderOverride() = f;
}

QString libraryFolderOf(const void* address)
{
    Dl_info info{};
    if (dladdr(address, &info) && info.dli_fname)
        return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
    return programFolder();
}

QString findProgram(const QString& program, const QString& currentFolder)
{
    const QString local = toLocalPath(program);
    if (local.isEmpty())
        return QString();
    if (local.contains(u'/'))
        return local;
    for (const QString& folder : {programFolder(), currentFolder}) {
        if (folder.isEmpty())
            continue;
        const QFileInfo fi(QDir(folder).filePath(local));
        if (fi.isFile() && fi.isExecutable())
            return fi.absoluteFilePath();
    }
    return QStandardPaths::findExecutable(local);
}

} // namespace fragdeck
