// Must not build: a logic library that reaches for the server list engine without linking
// it. The engine's tier root is only on the include path of what links it.
#include "servers/ServerList.h"

int serversInLogic()
{
    return 0;
}
