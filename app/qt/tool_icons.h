// The tool's own pictures, drawn in code: the five 30 x 30 pictures of the
// tool bar's image list, the application icon and the stand-in for an album
// cover that could not be shown. Call on the user-interface thread after the
// application object exists.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace weibo {

// Picture `index` (0 to 4) of the tool bar's image list, 30 x 30 with an
// alpha channel: 0 a pencil and a ruler, 1 a green folder, 2 a landscape
// picture with a magnifying glass, 3 a blue circle with a white letter i,
// 4 a green floppy disk with a down arrow. Null for another index.
QPixmap ToolPicture(int index);

// The application's icon, in several sizes.
QIcon ApplicationIcon();

// A `size` x `size` stand-in for a picture that could not be decoded.
QPixmap MissingPicture(int size);

}  // namespace weibo
