// Must not build: a logic library that asks the user itself, through the GUI library's
// prompts, instead of letting its window ask.
#include "gui/Prompts.h"

int promptInLogic()
{
    return int(fragdeck::messageBox(QStringLiteral("?"), QStringLiteral("?"), fragdeck::Buttons::Ok,
                                    fragdeck::Icon::None));
}
