// Modal dialogs and message boxes: shown on the timeline, answered by the scripted user, and
// run in a modal loop that keeps the owner's timers firing (nested poll ticks included).
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "sim/winsim/dialog_template.h"
#include "sim/winsim/resources.h"
#include "sim/winsim/sim_process.h"
#include "sim/winsim/system_classes.h"
#include "sim/winsim/window_manager.h"
#include "sim/winsim/windows_pc.h"

using winsim::SimWindow;
using winsim::WindowsPc;

namespace {

constexpr const char kDialogClass[] = "#32770";
constexpr DWORD kErrorResourceNotFound = 1814;
constexpr int kMessageTextId = 0xFFFF;
constexpr int kMessageIconId = 1088;
constexpr UINT kMessageIconMask = 0xF0;  // MB_ICONMASK

bool IsPushButton(HWND hwnd) {
  return (SendMessageA(hwnd, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) !=
         0;
}

// DM_GETDEFID: the dialog's default id, else the push button styled as the default.
LRESULT DefaultIdOf(HWND dialog) {
  WindowsPc& pc = WindowsPc::Current();
  int id = pc.Windows().Find(dialog)->defaultId;
  if (id == 0) {
    for (HWND child : pc.Windows().ChildrenOf(dialog))
      if (SendMessageA(child, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) {
        id = GetDlgCtrlID(child);
        break;
      }
  }
  return id != 0 ? LRESULT(MAKELONG(WORD(id), DC_HASDEFID)) : 0;
}

// Draws one push button as the default: `focus` when it is a push button, else the dialog's
// default button. The default id itself does not change (as DefDlgProc's WM_NEXTDLGCTL).
void ShowAsDefault(HWND dialog, HWND focus) {
  WindowsPc& pc = WindowsPc::Current();
  HWND shown = focus != nullptr && IsPushButton(focus)
                   ? focus
                   : GetDlgItem(dialog, pc.Windows().Find(dialog)->defaultId);
  for (HWND child : pc.Windows().ChildrenOf(dialog)) {
    if (!IsPushButton(child)) continue;
    bool isDefault = SendMessageA(child, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON;
    if (child == shown && !isDefault) SendMessageA(child, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    if (child != shown && isDefault) SendMessageA(child, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
  }
}

// DM_SETDEFID: the new default button is drawn as one, the old one no longer.
void SetDefaultId(HWND dialog, int id) {
  WindowsPc::Current().Windows().Find(dialog)->defaultId = id;
  ShowAsDefault(dialog, nullptr);
}

// The next (or previous) control that takes the focus by Tab: visible, enabled, a tab stop;
// from the first (or last) when the focus is not in the dialog. Null when there is none.
HWND NextTabStop(HWND dialog, HWND from, bool previous) {
  WindowsPc& pc = WindowsPc::Current();
  std::vector<HWND> stops;
  for (HWND child : pc.Windows().ChildrenOf(dialog)) {
    SimWindow* control = pc.Windows().Find(child);
    if ((control->style & (WS_TABSTOP | WS_DISABLED)) == WS_TABSTOP && control->visible)
      stops.push_back(child);
  }
  if (stops.empty()) return nullptr;
  auto at = std::find(stops.begin(), stops.end(), from);
  if (at == stops.end()) return previous ? stops.back() : stops.front();
  size_t index = size_t(at - stops.begin());
  return stops[previous ? (index + stops.size() - 1) % stops.size() : (index + 1) % stops.size()];
}

// WM_NEXTDLGCTL: the focus moves (to the control `wParam` names when `lParam` says so, else
// by Tab), and a push button that gets it is drawn as the default while it has it.
void NextControl(HWND dialog, WPARAM wParam, LPARAM lParam) {
  HWND target = lParam ? reinterpret_cast<HWND>(wParam) : NextTabStop(dialog, GetFocus(), wParam);
  if (target != nullptr) SetFocus(target);
  ShowAsDefault(dialog, target);
}

// The dialog class's procedure: the dialog's own procedure first, then the defaults.
LRESULT CALLBACK DialogWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  SimWindow* window = WindowsPc::Current().Windows().Find(hwnd);
  if (window != nullptr && window->dialogProc != nullptr &&
      window->dialogProc(hwnd, message, wParam, lParam))
    return TRUE;
  switch (message) {
    case WM_CLOSE: {
      // The close box is the Cancel button, as long as that button is not greyed.
      HWND cancel = GetDlgItem(hwnd, IDCANCEL);
      if (cancel == nullptr || IsWindowEnabled(cancel))
        PostMessageA(hwnd, WM_COMMAND, IDCANCEL, LPARAM(cancel));
      return 0;
    }
    case DM_GETDEFID:
      return window != nullptr && !window->dialogEnded ? DefaultIdOf(hwnd) : 0;
    case DM_SETDEFID:
      if (window != nullptr && !window->dialogEnded) SetDefaultId(hwnd, int(wParam));
      return TRUE;
    case WM_NEXTDLGCTL:
      NextControl(hwnd, wParam, lParam);
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

// A message box ends with the button pressed; Esc counts as Cancel, or as OK when OK is the
// only button, and does nothing otherwise (Yes/No must be answered).
INT_PTR CALLBACK MessageBoxDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_COMMAND) return FALSE;
  int id = LOWORD(wParam);
  if (GetDlgItem(hwnd, id) != nullptr) {
    EndDialog(hwnd, id);
  } else if (id == IDCANCEL && GetDlgItem(hwnd, IDOK) != nullptr &&
             GetDlgItem(hwnd, IDNO) == nullptr) {
    EndDialog(hwnd, IDOK);
  }
  return TRUE;
}

bool IsInDialog(HWND dialog, HWND hwnd) {
  return hwnd == dialog || (hwnd != nullptr && GetParent(hwnd) == dialog);
}

// The dialog manager's keyboard interface (IsDialogMessage). Esc is Cancel. Tab moves the
// focus (WM_NEXTDLGCTL). Enter presses the push button with the focus only when that button
// is drawn as the default (DLGC_DEFPUSHBUTTON), which Tab makes it but neither the focus a
// dialog opens with nor a click does; otherwise Enter is the dialog's default id
// (DM_GETDEFID): that button when it is there and enabled (nothing when it is greyed), and
// IDOK when no control has the id.
bool TranslateDialogKey(HWND dialog, const MSG& msg) {
  if (msg.message != WM_KEYDOWN || !IsInDialog(dialog, msg.hwnd)) return false;
  switch (msg.wParam) {
    case VK_ESCAPE:
      SendMessageA(dialog, WM_COMMAND, IDCANCEL, LPARAM(GetDlgItem(dialog, IDCANCEL)));
      return true;
    case VK_TAB:
      SendMessageA(dialog, WM_NEXTDLGCTL, (GetKeyState(VK_SHIFT) & 0x8000) ? 1 : 0, 0);
      return true;
    case VK_RETURN:
      break;
    default:
      return false;
  }
  HWND focus = GetFocus();
  if (focus != nullptr && GetParent(focus) == dialog &&
      (SendMessageA(focus, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON)) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED), LPARAM(focus));
    return true;
  }
  LRESULT defaultId = SendMessageA(dialog, DM_GETDEFID, 0, 0);
  if (HIWORD(defaultId) == DC_HASDEFID) {
    int id = LOWORD(defaultId);
    HWND button = GetDlgItem(dialog, id);
    if (button == nullptr || IsWindowEnabled(button))
      SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), LPARAM(button));
  } else {
    SendMessageA(dialog, WM_COMMAND, IDOK, LPARAM(GetDlgItem(dialog, IDOK)));
  }
  return true;
}

}  // namespace

