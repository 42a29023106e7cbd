#pragma once
// What the editor keeps in the store for the option with this caption; "<none>" when it
// keeps nothing.
#include "core/Settings.h"

inline QString stored(const QString& caption)
{
    return fragdeck::GetSetting("Fragtune", "Q3A", caption, "<none>");
}
