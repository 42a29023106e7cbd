#include "ConfigPrompts.h"

#include "gui/Prompts.h"

namespace fragdeck
{

cfg::CfgLines loadConfigTelling(const QString& path, const QString& whenMissing,
                                const QString& title, QWidget* parent)
{
    cfg::CfgLines file;
    QString error;
    bool missing = false;
    if (!cfg::loadConfig(path, &file, &error, &missing))
        messageBox(error, title, Buttons::Ok, Icon::Warning, parent);
    else if (missing)
        messageBox(cfg::notWrittenYetText(path) + u' ' + whenMissing, title, Buttons::Ok,
                   Icon::Information, parent);
    return file;
}

} // namespace fragdeck
