#include "OptionDefs.h"

#include "core/Paths.h"
#include "core/TextFile.h"
#include "core/Variant.h"

#include <algorithm>

namespace fragdeck::config
{
namespace
{

const QString Sep = QStringLiteral("?");

// A count line as the file gives it, never negative.
qsizetype countOf(const QString& text)
{
    const double n = leadingValue(text);
    if (!(n > 0))
        return 0;
    return n > 1e9 ? qsizetype(1e9) : qsizetype(n);
}

// Lines of the definitions file that are not there read as empty.
class Lines
{
public:
    explicit Lines(QStringList lines) : m_lines(std::move(lines)) {}
    bool atEnd() const { return m_pos >= m_lines.size(); }
    qsizetype left() const { return m_lines.size() - m_pos; }
    QString next() { return atEnd() ? QString() : m_lines[m_pos++]; }

private:
    QStringList m_lines;
    qsizetype m_pos = 0;
};

} // namespace

OptionSet::OptionSet()
{
    for (int i = 0; i < DescriptionSlots; ++i)
        descriptions.append(QString());
}

QString OptionSet::descriptionFor(const QString& optionNumber) const
{
    const double n = leadingValue(optionNumber);
    if (n < 0 || n >= DescriptionSlots)
        return QString();
    const QString& text = descriptions[qsizetype(n)];
    return text.isNull() ? QStringLiteral("") : text;
}

OptionSet OpenOptions(const QString& path, const QString& componentFolder)
{
    OptionSet set;
    bool ok = false;
    const QStringList all = readLines(path, &ok);
    set.fileRead = ok;
    if (!ok) {
        QByteArray dummy;
        readFileBytes(path, &dummy, &set.error);
        return set;
    }
    QString listFolder = componentFolder.isEmpty() ? folderOf(path) : componentFolder;
    if (!listFolder.isEmpty() && !listFolder.endsWith(u'/') && !listFolder.endsWith(u'\\'))
        listFolder += u'\\';

    Lines in(all);
    while (!in.atEnd()) {
        const QString line = in.next();
        if (line == QLatin1String("---")) {
            set.folderEndFound = true;
            break;
        }
        if (!set.folders.contains(line))
            set.folders.append(line);
    }

    int i = 0;
    while (!in.atEnd()) {
        ++i;
        const QString folder = in.next();
        const QString caption = in.next();
        const QString description = in.next();
        const QString variable = in.next();
        const QString reserved = in.next();
        const QString type = in.next();
        if (i < DescriptionSlots)
            set.descriptions[i] = description;

        QString value;
        if (type == QLatin1String("VALUE")) {
            value = in.next();
        } else if (type == QLatin1String("CHECK")) {
            const QString r = in.next();
            value = r + Sep + in.next();
        } else if (type == QLatin1String("COMBO")) {
            const QString source = in.next();
            if (source == QLatin1String("ENTRIES")) {
                const QString count = in.next();
                value = count + Sep;
                // Past the end every choice would be empty: stop there, so a huge
                // count cannot keep the reader busy.
                const qsizetype n = std::min(countOf(count), in.left());
                for (qsizetype j = 0; j < n; ++j)
                    value += in.next() + Sep;
                const QString r = in.next();
                value += r + Sep + in.next();
            } else if (source == QLatin1String("FILE")) {
                const QString listName = in.next();
                // List files sit beside the definitions: a name that leads elsewhere
                // (another folder, a device that never ends) lists nothing.
                const bool plainName = !listName.contains(u'/') && !listName.contains(u'\\') &&
                                       listName != QLatin1String("..");
                const QStringList list =
                    plainName ? readLines(listFolder + listName) : QStringList();
                for (const QString& l : list)
                    value += l + Sep;
                const QString r = in.next();
                value += r + Sep + in.next();
            }
        }
        const QString record =
            variable + Sep + reserved + Sep + type + Sep + QString::number(i) + Sep + value;
        if (set.folders.contains(folder))
            set.options.append(OptionEntry{folder, caption, record, type, QString(), {}});
    }
    set.recordsRead = i;
    return set;
}

QString GetVarName(const QString& record)
{
    const qsizetype p = record.indexOf(u'?');
    return p < 0 ? QString() : record.left(p);
}

namespace
{
QString field(const QString& record, int index)
{
    qsizetype start = 0;
    for (int f = 0; f < index; ++f) {
        const qsizetype p = record.indexOf(u'?', start);
        if (p < 0)
            return QString();
        start = p + 1;
    }
    const qsizetype end = record.indexOf(u'?', start);
    if (end < 0)
        return QString();
    return record.mid(start, end - start);
}
} // namespace

QString GetOptionType(const QString& record)
{
    return field(record, 2);
}

QString GetOptionNumber(const QString& record)
{
    return field(record, 3);
}

QString GetDefault(const QString& record)
{
    const qsizetype p = record.lastIndexOf(u'?');
    return p < 0 ? QString() : record.mid(p + 1);
}

QStringList FillChoices(const QString& record)
{
    const QStringList fields = record.split(u'?');
    if (fields.size() < 6)
        return {};
    // fields: var, reserved, type, number, count, choices..., reserved, default.
    // A choice is a field with a "?" after it; a count beyond those adds nothing more.
    const qsizetype n = countOf(fields[4]);
    QStringList out;
    for (qsizetype j = 0; j < n && 5 + j < fields.size() - 1; ++j)
        out.append(fields[5 + j]);
    return out;
}

} // namespace fragdeck::config
