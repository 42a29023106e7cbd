#include "ExplorerUnzip.h"

#include "gui/Prompts.h"

namespace fragdeck::archive
{

ExplorerUnzip::ExplorerUnzip() : UnzipModule(UnzipVariant::ListingAll)
{
    reportFailure = [](const QString& text) {
        messageBox(text, defaultTitle(), Buttons::Ok, Icon::Warning);
    };
    askReplace = [](const QString& fileName) {
        switch (messageBox(QStringLiteral("Overwrite ") + fileName + u'?',
                           QStringLiteral("VBUnzip - File already exists"), Buttons::YesNoCancel,
                           Icon::None)) {
        case Answer::Yes:
            return 102;
        case Answer::No:
            return 100;
        default:
            return 104;
        }
    };
}

} // namespace fragdeck::archive
