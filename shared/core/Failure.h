#pragma once
// How the suite's own code reports a failure: the function returns false and says why
// through a `QString* error` that the caller may leave null. Data it produces goes through
// out-pointers before `error`:
//     bool readFileBytes(const QString& path, QByteArray* bytes, QString* error = nullptr);
// Error (Error.h) is for what late-bound callers see: numbered errors raised by operations.
#include <QString>

namespace fragdeck
{

// Sets `*error` when the caller asked for it; returns false, so a failure is one line:
// `return fail(error, QStringLiteral("..."));`
inline bool fail(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return false;
}

} // namespace fragdeck