namespace winsim {

// Shows `dialog` as the top surface and pumps the owner's messages until it ends.
INT_PTR RunModal(HWND dialog, const std::string& kind, std::function<bool(const std::string&)> pick,
                 std::vector<std::string> details) {
  WindowsPc& pc = WindowsPc::Current();
  winsim::Surface surface{kind, dialog, pc.CurrentThread(), {}, nullptr};
  // The scripted user clicks what a mouse could click: push buttons and check boxes.
  for (HWND child : pc.Windows().ChildrenOf(dialog)) {
    SimWindow* control = pc.Windows().Find(child);
    DWORD type = control->style & BS_TYPEMASK;
    if (control->className == "Button" && type != BS_GROUPBOX)
      surface.choices.push_back(control->text);
  }
  surface.choose = [dialog](const std::string& choice) {
    WindowsPc& pc = WindowsPc::Current();
    for (HWND child : pc.Windows().ChildrenOf(dialog)) {
      SimWindow* control = pc.Windows().Find(child);
      if (control->className != "Button" || (control->style & BS_TYPEMASK) == BS_GROUPBOX ||
          control->text != choice)
        continue;
      // A greyed control takes no click, nor does any control of a dialog that is disabled
      // while a dialog it owns runs: the user's click is lost, as on screen.
      if ((control->style & WS_DISABLED) || !IsWindowEnabled(dialog)) return true;
      return PostMessageA(child, BM_CLICK, 0, 0) != 0;
    }
    return false;
  };
  surface.pick = std::move(pick);
  surface.details = std::move(details);
  pc.Windows().OpenSurface(surface);
  pc.Windows().Activate(dialog);

  MSG msg;
  while (true) {
    SimWindow* window = pc.Windows().Find(dialog);
    if (window == nullptr || window->dialogEnded) break;
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got <= 0) {
      PostQuitMessage(int(msg.wParam));  // the outer loop must see the quit too
      break;
    }
    if (TranslateDialogKey(dialog, msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  SimWindow* window = pc.Windows().Find(dialog);
  INT_PTR result = window && window->dialogEnded ? window->dialogResult : IDCANCEL;
  HWND owner = window != nullptr ? window->parent : nullptr;
  pc.Windows().CloseSurface(dialog);
  if (window != nullptr) DestroyWindow(dialog);
  // The owner is active again, and with it what the user works in.
  if (owner != nullptr && pc.Windows().Find(owner) != nullptr) pc.Windows().Activate(owner);
  return result;
}

// A modal window's owner is a top-level window, which the dialog manager disables while the
// modal window runs (EndDialog enables it again), as Windows' DialogBoxParam does.
HWND CreateDialogWindow(const char* title, HWND parent, DLGPROC proc, DWORD style, DWORD exStyle) {
  WindowsPc& pc = WindowsPc::Current();
  HWND owner = parent;
  for (SimWindow* window = pc.Windows().Find(owner);
       window != nullptr && (window->style & WS_CHILD) && window->parent != nullptr;
       window = pc.Windows().Find(owner))
    owner = window->parent;
  const bool disable = owner != nullptr && IsWindowEnabled(owner);
  if (disable) EnableWindow(owner, FALSE);
  HWND dialog =
      CreateWindowExA(exStyle, kDialogClass, title, style | WS_POPUP | WS_CAPTION | WS_VISIBLE, 0,
                      0, 0, 0, owner, nullptr, nullptr, nullptr);
  if (dialog == nullptr) {
    if (disable) EnableWindow(owner, TRUE);
    return nullptr;
  }
  pc.Windows().Find(dialog)->dialogProc = proc;
  return dialog;
}

void RegisterSystemClasses(WindowManager& windows) {
  WNDCLASSA dialog{};
  dialog.lpfnWndProc = DialogWindowProc;
  dialog.lpszClassName = kDialogClass;
  windows.RegisterClass(dialog, 0);
  RegisterControlClasses(windows);
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
  HWND dialog = winsim::CreateDialogWindow(layout.caption.c_str(), hWndParent, lpDialogFunc,
                                           layout.style & ~DWORD(WS_CHILD), layout.exStyle);
  if (dialog == nullptr) return -1;
  SimWindow* record = pc.Windows().Find(dialog);
  record->dialogTemplate = id;
  // Every control becomes a child window; one that cannot be made fails the whole dialog.
  HWND firstTabStop = nullptr;
  for (const winsim::DialogControl& control : layout.controls) {
    HWND child = CreateWindowExA(
        control.exStyle, control.className.c_str(), control.text.c_str(), control.style | WS_CHILD,
        control.x, control.y, control.cx, control.cy, dialog,
        reinterpret_cast<HMENU>(uintptr_t(uint16_t(control.id))), hInstance, nullptr);
    if (child == nullptr) {
      HWND owner = record->parent;
      DestroyWindow(dialog);
      if (owner != nullptr) EnableWindow(owner, TRUE);
      SetLastError(ERROR_INVALID_DATA);
      return -1;
    }
    SimWindow* made = pc.Windows().Find(child);
    if (control.className == "Static" && (control.style & SS_TYPEMASK) == SS_ICON &&
        control.textOrdinal >= 0)
      made->image = LoadIconA(hInstance, MAKEINTRESOURCEA(control.textOrdinal));
    // The template's last default push button is the dialog's default; any earlier one is
    // drawn as a plain push button (as Windows' dialog manager makes the controls).
    if (SendMessageA(child, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) {
      if (HWND earlier = GetDlgItem(dialog, record->defaultId);
          earlier != nullptr && earlier != child)
        SendMessageA(earlier, BM_SETSTYLE, BS_PUSHBUTTON, FALSE);
      record->defaultId = control.id;
    }
    if (firstTabStop == nullptr && (control.style & WS_TABSTOP) && !(control.style & WS_DISABLED))
      firstTabStop = child;
  }
  pc.Events().Add("dialog open " + std::to_string(id));
  if (SendMessageA(dialog, WM_INITDIALOG, WPARAM(firstTabStop), dwInitParam) && firstTabStop &&
      IsWindowEnabled(firstTabStop))
    SetFocus(firstTabStop);
  INT_PTR result = winsim::RunModal(dialog, "dialog", nullptr);
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
  // The owner is enabled again whether or not the dialog disabled it, as on Windows.
  if (window->parent != nullptr) EnableWindow(window->parent, TRUE);
  return TRUE;
}

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType) {
  WindowsPc& pc = WindowsPc::Current();
  pc.Events().Add("msgbox " + winsim::Quote(lpText ? lpText : ""));
  if (pc.CurrentThread() == nullptr) {
    pc.Stub("MessageBoxA on the owner's thread");
    return 0;
  }
  struct Button {
    const char* text;
    int id;
  };
  std::vector<Button> buttons;
  switch (uType & 0x0F) {
    case MB_OKCANCEL:
      buttons = std::vector<Button>{{"OK", IDOK}, {"Cancel", IDCANCEL}};
      break;
    case MB_YESNO:
      buttons = std::vector<Button>{{"Yes", IDYES}, {"No", IDNO}};
      break;
    default:
      buttons = std::vector<Button>{{"OK", IDOK}};
  }
  // Yes/No has no close box: the question must be answered.
  DWORD style = (uType & 0x0F) == MB_YESNO ? 0 : WS_SYSMENU;
  HWND box = winsim::CreateDialogWindow(lpCaption ? lpCaption : "Error", hWnd, MessageBoxDialogProc,
                                        style, 0);
  if (box == nullptr) return 0;
  // The controls in the order of the message box's template: the icon, the buttons, the text.
  // Windows documents neither that order nor the controls' ids; these are those of Wine's
  // template (MSGBOX in dlls/user32/user32.rc): the icon 1088 (stc1), the text 0xFFFF.
  // The icon a type names is the system's stop, question, exclamation or information icon
  // (MessageBox's uType; IDI_HAND 32513 to IDI_ASTERISK 32516).
  if (const UINT icon = (uType & kMessageIconMask) >> 4; icon >= 1 && icon <= 4) {
    HWND shown =
        CreateWindowExA(0, "Static", "", WS_CHILD | WS_VISIBLE | SS_ICON, 0, 0, 0, 0, box,
                        reinterpret_cast<HMENU>(uintptr_t(kMessageIconId)), nullptr, nullptr);
    if (SimWindow* record = pc.Windows().Find(shown))
      record->image = winsim::IconHandle(WORD(32512 + icon));
  }
  HWND first = nullptr;
  for (const Button& button : buttons) {
    DWORD kind = first == nullptr ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    HWND made =
        CreateWindowExA(0, "Button", button.text, WS_CHILD | WS_VISIBLE | WS_TABSTOP | kind, 0, 0,
                        0, 0, box, reinterpret_cast<HMENU>(uintptr_t(button.id)), nullptr, nullptr);
    if (first == nullptr) first = made;
  }
  CreateWindowExA(0, "Static", lpText ? lpText : "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, box,
                  reinterpret_cast<HMENU>(uintptr_t(kMessageTextId)), nullptr, nullptr);
  pc.Windows().Find(box)->defaultId = buttons.front().id;
  SetFocus(first);
  return int(winsim::RunModal(box, "msgbox", nullptr));
}
