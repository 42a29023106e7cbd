#include "WindowGeometry.h"

#include "core/Settings.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QProgressDialog>

namespace fragdeck
{
namespace
{

const char* const kTracked = "fragdeckGeometryKept";

QString keyOf(const QWidget* w)
{
    return QString::fromLatin1(w->metaObject()->className());
}

bool takesPart(const QObject* o)
{
    const auto* d = qobject_cast<const QDialog*>(o);
    return d && d->isWindow() && !d->objectName().isEmpty() &&
           !qobject_cast<const QMessageBox*>(d) && !qobject_cast<const QInputDialog*>(d) &&
           !qobject_cast<const QFileDialog*>(d) && !qobject_cast<const QProgressDialog*>(d);
}

class GeometryKeeper : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if ((event->type() != QEvent::Show && event->type() != QEvent::Hide) || !takesPart(watched))
            return false;
        auto* w = static_cast<QWidget*>(watched);
        const QString app = QStringLiteral("Fragdeck"), section = QStringLiteral("Windows");
        if (event->type() == QEvent::Show && !w->property(kTracked).toBool()) {
            w->setProperty(kTracked, true);
            const QByteArray saved =
                QByteArray::fromBase64(GetSetting(app, section, keyOf(w)).toLatin1());
            if (saved.isEmpty())
                return false;
            if (w->minimumSize() == w->maximumSize()) {
                // The size is the window's own: only the place is kept.
                QWidget probe;
                if (probe.restoreGeometry(saved))
                    w->move(probe.pos());
            } else {
                w->restoreGeometry(saved);
            }
        } else if (event->type() == QEvent::Hide && w->property(kTracked).toBool() &&
                   !w->isMinimized()) {
            SaveSetting(app, section, keyOf(w), QString::fromLatin1(w->saveGeometry().toBase64()));
        }
        return false;
    }
};

} // namespace

void keepWindowGeometry(QApplication* app)
{
    app->installEventFilter(new GeometryKeeper(app));
}

} // namespace fragdeck
