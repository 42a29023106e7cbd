#include "ConfigFile.h"
#include "AtomicFile.h"

#include "Settings.h"
#include "TextFile.h"

#include <QFileInfo>
#include <QHash>
#include <algorithm>

namespace fragdeck::config
{
namespace
{

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Finds the options a line may belong to without comparing it with every option: lines
// are looked up by the word after "seta ". Variable names that hold a blank (or none at
// all) cannot be found that way and are compared one by one.
class Claims
{
public:
    explicit Claims(const QList<OptionEntry>& options)
    {
        m_prefixes.reserve(options.size());
        for (qsizetype i = 0; i < options.size(); ++i) {
            const QString var = GetVarName(options[i].key);
            m_prefixes.append(QStringLiteral("seta ") + var);
            if (var.isEmpty() || var.contains(u' ') || var.contains(u'\t'))
                m_odd.append(i);
            else
                m_byName[var.toCaseFolded()].append(i);
        }
    }

    // Indexes of the options the line belongs to, in tree order.
    QList<qsizetype> of(const QString& line) const
    {
        QList<qsizetype> found;
        if (line.size() > 5 && line.startsWith(QLatin1String("seta "), Qt::CaseInsensitive)) {
            qsizetype end = 5;
            while (end < line.size() && !isBlank(line[end]))
                ++end;
            if (end < line.size() && end > 5) {
                const auto it = m_byName.constFind(line.mid(5, end - 5).toCaseFolded());
                if (it != m_byName.constEnd())
                    found = *it;
            }
        }
        for (qsizetype i : m_odd)
            found.append(i);
        if (!m_odd.isEmpty())
            std::sort(found.begin(), found.end());
        QList<qsizetype> out;
        for (qsizetype i : found)
            if (lineBelongs(line, m_prefixes[i]))
                out.append(i);
        return out;
    }

    const QString& prefix(qsizetype i) const { return m_prefixes[i]; }

private:
    QStringList m_prefixes;
    QHash<QString, QList<qsizetype>> m_byName;
    QList<qsizetype> m_odd;
};

} // namespace

QString valueApplication()
{
    return QStringLiteral("Fragtune");
}

QString valueSection()
{
    return QStringLiteral("Q3A");
}

QString storedValue(const OptionEntry& option)
{
    return GetSetting(valueApplication(), valueSection(), option.caption, GetDefault(option.key));
}

void storeValue(const QString& caption, const QString& value)
{
    SaveSetting(valueApplication(), valueSection(), caption, value);
}

QString workingCopyPath(const QString& configPath)
{
    return configPath + u'_';
}

QString variablePrefix(const QString& record)
{
    return QStringLiteral("seta ") + GetVarName(record);
}

bool lineBelongs(const QString& line, const QString& prefix)
{
    return line.size() > prefix.size() && line.startsWith(prefix, Qt::CaseInsensitive) &&
           isBlank(line[prefix.size()]);
}

QString valueOfLine(const QString& line, const QString& prefix)
{
    QString v = line.mid(prefix.size());
    qsizetype a = 0;
    while (a < v.size() && isBlank(v[a]))
        ++a;
    v = trimSpaces(v.mid(a));
    if (v.startsWith(u'"'))
        v.remove(0, 1);
    if (v.endsWith(u'"'))
        v.chop(1);
    return v;
}

QByteArray workingCopyOf(const QByteArray& configBytes)
{
    LineReader in(configBytes);
    LineWriter out(lineEndOf(configBytes));
    while (!in.atEnd()) {
        const QString text = trimSpaces(in.readLine());
        if (!text.isEmpty())
            out.line(text);
    }
    return out.bytes();
}

bool MakeWorkingCopy(const QString& configPath, QString* error)
{
    QByteArray bytes;
    if (!readFileBytes(configPath, &bytes, error))
        return false;
    return writeFileAtomic(workingCopyPath(configPath), workingCopyOf(bytes), error);
}

bool ReadValues(const QString& configPath, QList<OptionEntry>& options, bool markFound,
                QString* error, QString* notWritable)
{
    QByteArray bytes;
    if (!readFileBytes(configPath, &bytes, error))
        return false;
    const QByteArray working = workingCopyOf(bytes);
    QString copyError;
    if (!writeFileAtomic(workingCopyPath(configPath), working, &copyError) && notWritable)
        *notWritable = copyError;
    // The values come from the copy as made, whether or not it could be kept.
    LineReader in(working);
    // The game runs the file top to bottom, so an option's last line is the value it uses.
    const Claims claims(options);
    struct Found {
        qsizetype line = -1;
        QString value;
    };
    QList<Found> found(options.size());
    for (qsizetype n = 0; !in.atEnd(); ++n) {
        const QString line = in.readLine();
        for (qsizetype i : claims.of(line))
            found[i] = {n, valueOfLine(line, claims.prefix(i))};
    }
    // Stored in file order, so of options sharing a caption the later line wins too.
    QList<qsizetype> order;
    for (qsizetype i = 0; i < found.size(); ++i)
        if (found[i].line >= 0)
            order.append(i);
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return found[a].line < found[b].line; });
    for (qsizetype i : order) {
        if (markFound)
            options[i].mark = QStringLiteral("1");
        storeValue(options[i].caption, found[i].value);
    }
    return true;
}

bool buildSavedFile(const QString& workingCopyFile, QList<OptionEntry>& options, QByteArray* out,
                    QString* error)
{
    QByteArray working;
    if (!readFileBytes(workingCopyFile, &working, error))
        return false;
    for (OptionEntry& o : options)
        o.mark.clear();
    const Claims claims(options);
    // Every line goes back with the file's own line end; values are quoted as the game
    // writes them, so an empty value or one holding ";" stays one value.
    LineReader in(working);
    LineWriter w(lineEndOf(working));
    auto setaLine = [&](qsizetype i) {
        OptionEntry& o = options[i];
        o.mark = QStringLiteral("DONE");
        return claims.prefix(i) + QStringLiteral(" \"") + storedValue(o) + u'"';
    };
    while (!in.atEnd()) {
        const QString line = in.readLine();
        const QList<qsizetype> owners = claims.of(line);
        if (owners.isEmpty())
            w.line(line);
        for (qsizetype i : owners)
            w.line(setaLine(i));
    }
    for (qsizetype i = 0; i < options.size(); ++i)
        if (options[i].mark.isEmpty())
            w.line(setaLine(i));
    *out = w.bytes();
    return true;
}

SaveResult SaveValues(const QString& configPath, QList<OptionEntry>& options, QString* error)
{
    if (configPath.isEmpty()) {
        if (error)
            error->clear();
        return SaveResult::NoConfigFile;
    }
    const QString folder = QFileInfo(configPath).absolutePath();
    if (!QFileInfo(folder).isWritable()) {
        if (error)
            *error = QStringLiteral("The folder %1 cannot be written.").arg(folder);
        return SaveResult::WriteFailed;
    }
    QList<OptionEntry> marked = options;
    QByteArray bytes;
    if (!buildSavedFile(workingCopyPath(configPath), marked, &bytes, error))
        return SaveResult::NoWorkingCopy;
    if (!writeFileAtomic(configPath, bytes, error))
        return SaveResult::WriteFailed;
    options = marked;
    return SaveResult::Saved;
}

void ResetValues(const QList<OptionEntry>& options)
{
    for (const OptionEntry& o : options)
        storeValue(o.caption, GetDefault(o.key));
}

} // namespace fragdeck::config
