#pragma once
// The explorer's folder tree and per-folder file lists, derived from an archive's member
// list. Folders are told apart by their full path, so the file shown in a folder is always
// the member that is opened; nothing is limited in size.
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace fragdeck::archive
{

struct FolderNode {
    QString key;       // "root", or the folder number in creation order + "a" ("0a", "1a", ...)
    QString text;      // the folder's own name ("Root" for the root)
    QString path;      // full member path of the folder, without a trailing "/" ("" = root)
    int parent = -1;   // index of the parent node (-1 for the root)
    QStringList files; // file names (no folder part), in listing order, each once
};

class ArchiveTree
{
public:
    ArchiveTree();
    // Rebuilds from members[0 .. count - 1] (empty lines skipped; a name ending in "/" is
    // a folder entry). Ancestors are created before descendants.
    void build(const QStringList& members, int count);

    // Node 0 is the root; the others follow in creation order.
    const std::vector<FolderNode>& nodes() const { return m_nodes; }
    // The node of a folder path ("" for the root); -1 when there is none.
    int find(const QString& path) const;
    // The member path of a file shown in a node.
    QString memberPath(int node, const QString& fileName) const;

private:
    int ensureFolder(const QString& path);
    std::vector<FolderNode> m_nodes;
    QHash<QString, int> m_byPath;
    std::vector<QHash<QString, bool>> m_seen;
};

// The members of a listing (members[0 .. count - 1], empty lines skipped) inside the folder
// `folderPath` and its subfolders, folder entries included; all of them for "" (the root).
QStringList membersBelow(const QStringList& members, int count, const QString& folderPath);

// The file list's icon key for a file name: "wav", "txt", "cfg", "q3", "demo", "tga" or
// "default".
QString fileIconKey(const QString& fileName);

// What a double click does with a file.
enum class FileAction { Sound, TextEditor, Picture, Map, Demo, AskTextEditor };
FileAction fileActionFor(const QString& fileName);

} // namespace fragdeck::archive
