#include "LinksFile.h"

#include "core/Error.h"
#include "core/TextFile.h"

#include <QSet>

namespace fragdeck::links
{
namespace
{

QString quoted(const QString& s)
{
    return u'"' + s + u'"';
}

} // namespace

LinksFile parseLinks(const QByteArray& bytes)
{
    LinksFile out;
    LineReader reader(bytes);
    QSet<QString> keys; // categories and addresses share one key space
    try {
        for (;;) {
            const QString line = reader.readLine();
            if (line == QLatin1String("---"))
                break;
            if (keys.contains(line)) {
                out.error = QStringLiteral("Key is not unique in collection: the category %1 "
                                           "is listed twice.")
                                .arg(quoted(line));
                return out;
            }
            keys.insert(line);
            out.categories.append(line);
        }
        while (!reader.atEnd()) {
            Link link;
            link.category = reader.readLine();
            link.text = reader.readLine();
            link.address = reader.readLine();
            if (!out.categories.contains(link.category)) {
                out.error = QStringLiteral("Element not found: the link %1 names the category "
                                           "%2, which is not listed before \"---\".")
                                .arg(quoted(link.text), quoted(link.category));
                return out;
            }
            if (keys.contains(link.address)) {
                out.error = QStringLiteral("Key is not unique in collection: the address %1 of "
                                           "the link %2 is used twice.")
                                .arg(quoted(link.address), quoted(link.text));
                return out;
            }
            keys.insert(link.address);
            out.links.append(link);
        }
        // "---" as the last line leaves no record at all: the reader expects one.
        if (out.links.isEmpty())
            reader.readLine();
    } catch (const Error& e) {
        out.error = e.description();
    }
    return out;
}

LinksFile loadLinks(const QString& path)
{
    QByteArray bytes;
    QString error;
    if (!readFileBytes(path, &bytes, &error)) {
        LinksFile out;
        out.error = error;
        return out;
    }
    return parseLinks(bytes);
}

} // namespace fragdeck::links
