// The probe's eyes on Tavos's surfaces: which one is on top (the innermost of the modal calls
// Tavos is in), the file-open dialog's question and answer, a menu closed without a choice,
// and `screen`: what the window on top shows, read from the real window by Tavos's own thread.
#include "tests/wine/probe_surfaces.h"

#include <cstring>
#include <string>
#include <vector>

#include "sim/notebook_hal/wine_channel.h"
#include "tests/wine/window_names.h"

namespace tavos_probe {

namespace {

using tavos_wine::AppendEvent;
using tavos_wine::ClassOf;
using tavos_wine::HexBytes;
using tavos_wine::TextOf;

struct Surface {
  std::string kind;  // dialog, msgbox, fileopen, menu
  int id;            // a dialog's resource id
  HMENU menu;
  HWND window = nullptr;
  std::string filter;  // a file dialog's filter entries as its caller gave them (hex)
};

std::vector<Surface> g_surfaces;
bool g_settleWaitsForShow = false;

// The control kinds the simulation's screen names.
std::string KindOf(HWND control) {
  const std::string cls = ClassOf(control);
  const LONG style = GetWindowLongA(control, GWL_STYLE);
  if (lstrcmpiA(cls.c_str(), "Edit") == 0) return "edit";
  if (lstrcmpiA(cls.c_str(), "Static") == 0)
    return (style & SS_TYPEMASK) == SS_ICON ? "icon" : "static";
  if (lstrcmpiA(cls.c_str(), "Button") != 0) return "other";
  switch (style & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
      return "checkbox";
    case BS_GROUPBOX:
      return "group";
    default:
      return (style & BS_ICON) ? "icon" : "button";
  }
}

// The push button Enter would press now, as the dialog manager decides it: the focused
// control when it answers WM_GETDLGCODE with DLGC_DEFPUSHBUTTON, else the DM_GETDEFID button
// (nothing when it is greyed), else the control IDOK goes to.
HWND EnterTarget(HWND dialog) {
  HWND focus = GetFocus();
  if (focus != nullptr && IsChild(dialog, focus) &&
      (SendMessageA(focus, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON))
    return focus;
  const LRESULT def = SendMessageA(dialog, DM_GETDEFID, 0, 0);
  if (HIWORD(def) == DC_HASDEFID) {
    HWND button = GetDlgItem(dialog, LOWORD(def));
    return button != nullptr && IsWindowEnabled(button) ? button : nullptr;
  }
  return GetDlgItem(dialog, IDOK);
}

// Tavos's own icon resource, else the system icon (IDI_APPLICATION 32512 to IDI_WINLOGO 32517)
// a message box shows; LoadIcon hands out one shared handle for each.
ULONG_PTR ShownIcon(HICON icon) {
  if (const ULONG_PTR own = IconResourceId(icon)) return own;
  for (WORD id = 32512; id <= 32517; ++id)
    if (LoadIconA(nullptr, MAKEINTRESOURCEA(id)) == icon) return id;
  return 0;
}

std::string ControlLine(HWND control, HWND enter) {
  const std::string kind = KindOf(control);
  std::string line = "screen control " + std::to_string(int(short(GetDlgCtrlID(control)))) + " " +
                     kind + " " + HexBytes(TextOf(control));
  HANDLE image = nullptr;
  if (kind == "icon")
    image = ClassOf(control) == "Static"
                ? reinterpret_cast<HANDLE>(SendMessageA(control, STM_GETICON, 0, 0))
                : reinterpret_cast<HANDLE>(SendMessageA(control, BM_GETIMAGE, IMAGE_ICON, 0));
  if (image != nullptr) line += " icon=" + std::to_string(ShownIcon(static_cast<HICON>(image)));
  if (kind == "checkbox" && SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED)
    line += " checked";
  if (!IsWindowEnabled(control)) line += " disabled";
  if (GetFocus() == control) line += " focus";
  if (control == enter) line += " default";
  return line;
}

// The window's own controls that show, in the dialog manager's order (the template's).
std::vector<HWND> ControlsOf(HWND dialog) {
  std::vector<HWND> controls;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT))
    if (IsWindowVisible(child)) controls.push_back(child);
  return controls;
}

void WriteScreen() {
  if (g_surfaces.empty()) return AppendEvent("screen none");
  const Surface& top = g_surfaces.back();
  if (top.kind == "menu") {
    AppendEvent("screen menu");
    const int count = GetMenuItemCount(top.menu);
    for (int i = 0; i < count; ++i) {
      if (GetMenuState(top.menu, UINT(i), MF_BYPOSITION) & MF_SEPARATOR) continue;
      char text[128] = "";
      GetMenuStringA(top.menu, UINT(i), text, sizeof text, MF_BYPOSITION);
      AppendEvent("screen item " + HexBytes(text));
    }
    return;
  }
  if (top.window == nullptr || !IsWindow(top.window)) return AppendEvent("screen none");
  const std::string title = HexBytes(TextOf(top.window));
  if (top.kind == "dialog") {
    AppendEvent("screen dialog " + std::to_string(top.id) + " " + title);
  } else {
    AppendEvent("screen " + top.kind + " " + title);
  }
  if (top.kind == "fileopen") {
    // The name box of Wine's dialog (edt1, or cmb13 in its newer template).
    HWND name = GetDlgItem(top.window, 0x480);
    if (name == nullptr) name = GetDlgItem(top.window, 0x47c);
    AppendEvent("screen filter" + top.filter);
    AppendEvent("screen name " + HexBytes(name ? TextOf(name) : ""));
    return;
  }
  const HWND enter = EnterTarget(top.window);
  for (HWND control : ControlsOf(top.window)) AppendEvent(ControlLine(control, enter));
}

}  // namespace

