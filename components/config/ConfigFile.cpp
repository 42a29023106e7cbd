#include "ConfigFile.h"
#include "core/AtomicFile.h"
#include "core/Failure.h"

#include "core/Paths.h"
#include "core/Settings.h"
#include "core/TextFile.h"
#include "game/CfgLines.h"

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

// A config is text. A NUL byte, or control bytes in more than a tenth of the file, mean
// another kind of file was picked; a save would mangle it.
bool looksBinary(const QByteArray& bytes)
{
    if (bytes.contains('\0'))
        return true;
    qsizetype control = 0;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && c != '\t' && c != '\n' && c != '\r') || u == 0x7f)
            ++control;
    }
    return control * 10 > bytes.size();
}

// The bytes of a file that may be read as a config.
bool readConfigBytes(const QString& configPath, QByteArray* bytes, QString* error)
{
    if (QFileInfo(toLocalPath(configPath)).isDir())
        return fail(error, QStringLiteral("%1 is a folder, not a config file.").arg(configPath));
    if (!readFileBytes(configPath, bytes, error))
        return false;
    if (looksBinary(*bytes))
        return fail(error, QStringLiteral("%1 is not a config file: it holds binary data (NUL or "
                                          "control bytes). Nothing was read from it or written.")
                               .arg(configPath));
    return true;
}

// The stored values belong to one config file; its path is kept beside them.
QString storedSource()
{
    return GetSetting(valueApplication(), QStringLiteral("Source"), QStringLiteral("Path"));
}

QString sourceName(const QString& configPath)
{
    const QFileInfo fi(toLocalPath(configPath));
    const QString canonical = fi.canonicalFilePath();
    return canonical.isEmpty() ? fi.absoluteFilePath() : canonical;
}

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
    // Each line keeps its own line end; a last line without one gets the file's.
    const cfg::CfgLines in(configBytes);
    cfg::CfgLines out;
    for (const cfg::Line& l : in.lines) {
        const QString text = trimSpaces(l.text);
        if (!text.isEmpty())
            out.lines.append({text, l.end.isEmpty() ? in.newLineEnd() : l.end});
    }
    return out.bytes();
}

bool MakeWorkingCopy(const QString& configPath, QString* error)
{
    QByteArray bytes;
    if (!readConfigBytes(configPath, &bytes, error))
        return false;
    return writeFileAtomic(workingCopyPath(configPath), workingCopyOf(bytes), error);
}

bool ReadValues(const QString& configPath, QList<OptionEntry>& options, bool markFound,
                QString* error, QString* notWritable)
{
    QByteArray bytes;
    if (!readConfigBytes(configPath, &bytes, error))
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
    // Values kept for another file are not this file's: it starts from its own lines and
    // the defaults.
    const QString source = sourceName(configPath);
    if (storedSource() != source) {
        ResetValues(options);
        SaveSetting(valueApplication(), QStringLiteral("Source"), QStringLiteral("Path"), source);
    }
    for (qsizetype i : order) {
        if (markFound)
            options[i].mark = QStringLiteral("1");
        storeValue(options[i].caption, found[i].value);
    }
    rememberValues(options);
    return true;
}

void rememberValues(QList<OptionEntry>& options)
{
    for (OptionEntry& o : options)
        o.readValue = storedValue(o);
}

bool isChanged(const OptionEntry& option)
{
    return !option.readValue || storedValue(option) != *option.readValue;
}

bool hasChanges(const QList<OptionEntry>& options)
{
    return std::any_of(options.begin(), options.end(), isChanged);
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
    // Only what the player changed is written: every other line goes back as it was, with
    // its own line end. Values are quoted as the game writes them, so an empty value or
    // one holding ";" stays one value.
    const cfg::CfgLines in(working);
    cfg::CfgLines w;
    auto setaLine = [&](qsizetype i) {
        return claims.prefix(i) + QStringLiteral(" \"") + storedValue(options[i]) + u'"';
    };
    for (const cfg::Line& l : in.lines) {
        const QList<qsizetype> owners = claims.of(l.text);
        for (qsizetype i : owners)
            options[i].mark = QStringLiteral("DONE");
        if (std::none_of(owners.begin(), owners.end(),
                         [&](qsizetype i) { return isChanged(options[i]); })) {
            w.lines.append(l);
            continue;
        }
        for (qsizetype i : owners)
            w.lines.append({setaLine(i), l.end.isEmpty() ? in.newLineEnd() : l.end});
    }
    for (qsizetype i = 0; i < options.size(); ++i) {
        if (options[i].mark.isEmpty() && isChanged(options[i])) {
            options[i].mark = QStringLiteral("DONE");
            w.append(setaLine(i));
        }
    }
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
    if (!QFileInfo(folder).isDir()) {
        if (error)
            *error = QStringLiteral("The folder %1 does not exist. The game makes it, with %2 in "
                                    "it, the first time it runs: start the game once, then save "
                                    "again.")
                         .arg(folder, QFileInfo(configPath).fileName());
        return SaveResult::WriteFailed;
    }
    if (QFileInfo(configPath).isDir()) {
        if (error)
            *error = QStringLiteral("%1 is a folder, not a config file.").arg(configPath);
        return SaveResult::WriteFailed;
    }
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
    rememberValues(options);
    return SaveResult::Saved;
}

void ResetValues(const QList<OptionEntry>& options)
{
    for (const OptionEntry& o : options)
        storeValue(o.caption, GetDefault(o.key));
}

} // namespace fragdeck::config
