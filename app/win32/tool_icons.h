// The tool's own pictures, drawn in code with GDI+ (the same drawings as the
// Qt build's): the five pictures of the tool bar's image list and the
// program's icon. Every icon returned belongs to the caller (DestroyIcon).
// Call on the user-interface thread.
#pragma once

#include "app/win32/windows_api.h"

namespace weibo {

// Picture `index` (0 to 4) of the tool bar's image list as a `size` x `size`
// icon with an alpha channel: 0 a pencil and a ruler, 1 a green folder, 2 a
// landscape picture with a magnifying glass, 3 a blue circle with a white
// letter i, 4 a green floppy disk with a down arrow. Null for another index
// or when GDI+ cannot draw.
HICON ToolIcon(int index, int size);

// The program's icon at `size` x `size`: the landscape with a download
// arrow. Null when GDI+ cannot draw.
HICON ApplicationIcon(int size);

}  // namespace weibo
