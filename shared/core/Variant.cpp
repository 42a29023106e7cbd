#include "Variant.h"

#include "core/Error.h"

#include <cmath>
#include <limits>

namespace fragdeck
{
namespace
{

[[noreturn]] void overflow()
{
    throw Error(ErrorCode::Overflow, QStringLiteral("Overflow"));
}

template <typename T> T roundChecked(double d)
{
    if (std::isnan(d))
        overflow();
    const double r = std::nearbyint(d); // default rounding mode: halves to even
    if (r < double(std::numeric_limits<T>::min()) || r > double(std::numeric_limits<T>::max()))
        overflow();
    return static_cast<T>(r);
}

} // namespace

double toNumber(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return 0;
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool() ? -1 : 0;
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const QString s = v.toString().trimmed();
        if (s.isEmpty())
            throw Error(ErrorCode::TypeMismatch, QStringLiteral("Type mismatch"));
        bool ok = false;
        const double d = s.toDouble(&ok);
        if (!ok)
            throw Error(ErrorCode::TypeMismatch, QStringLiteral("Type mismatch"));
        return d;
    }
    default: {
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok)
            throw Error(ErrorCode::TypeMismatch, QStringLiteral("Type mismatch"));
        return d;
    }
    }
}

int16_t toInt16(const QVariant& v)
{
    return roundChecked<int16_t>(toNumber(v));
}

int32_t toInt32(const QVariant& v)
{
    return roundChecked<int32_t>(toNumber(v));
}

QString toText(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return QString();
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return v.toString();
}

bool toBool(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return false;
    if (v.typeId() == QMetaType::Bool)
        return v.toBool();
    if (v.typeId() == QMetaType::QString) {
        const QString s = v.toString().trimmed();
        if (s.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return true;
        if (s.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return false;
    }
    return toNumber(v) != 0;
}

double leadingValue(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    QString number;
    if (i < n && (text[i] == u'-' || text[i] == u'+'))
        number += text[i++];
    bool point = false;
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (c >= u'0' && c <= u'9')
            number += c;
        else if (c == u'.' && !point) {
            point = true;
            number += c;
        } else if (c == u' ' || c == u'\t')
            continue; // the classic Val() skips blanks inside the number
        else
            break;
    }
    bool ok = false;
    const double d = number.toDouble(&ok);
    return ok ? d : 0;
}

int32_t leadingInt32(const QString& text)
{
    return roundChecked<int32_t>(leadingValue(text));
}

} // namespace fragdeck
