#pragma once
// The links file: category lines ended by a "---" line, then records of three lines
// (category, text, address). Lines are taken exactly as read.
#include <QList>
#include <QString>
#include <QStringList>

namespace fragdeck::links
{

struct Link {
    QString category;
    QString text;
    QString address; // the node's key: unique among all addresses and category names
};

struct LinksFile {
    QStringList categories;
    QList<Link> links; // in file order
    // Why loading stopped early (empty when the whole file was read). Everything read
    // before the problem is kept above.
    QString error;
};

// Reads the file at `path` ("\" or "/" separators).
LinksFile loadLinks(const QString& path);
// Reads links from the file's bytes.
LinksFile parseLinks(const QByteArray& bytes);

} // namespace fragdeck::links
