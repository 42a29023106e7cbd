#include "TextFile.h"

#include "core/Error.h"
#include "core/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace fragdeck
{

QString fromLatin1Bytes(const QByteArray& bytes)
{
    return QString::fromLatin1(bytes);
}

QByteArray toLatin1Bytes(const QString& text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        out[i] = c < 256 ? char(c) : '?';
    }
    return out;
}

QString trimSpaces(const QString& text)
{
    qsizetype a = 0, b = text.size();
    while (a < b && text[a] == u' ')
        ++a;
    while (b > a && text[b - 1] == u' ')
        --b;
    return text.mid(a, b - a);
}

QByteArray lineEndOf(const QByteArray& bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n')
            return "\n";
        if (bytes[i] == '\r')
            return i + 1 < bytes.size() && bytes[i + 1] == '\n' ? "\r\n" : "\r";
    }
    return "\n";
}

LineReader::LineReader(QByteArray bytes) : m_bytes(std::move(bytes)) {}

bool LineReader::open(const QString& path)
{
    m_pos = 0;
    m_bytes.clear();
    m_error.clear();
    return readFileBytes(path, &m_bytes, &m_error);
}

QString LineReader::readLine()
{
    if (atEnd())
        throw Error(ErrorCode::InputPastEnd, QStringLiteral("Input past end of file"));
    const qsizetype n = m_bytes.size();
    const char* d = m_bytes.constData();
    qsizetype end = m_pos;
    while (end < n && d[end] != '\r' && d[end] != '\n')
        ++end;
    const QString line = QString::fromLatin1(d + m_pos, end - m_pos);
    m_pos = end;
    if (m_pos < n) {
        if (d[m_pos] == '\r' && m_pos + 1 < n && d[m_pos + 1] == '\n')
            m_pos += 2;
        else
            m_pos += 1;
    }
    return line;
}

QString LineReader::readLineOrEmpty()
{
    return atEnd() ? QString() : readLine();
}

QStringList LineReader::readAll()
{
    QStringList lines;
    while (!atEnd())
        lines.append(readLine());
    return lines;
}

bool readFileBytes(const QString& path, QByteArray* bytes, QString* error)
{
    QFile f(toLocalPath(path));
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = f.exists() ? QStringLiteral("Cannot read %1: %2").arg(path, f.errorString())
                                : QStringLiteral("File not found: %1").arg(path);
        return false;
    }
    *bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("Cannot read %1: %2").arg(path, f.errorString());
        return false;
    }
    return true;
}

QStringList readLines(const QString& path, bool* ok)
{
    LineReader r;
    const bool opened = r.open(path);
    if (ok)
        *ok = opened;
    return r.readAll();
}

QString readFirstLine(const QString& path, bool* ok)
{
    LineReader r;
    const bool opened = r.open(path);
    if (ok)
        *ok = opened;
    return r.readLineOrEmpty();
}

void LineWriter::line(const QString& text)
{
    m_bytes += toLatin1Bytes(text);
    m_bytes += m_end;
}

} // namespace fragdeck
