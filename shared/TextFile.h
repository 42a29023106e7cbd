#pragma once
// Text files of the game and of the suite: Latin-1, one byte per character both ways, so
// every byte survives a read and a rewrite.
#include <QByteArray>
#include <QString>
#include <QStringList>

namespace fragdeck {

QString fromLatin1Bytes(const QByteArray& bytes);
// Characters above 255 become "?".
QByteArray toLatin1Bytes(const QString& text);

enum class LineEnds {
    // Game files: a line ends at CR LF or at a lone CR; a bare LF stays inside the line.
    Game,
    // The suite's own data files: a bare LF ends a line too.
    Data,
};

// Reads lines one at a time, like the classic line input: the last line may lack its
// line end; a file ending in a line end has no empty line after it.
class LineReader {
public:
    LineReader() = default;
    explicit LineReader(QByteArray bytes, LineEnds ends = LineEnds::Game);
    // False (with error()) when the file cannot be read; the reader is then at its end.
    bool open(const QString& path, LineEnds ends = LineEnds::Game);
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
    LineEnds m_ends = LineEnds::Game;
    QString m_error;
};

// Whole-file helpers. readFirstLine gives empty text for a missing file (ok = false).
QStringList readLines(const QString& path, LineEnds ends, bool* ok = nullptr);
QString readFirstLine(const QString& path, LineEnds ends = LineEnds::Data, bool* ok = nullptr);
bool readFileBytes(const QString& path, QByteArray* bytes, QString* error = nullptr);

// Builds file content line by line, each line ended by CR LF.
class LineWriter {
public:
    void line(const QString& text);
    void raw(const QByteArray& bytes) { m_bytes += bytes; }
    const QByteArray& bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

// Replaces the file whole and atomically: a crash or a full disk leaves the previous file.
// On failure returns false with a message a user can act on.
bool writeFileAtomic(const QString& path, const QByteArray& bytes, QString* error = nullptr);

} // namespace fragdeck
