#pragma once
// The three report lists both server windows show: the server's row, its players and its
// rules, with their column widths in twips.
#include "game/ServerStatus.h"

class QTreeWidget;
class QWidget;

namespace fragdeck
{

struct StatusLists {
    QTreeWidget* server = nullptr;  // info_server
    QTreeWidget* players = nullptr; // info_players
    QTreeWidget* rules = nullptr;   // info_rules

    // Creates the three lists as children of parent, with their names and column headers.
    static StatusLists create(QWidget* parent);
    void clear();
    void show(const ServerStatus& status);
    // Asks the server through the query engine, with the busy pointer, and shows what it
    // answered. A server that does not answer, or an error of the engine, is told in a box
    // titled "Error" over `parent`. True when the lists show a reply.
    bool query(QObject* engine, const QString& host, int32_t port, QWidget* parent);
};

} // namespace fragdeck
