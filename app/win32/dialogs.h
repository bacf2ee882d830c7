// The two standard dialogs on Win32: the input box, a dialog built in memory
// (font 宋体 9 pt, its layout in dialog units), and the system message box.
// Texts are UTF-16 here; the caller converts. Call on the user-interface
// thread; both are modal and run their own message loop.
#pragma once

#include "app/win32/windows_api.h"

#include <string>

namespace weibo {

// Control ids of the input box, for tests that drive it.
inline constexpr int kInputPromptId = 101;
inline constexpr int kInputEditId = 102;
inline constexpr int kInputFrameId = 103;

// Shows the input box over `owner` (may be null) titled `title`. True and
// the edited text in `*entered` when the operator confirms; false when the
// operator cancels or closes the box.
bool RunInputBox(HWND owner, const std::wstring& prompt, const std::wstring& title,
                 const std::wstring& initial_text, std::wstring* entered);

// The system message box over `owner` titled `title`, with the buttons and
// icon of `flags`. Task-modal unless `flags` asks for
// system-modal. Returns the pressed button.
int RunMessageBox(HWND owner, const std::wstring& text, const std::wstring& title, int flags);

}  // namespace weibo
