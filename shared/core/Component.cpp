#include "Component.h"

namespace fragdeck
{

OneClassFactory::OneClassFactory(const char* className, std::function<QObject*()> make)
    : m_className(QLatin1String(className)), m_make(std::move(make))
{
}

QObject* OneClassFactory::create(const QString& className)
{
    return className.compare(m_className, Qt::CaseInsensitive) == 0 ? m_make() : nullptr;
}

OneWindowFactory::OneWindowFactory(const char* className, std::function<void()> show)
    : OneClassFactory(className, [show = std::move(show)] { return new WindowClass(show); })
{
}

} // namespace fragdeck
