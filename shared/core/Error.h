#pragma once
// The error every late-bound call, conversion and activation raises: a number and a
// description, as the components' callers report them.
#include <QString>
#include <exception>

namespace fragdeck
{

class Error : public std::exception
{
public:
    Error(int number, QString description)
        : m_number(number), m_description(std::move(description)),
          m_what(QStringLiteral("%1: %2").arg(number).arg(m_description).toUtf8())
    {
    }
    int number() const noexcept { return m_number; }
    const QString& description() const noexcept { return m_description; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};

// The numbers callers may test for.
namespace ErrorCode
{
constexpr int Overflow = 6;
constexpr int TypeMismatch = 13;
constexpr int FileNotFound = 53;
constexpr int InputPastEnd = 62;
constexpr int CannotCreateObject = 429;
constexpr int NoSuchOperation = 438;
constexpr int ArgumentNotOptional = 449;
constexpr int WrongArgumentCount = 450;
} // namespace ErrorCode

} // namespace fragdeck
