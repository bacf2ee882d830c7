#include "app/win32/win32_runtime.h"

#include "app/win32/windows_api.h"
#include <commctrl.h>

namespace weibo {

void StartWin32Ui() {
  // The manifest asks for DPI awareness too; this covers a copy run without
  // its manifest.
  SetProcessDPIAware();
  INITCOMMONCONTROLSEX controls = {};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
  InitCommonControlsEx(&controls);
}

}  // namespace weibo