void SurfaceOpens(const char* kind, int id, HMENU menu) {
  Surface surface;
  surface.kind = kind;
  surface.id = id;
  surface.menu = menu;
  g_surfaces.push_back(surface);
}

void SettleHeldBack();

void SurfaceCloses() {
  if (!g_surfaces.empty()) g_surfaces.pop_back();
  if (g_settleWaitsForShow) SettleHeldBack();
}

BOOL WINAPI ProbeGetOpenFileName(LPOPENFILENAMEA ofn) {
  std::string filter;
  const char* entry = ofn != nullptr ? ofn->lpstrFilter : nullptr;
  for (int pairs = 0; entry != nullptr && *entry != '\0' && pairs < 64; ++pairs) {
    const std::string text = entry;
    entry += text.size() + 1;
    const std::string pattern = entry;
    entry += pattern.size() + 1;
    filter += " " + HexBytes(text) + " " + HexBytes(pattern);
    if (pattern.empty()) break;
  }
  std::string name;
  if (ofn != nullptr && ofn->lpstrFile != nullptr)
    name.assign(ofn->lpstrFile, strnlen(ofn->lpstrFile, ofn->nMaxFile));
  AppendEvent("fileopen filter" + filter + " name " + HexBytes(name));
  SurfaceOpens("fileopen", 0);
  g_surfaces.back().filter = filter;
  const BOOL picked = GetOpenFileNameA(ofn);
  SurfaceCloses();
  AppendEvent(picked ? "fileopen pick " + HexBytes(ofn->lpstrFile)
                     : std::string("fileopen cancel"));
  return picked;
}

void MenuEnded(HWND owner) {
  // A chosen item's WM_COMMAND is posted to the owner before TrackPopupMenu returns.
  MSG waiting;
  if (!PeekMessageA(&waiting, owner, WM_COMMAND, WM_COMMAND, PM_NOREMOVE | PM_NOYIELD))
    AppendEvent("menu-dismissed");
}

// The settle held back for a surface that had not shown yet: it shows, or it closes unshown.
void SettleHeldBack() {
  static HANDLE settled = OpenEventA(EVENT_MODIFY_STATE, FALSE, tavos_wine::kSettled);
  g_settleWaitsForShow = false;
  if (settled != nullptr) SetEvent(settled);
}

bool SettlesNow() {
  // A dialog's window is known from its WM_INITDIALOG; one still being made (a file dialog's
  // shell view can take messages first) is not up yet either.
  const bool hidden =
      !g_surfaces.empty() && g_surfaces.back().kind != "menu" &&
      (g_surfaces.back().window == nullptr || !IsWindowVisible(g_surfaces.back().window));
  g_settleWaitsForShow = hidden;
  return !hidden;
}

void SeeSentMessage(const CWPSTRUCT& sent) {
  if (g_settleWaitsForShow && sent.message == WM_WINDOWPOSCHANGED && !g_surfaces.empty() &&
      sent.hwnd == g_surfaces.back().window &&
      (reinterpret_cast<const WINDOWPOS*>(sent.lParam)->flags & SWP_SHOWWINDOW))
    SettleHeldBack();
  if (sent.message != WM_INITDIALOG || g_surfaces.empty() || g_surfaces.back().window != nullptr ||
      (GetWindowLongA(sent.hwnd, GWL_STYLE) & WS_CHILD))
    return;
  g_surfaces.back().window = sent.hwnd;
}

bool TakeMessage(MSG* msg) {
  static const UINT screen = RegisterWindowMessageA(tavos_wine::kScreenMessage);
  // The host makes the event before it sends any input.
  static HANDLE taken = nullptr;
  if (taken == nullptr) taken = OpenEventA(EVENT_MODIFY_STATE, FALSE, tavos_wine::kInputTaken);
  if (msg->message == screen && msg->hwnd == nullptr) {
    WriteScreen();
  } else if ((msg->message == WM_KEYDOWN || msg->message == WM_KEYUP) &&
             msg->wParam == tavos_wine::kInputMarkerKey) {
    if (msg->message == WM_KEYUP && taken != nullptr) SetEvent(taken);
  } else {
    return false;
  }
  msg->message = WM_NULL;
  return true;
}

}  // namespace tavos_probe
