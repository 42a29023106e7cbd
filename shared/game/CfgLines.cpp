#include "CfgLines.h"

#include "core/AtomicFile.h"
#include "core/GameInstall.h"
#include "core/Paths.h"
#include "core/TextFile.h"

#include <QDir>
#include <QFileInfo>

namespace fragdeck::cfg
{

CfgLines::CfgLines(const QByteArray& bytes)
{
    qsizetype start = 0;
    const qsizetype n = bytes.size();
    while (start < n) {
        qsizetype i = start;
        while (i < n && bytes[i] != '\n' && bytes[i] != '\r')
            ++i;
        Line l;
        l.text = QString::fromLatin1(bytes.constData() + start, i - start);
        if (i < n) {
            const qsizetype len = bytes[i] == '\r' && i + 1 < n && bytes[i + 1] == '\n' ? 2 : 1;
            l.end = bytes.mid(i, len);
            i += len;
        }
        lines.append(l);
        start = i;
    }
}

QByteArray CfgLines::bytes() const
{
    QByteArray out;
    for (const Line& l : lines)
        out += toLatin1Bytes(l.text) + l.end;
    return out;
}

QByteArray CfgLines::newLineEnd() const
{
    for (const Line& l : lines)
        if (!l.end.isEmpty())
            return l.end;
    return "\n";
}

void CfgLines::append(const QString& text)
{
    const QByteArray end = newLineEnd();
    if (!lines.isEmpty() && lines.last().end.isEmpty())
        lines.last().end = end;
    lines.append({text, end});
}

QStringList tokens(const QString& line)
{
    QStringList out;
    qsizetype i = 0;
    const qsizetype n = line.size();
    while (i < n) {
        while (i < n && line[i].unicode() <= u' ')
            ++i;
        if (i >= n)
            break;
        if (line[i] == u'/' && i + 1 < n && line[i + 1] == u'/')
            break;
        QString word;
        if (line[i] == u'"') {
            ++i;
            while (i < n && line[i] != u'"')
                word += line[i++];
            ++i;
        } else {
            while (i < n && line[i].unicode() > u' ')
                word += line[i++];
        }
        out.append(word);
    }
    return out;
}

QString saveWithGameClosedHint()
{
    return QStringLiteral("Save with the game closed: the game rewrites its config file when it "
                          "quits. Changes take effect the next time it starts.");
}

bool loadConfig(const QString& path, CfgLines* out, QString* error, bool* missing)
{
    if (missing)
        *missing = false;
    if (path.trimmed().isEmpty()) {
        *error = QStringLiteral("No config file has been set. Go to 'Fragdeck Options' and give "
                                "in the path of your q3config.cfg file.");
        return false;
    }
    const QString local = toLocalPath(path);
    const QFileInfo fi(local);
    if (!fi.exists() && !fi.isSymLink()) {
        *out = CfgLines();
        if (missing)
            *missing = true;
        return true;
    }
    if (!fi.isFile()) {
        *error = QStringLiteral("%1 is not a config file.").arg(path);
        return false;
    }
    QByteArray bytes;
    if (!readFileBytes(local, &bytes, error))
        return false;
    *out = CfgLines(bytes);
    return true;
}

bool saveConfig(const QString& path, const QByteArray& bytes, QString* error)
{
    const QString local = toLocalPath(path);
    const QString folder = QFileInfo(local).absolutePath();
    if (!QFileInfo(folder).isDir()) {
        const GameInstall game = GameInstall::fromSettings();
        if (game.homeFolder.isEmpty() ||
            QDir::cleanPath(game.homeFolder) != QDir::cleanPath(folder) || !QDir().mkpath(folder)) {
            *error =
                QStringLiteral("Cannot write %1: its folder %2 does not exist.").arg(path, folder);
            return false;
        }
    }
    return writeFileAtomic(local, bytes, error);
}

QString notWrittenYetText(const QString& path)
{
    return QStringLiteral("The game has not written its config file %1 yet: it does so the "
                          "first time it runs.")
        .arg(path);
}

} // namespace fragdeck::cfg
