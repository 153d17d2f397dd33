#pragma once
// Norvane's own pictures, built into the program: its icon, and the small images
// of the windows for where the desktop's icon theme has none.
#include <QIcon>
#include <QString>

namespace norvane {

// The program's icon in every size it ships (16 to 256 pixels, and the scalable drawing).
QIcon applicationIcon();

// The image list's picture of our own for the key ("UpArrow", "DownArrow", "Drive",
// "ClosedFolder", "OpenFolder", "File", "BakFile"); a null icon for an unknown key.
QIcon ownImage(const QString& key);

}  // namespace norvane
