#pragma once
// The player's friends and hidden servers, in the settings store (application "Fragdeck",
// section "Friends"): "Names" the friends' name patterns and "Hidden" the hidden servers'
// addresses, one a line; "Watch" 1 when friends and favourites are watched, "Interval" the
// seconds between two looks (60 by default, never under 10).
#include <QStringList>

namespace fragdeck::servers
{

QStringList loadFriends();
void saveFriends(const QStringList& patterns);
// Adds a friend (a name, colour codes taken out) unless a pattern already matches it.
// False when nothing was added.
bool addFriend(const QString& name);

QStringList loadHidden();
void saveHidden(const QStringList& keys);

bool loadWatch();
void saveWatch(bool on);
int loadWatchInterval();

} // namespace fragdeck::servers
