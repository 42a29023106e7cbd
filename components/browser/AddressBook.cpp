#include "AddressBook.h"
#include "core/AtomicFile.h"

#include "core/Paths.h"
#include "core/TextFile.h"

#include <QFileInfo>

namespace fragdeck
{

AddressBook AddressBook::load(const QString& path)
{
    AddressBook book;
    book.exists = QFileInfo::exists(toLocalPath(path));
    LineReader reader;
    if (!reader.open(toLocalPath(path))) {
        book.error = reader.error();
        return book;
    }
    book.read = true;
    while (!reader.atEnd()) {
        book.lastLine = reader.readLine().trimmed();
        if (!book.lastLine.isEmpty())
            book.entries.append(book.lastLine);
    }
    return book;
}

bool AddressBook::save(const QString& path, const QStringList& entries, QString* error)
{
    LineWriter out;
    for (const QString& e : entries)
        out.line(e);
    return writeFileAtomic(toLocalPath(path), out.bytes(), error);
}

} // namespace fragdeck
