#include "ProbeComponent.h"

#include "core/Error.h"
#include "core/Settings.h"
#include "core/Variant.h"

void Probe::main()
{
    const int n = fragdeck::GetSetting(QStringLiteral("Probe"), QStringLiteral("Calls"), m_name,
                                       QStringLiteral("0"))
                      .toInt();
    fragdeck::SaveSetting(QStringLiteral("Probe"), QStringLiteral("Calls"), m_name,
                          QString::number(n + 1));
}

QVariant Probe::Add(QVariant a, QVariant b)
{
    return fragdeck::toInt32(a) + fragdeck::toInt32(b);
}

void Probe::Fill(QVariant in, QVariant& outText, QVariant& outNumber)
{
    outText = QStringLiteral("filled:") + fragdeck::toText(in);
    outNumber = 42;
}

QVariant Probe::Fail()
{
    throw fragdeck::Error(5, QStringLiteral("Invalid procedure call or argument"));
}

QObject* ProbeFactory::create(const QString& className)
{
    if (className.compare(QLatin1String("Missing"), Qt::CaseInsensitive) == 0)
        return nullptr;
    return new Probe(className);
}
