#pragma once
// The editor's two picture lists, drawn here so they scale with the screen:
// ImageList1 for the tree ("folder", "val", "check", "combo") and ImageList2 for the
// toolbar ("open", "save", "def", "return").
#include <QHash>
#include <QIcon>
#include <QString>

namespace fragdeck::config
{

using ImageList = QHash<QString, QIcon>;

ImageList treePictures();
ImageList toolbarPictures();

} // namespace fragdeck::config
