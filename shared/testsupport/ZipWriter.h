#pragma once
// Writes real zip archives for tests (a name ending in "/" is a folder entry).
#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

namespace fragdeck::test
{

struct ZipMember {
    QString name;
    QByteArray data;
    bool encrypted = false; // stored with a password ("secret")
};

bool writeZip(const QString& path, const QList<ZipMember>& members);

} // namespace fragdeck::test
