// <windows.h> for the Win32 layer, without its MessageBox macro: the macro
// would rename the window operation of that name in some files and not in
// others. Include this first, before any header of the project.
#pragma once

#include <windows.h>
#undef MessageBox
