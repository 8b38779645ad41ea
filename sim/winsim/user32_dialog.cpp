// Modal dialogs and message boxes: shown on the timeline, answered by the scripted user, and
// run in a modal loop that keeps the owner's timers firing (nested poll ticks included).
#include <string>
#include <vector>

#include "platform/win32.h"
#include "sim/winsim/dialog_template.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/system_classes.h"
#include "sim/winsim/window_manager.h"
#include "sim/winsim/windows_pc.h"

using winsim::SimWindow;
using winsim::WindowsPc;

namespace {

constexpr const char kDialogClass[] = "#32770";
constexpr DWORD kErrorResourceNotFound = 1814;

struct Button {
  std::string text;
  int id;
};

// The dialog class's procedure: the dialog's own procedure first, then the defaults.
LRESULT CALLBACK DialogWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  SimWindow* window = WindowsPc::Current().Windows().Find(hwnd);
  if (window != nullptr && window->dialogProc != nullptr &&
      window->dialogProc(hwnd, message, wParam, lParam))
    return TRUE;
  if (message == WM_CLOSE) {
    PostMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

INT_PTR CALLBACK MessageBoxDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_COMMAND) return FALSE;
  EndDialog(hwnd, LOWORD(wParam));
  return TRUE;
}

// Shows `dialog` as the top surface and pumps the owner's messages until it ends.
INT_PTR RunModal(HWND dialog, const std::string& kind, const std::vector<Button>& buttons) {
  WindowsPc& pc = WindowsPc::Current();
  winsim::Surface surface{kind, dialog, pc.CurrentThread(), {}, nullptr};
  for (const Button& button : buttons) surface.choices.push_back(button.text);
  surface.choose = [dialog, buttons](const std::string& choice) {
    for (const Button& button : buttons)
      if (choice == button.text) return PostMessageA(dialog, WM_COMMAND, WPARAM(button.id), 0) != 0;
    return false;
  };
  pc.Windows().OpenSurface(surface);

  MSG msg;
  while (true) {
    SimWindow* window = pc.Windows().Find(dialog);
    if (window == nullptr || window->dialogEnded) break;
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      PostQuitMessage(int(msg.wParam));  // the outer loop must see the quit too
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  SimWindow* window = pc.Windows().Find(dialog);
  INT_PTR result = window && window->dialogEnded ? window->dialogResult : IDCANCEL;
  pc.Windows().CloseSurface(dialog);
  if (window != nullptr) DestroyWindow(dialog);
  return result;
}

HWND CreateDialogWindow(const char* title, HWND parent, DLGPROC proc) {
  HWND dialog = CreateWindowExA(0, kDialogClass, title, WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 0,
                                0, parent, nullptr, nullptr, nullptr);
  if (dialog != nullptr) WindowsPc::Current().Windows().Find(dialog)->dialogProc = proc;
  return dialog;
}

std::vector<Button> MessageBoxButtons(UINT type) {
  switch (type & 0x0F) {
    case MB_OKCANCEL: return {{"OK", IDOK}, {"Cancel", IDCANCEL}};
    case MB_YESNO: return {{"Yes", IDYES}, {"No", IDNO}};
    default: return {{"OK", IDOK}};
  }
}

}  // namespace

namespace winsim {

void RegisterSystemClasses(WindowManager& windows) {
  WNDCLASSA dialog{};
  dialog.lpfnWndProc = DialogWindowProc;
  dialog.lpszClassName = kDialogClass;
  windows.RegisterClass(dialog, 0);
}

}  // namespace winsim

INT_PTR WINAPI DialogBoxParamA(HINSTANCE hInstance, LPCSTR lpTemplateName, HWND hWndParent,
                               DLGPROC lpDialogFunc, LPARAM dwInitParam) {
  WindowsPc& pc = WindowsPc::Current();
  winsim::SimThread* thread = pc.CurrentThread();
  if (thread == nullptr) {
    pc.Stub("DialogBoxParamA on the owner's thread");
    return -1;
  }
  const bool ownImage = hInstance == winsim::SimProcess::ImageBase();
  WORD id = IS_INTRESOURCE(lpTemplateName) ? WORD(uintptr_t(lpTemplateName)) : 0;
  const std::string* dialogTemplate =
      ownImage && id != 0 ? thread->process->resources.Find(winsim::kResourceDialog, id) : nullptr;
  winsim::DialogLayout layout;
  if (dialogTemplate == nullptr || !winsim::ParseDialogTemplate(*dialogTemplate, &layout)) {
    SetLastError(kErrorResourceNotFound);
    return -1;
  }
  pc.Events().Add("dialog open " + std::to_string(id));
  HWND dialog = CreateDialogWindow(layout.caption.c_str(), hWndParent, lpDialogFunc);
  if (dialog == nullptr) return -1;
  SendMessageA(dialog, WM_INITDIALOG, 0, dwInitParam);
  std::vector<Button> buttons;
  for (const winsim::DialogButton& button : layout.buttons) buttons.push_back({button.text, button.id});
  INT_PTR result = RunModal(dialog, "dialog", buttons);
  pc.Events().Add("dialog close " + std::to_string(id) + " result=" + std::to_string(result));
  return result;
}

BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult) {
  SimWindow* window = WindowsPc::Current().Windows().Find(hDlg);
  if (window == nullptr || window->dialogProc == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  window->dialogEnded = true;
  window->dialogResult = nResult;
  return TRUE;
}

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  WindowsPc& pc = WindowsPc::Current();
  pc.Events().Add("msgbox " + winsim::Quote(lpText ? lpText : ""));
  if (pc.CurrentThread() == nullptr) {
    pc.Stub("MessageBoxA on the owner's thread");
    return 0;
  }
  HWND box = CreateDialogWindow(lpCaption ? lpCaption : "Error", hWnd, MessageBoxDialogProc);
  if (box == nullptr) return 0;
  return int(RunModal(box, "msgbox", MessageBoxButtons(uType)));
}
