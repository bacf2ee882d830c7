#include "app/win32/dialogs.h"

#include <vector>

#include "app/win32/wide_text.h"
#include "app/window_layout.h"
#include "app/window_texts.h"
#include "flow/window_ops.h"

namespace weibo {
namespace {

constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;

// A dialog template written word by word.
class DialogTemplate {
 public:
  void Header(DWORD style, WORD item_count, LayoutSize size, const std::wstring& title,
              WORD point_size, const std::wstring& font) {
    Dword(style);
    Dword(0);  // extended style
    words_.push_back(item_count);
    words_.push_back(0);  // x: DS_CENTER places it
    words_.push_back(0);
    words_.push_back(static_cast<WORD>(size.width));
    words_.push_back(static_cast<WORD>(size.height));
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the standard dialog class
    String(title);
    words_.push_back(point_size);
    String(font);
  }

  void Item(DWORD style, LayoutRect rect, WORD id, WORD class_atom, const std::wstring& text) {
    if (words_.size() % 2 != 0) words_.push_back(0);  // items start on a DWORD
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    words_.push_back(static_cast<WORD>(rect.left));
    words_.push_back(static_cast<WORD>(rect.top));
    words_.push_back(static_cast<WORD>(rect.width));
    words_.push_back(static_cast<WORD>(rect.height));
    words_.push_back(id);
    words_.push_back(0xFFFF);
    words_.push_back(class_atom);
    String(text);
    words_.push_back(0);  // no creation data
  }

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Dword(DWORD value) {
    words_.push_back(LOWORD(value));
    words_.push_back(HIWORD(value));
  }
  void String(const std::wstring& text) {
    for (wchar_t unit : text) words_.push_back(static_cast<WORD>(unit));
    words_.push_back(0);
  }

  std::vector<WORD> words_;
};

struct InputBoxState {
  const std::wstring* initial_text;
  std::wstring* entered;
};

INT_PTR CALLBACK InputBoxProcedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      const auto* state = reinterpret_cast<const InputBoxState*>(lparam);
      SetDlgItemTextW(dialog, kInputEditId, state->initial_text->c_str());
      HWND edit = GetDlgItem(dialog, kInputEditId);
      SendMessageW(edit, EM_SETSEL, 0, -1);
      SetFocus(edit);
      return FALSE;  // the focus is set
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) {
        auto* state = reinterpret_cast<InputBoxState*>(GetWindowLongPtrW(dialog, DWLP_USER));
        HWND edit = GetDlgItem(dialog, kInputEditId);
        std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(
            GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
        *state->entered = text;
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

bool RunInputBox(HWND owner, const std::wstring& prompt, const std::wstring& title,
                 const std::wstring& initial_text, std::wstring* entered) {
  DialogTemplate dialog;
  dialog.Header(DS_SETFONT | DS_MODALFRAME | DS_CENTER | DS_3DLOOK | WS_POPUP | WS_CAPTION |
                    WS_SYSMENU,
                5, kInputBoxUnits, title, 9,
                L"\u5B8B\u4F53");  // 宋体
  dialog.Item(BS_GROUPBOX, kInputFrameUnits, kInputFrameId, kButtonClass, L"");
  dialog.Item(SS_LEFT | SS_NOPREFIX, kInputPromptUnits, kInputPromptId, kStaticClass, prompt);
  dialog.Item(ES_LEFT | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, kInputEditUnits, kInputEditId,
              kEditClass, L"");
  dialog.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, kInputOkUnits, IDOK, kButtonClass, Wide(kInputBoxOk));
  dialog.Item(BS_PUSHBUTTON | WS_TABSTOP, kInputCancelUnits, IDCANCEL, kButtonClass,
              Wide(kInputBoxCancel));
  std::wstring edited;
  InputBoxState state{&initial_text, &edited};
  const INT_PTR result =
      DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.Get(), owner, InputBoxProcedure,
                              reinterpret_cast<LPARAM>(&state));
  if (result != IDOK) return false;
  *entered = edited;
  return true;
}

int RunMessageBox(HWND owner, const std::wstring& text, const std::wstring& title, int flags) {
  UINT style = static_cast<UINT>(flags);
  if ((style & MB_SYSTEMMODAL) == 0) style |= MB_TASKMODAL;
  return MessageBoxW(owner, text.c_str(), title.c_str(),
                     style);
}

}  // namespace weibo
