#include "app/win32/win32_runtime.h"

#include "app/win32/windows_api.h"
#include <commctrl.h>
#include <objbase.h>

namespace weibo {

void StartWin32Ui() {
  // The manifest asks for DPI awareness too; this covers a copy run without
  // its manifest.
  SetProcessDPIAware();
  INITCOMMONCONTROLSEX controls = {};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
  InitCommonControlsEx(&controls);
  // The shell calls (ShellExecuteW, SHOpenFolderAndSelectItems) may hand
  // their work to COM objects: the thread is a single-threaded apartment for
  // the process's life.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
}

}  // namespace weibo
