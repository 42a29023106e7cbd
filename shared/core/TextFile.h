#pragma once
// Text files of the game and of the suite: Latin-1, one byte per character both ways, so
// every byte survives a read and a rewrite.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace fragdeck
{

QString fromLatin1Bytes(const QByteArray& bytes);
// Characters above 255 become "?".
QByteArray toLatin1Bytes(const QString& text);
// The text without leading and trailing spaces, as the game's tools trim: tabs are content.
QString trimSpaces(const QString& text);

// The line end a file uses: that of its first line, or a bare LF for a file without one
// (a new file gets the game's own line end on Linux).
QByteArray lineEndOf(const QByteArray& bytes);

// Reads lines one at a time, like the classic line input: a line ends at LF, CR LF or a
// lone CR; the last line may lack its line end; a file ending in a line end has no empty
// line after it.
class LineReader
{
public:
    LineReader() = default;
    explicit LineReader(QByteArray bytes);
    // False (with error()) when the file cannot be read; the reader is then at its end.
    bool open(const QString& path);
    bool atEnd() const { return m_pos >= m_bytes.size(); }
    // The next line; raises Error 62 "Input past end of file" at the end.
    QString readLine();
    // The next line, or empty text at the end (for readers that take missing lines as empty).
    QString readLineOrEmpty();
    QStringList readAll();
    const QString& error() const { return m_error; }

private:
    QByteArray m_bytes;
    qsizetype m_pos = 0;
    QString m_error;
};

// Whole-file helpers. readFirstLine gives empty text for a missing file (ok = false).
QStringList readLines(const QString& path, bool* ok = nullptr);
QString readFirstLine(const QString& path, bool* ok = nullptr);
bool readFileBytes(const QString& path, QByteArray* bytes, QString* error = nullptr);

// Builds file content line by line, each line ended by `lineEnd`: CR LF for the suite's
// own files, the file's own line end for a game file it rewrites.
class LineWriter
{
public:
    explicit LineWriter(QByteArray lineEnd = "\r\n") : m_end(std::move(lineEnd)) {}
    void line(const QString& text);
    void raw(const QByteArray& bytes) { m_bytes += bytes; }
    const QByteArray& bytes() const { return m_bytes; }

private:
    QByteArray m_end;
    QByteArray m_bytes;
};

} // namespace fragdeck
