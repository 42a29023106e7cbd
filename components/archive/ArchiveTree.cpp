#include "ArchiveTree.h"

#include "core/GameInstall.h"

#include <algorithm>

namespace fragdeck::archive
{

ArchiveTree::ArchiveTree()
{
    build({}, 0);
}

void ArchiveTree::build(const QStringList& members, int count)
{
    m_nodes.clear();
    m_byPath.clear();
    m_seen.clear();
    m_nodes.push_back({QStringLiteral("root"), QStringLiteral("Root"), QString(), -1, {}});
    m_seen.emplace_back();
    m_byPath.insert(QString(), 0);
    count = std::min<int>(count, int(members.size()));
    for (int i = 0; i < count; ++i) {
        const QString& m = members[i];
        if (m.isEmpty())
            continue;
        if (m.endsWith(u'/')) {
            ensureFolder(m.left(m.size() - 1));
            continue;
        }
        const qsizetype slash = m.lastIndexOf(u'/');
        const int node = slash < 0 ? 0 : ensureFolder(m.left(slash));
        const QString file = m.mid(slash + 1);
        // The list is keyed by file name: a name is listed once per folder.
        bool& seen = m_seen[size_t(node)][file];
        if (!seen) {
            seen = true;
            m_nodes[size_t(node)].files.append(file);
        }
    }
}

int ArchiveTree::ensureFolder(const QString& path)
{
    if (path.isEmpty())
        return 0;
    if (const auto it = m_byPath.constFind(path); it != m_byPath.cend())
        return it.value();
    const qsizetype slash = path.lastIndexOf(u'/');
    const int parent = slash < 0 ? 0 : ensureFolder(path.left(slash));
    FolderNode n;
    n.key = QString::number(m_nodes.size() - 1) + u'a';
    n.text = path.mid(slash + 1);
    n.path = path;
    n.parent = parent;
    m_nodes.push_back(std::move(n));
    m_seen.emplace_back();
    const int index = int(m_nodes.size() - 1);
    m_byPath.insert(path, index);
    return index;
}

int ArchiveTree::find(const QString& path) const
{
    return m_byPath.value(path, -1);
}

QString ArchiveTree::memberPath(int node, const QString& fileName) const
{
    if (node <= 0 || size_t(node) >= m_nodes.size())
        return fileName;
    return m_nodes[size_t(node)].path + u'/' + fileName;
}

QStringList membersBelow(const QStringList& members, int count, const QString& folderPath)
{
    const QString prefix = folderPath.isEmpty() ? QString() : folderPath + u'/';
    QStringList out;
    const int n = std::min<int>(count, int(members.size()));
    for (int i = 0; i < n; ++i) {
        const QString& m = members.at(i);
        if (!m.isEmpty() && m.startsWith(prefix) && m != prefix)
            out.append(m);
    }
    return out;
}

QString fileIconKey(const QString& fileName)
{
    if (isDemoFile(fileName))
        return QStringLiteral("demo");
    const QString end = fileName.right(3).toUpper();
    if (end == QLatin1String("WAV"))
        return QStringLiteral("wav");
    if (end == QLatin1String("TXT"))
        return QStringLiteral("txt");
    if (end == QLatin1String("CFG") || end == QLatin1String("DER") || end == QLatin1String("KIN"))
        return QStringLiteral("cfg");
    if (end == QLatin1String("BSP"))
        return QStringLiteral("q3");
    if (end == QLatin1String("TGA") || end == QLatin1String("JPG"))
        return QStringLiteral("tga");
    return QStringLiteral("default");
}

FileAction fileActionFor(const QString& fileName)
{
    const QString end = fileName.right(4).toUpper();
    if (end == QLatin1String(".WAV"))
        return FileAction::Sound;
    if (end == QLatin1String(".TXT") || end == QLatin1String(".CFG") ||
        end == QLatin1String("ADER") || end == QLatin1String("SKIN"))
        return FileAction::TextEditor;
    if (end == QLatin1String(".TGA") || end == QLatin1String(".JPG"))
        return FileAction::Picture;
    if (end == QLatin1String(".BSP"))
        return FileAction::Map;
    if (isDemoFile(fileName))
        return FileAction::Demo;
    return FileAction::AskTextEditor;
}

} // namespace fragdeck::archive
