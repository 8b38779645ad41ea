// The scripted user's hands and eyes on the surface on top.
#include "sim/winsim/scripted_user.h"

#include "platform/win32.h"
#include "sim/winsim/menu_table.h"
#include "sim/winsim/resources.h"
#include "sim/winsim/system_classes.h"
#include "sim/winsim/window_manager.h"
#include "sim/winsim/windows_pc.h"

namespace winsim {

namespace {

bool IsDialogLike(const Surface& surface) {
  return surface.kind == "dialog" || surface.kind == "msgbox";
}

// The control kinds a screen listing names.
std::string KindOf(const SimWindow& control) {
  if (control.className == "Edit") return "edit";
  if (control.className == "Static")
    return (control.style & SS_TYPEMASK) == SS_ICON ? "icon" : "static";
  if (control.className != "Button") return "other";
  switch (control.style & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
      return "checkbox";
    case BS_GROUPBOX:
      return "group";
    default:
      return (control.style & BS_ICON) ? "icon" : "button";
  }
}

bool IsPushButton(const SimWindow& control) {
  DWORD type = control.style & BS_TYPEMASK;
  return control.className == "Button" && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON);
}

// The push button Enter would press now (see the dialog manager's keyboard interface): the
// focused one when it is drawn as the default, else the dialog's default button when it is
// there and enabled; null when Enter sends IDOK with no button of that id, or nothing.
HWND EnterTarget(WindowsPc& pc, HWND dialog) {
  HWND focus = pc.Windows().Focus();
  SimWindow* focused = pc.Windows().Find(focus);
  if (focused != nullptr && focused->parent == dialog && IsPushButton(*focused) &&
      (focused->style & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
    return focus;
  SimWindow* record = pc.Windows().Find(dialog);
  for (HWND child : pc.Windows().ChildrenOf(dialog)) {
    SimWindow* control = pc.Windows().Find(child);
    if ((control->style & WS_CHILD) && int(uintptr_t(control->menu)) == record->defaultId)
      return control->style & WS_DISABLED ? nullptr : child;
  }
  return nullptr;
}

Surface* Top(WindowsPc& pc) { return pc.Windows().TopSurface(); }

}  // namespace

std::string UserType(WindowsPc& pc, const std::string& text) {
  Surface* top = Top(pc);
  if (top == nullptr || !IsDialogLike(*top)) return "no dialog is on top";
  HWND target = nullptr;
  SimWindow* focused = pc.Windows().Find(pc.Windows().Focus());
  if (focused != nullptr && focused->parent == top->window && focused->className == "Edit") {
    target = pc.Windows().Focus();
  } else {
    for (HWND child : pc.Windows().ChildrenOf(top->window))
      if (pc.Windows().Find(child)->className == "Edit") {
        target = child;
        break;
      }
  }
  if (target == nullptr) return "the " + top->kind + " on top has no edit box";
  if (pc.Windows().Find(target)->style & WS_DISABLED) return "the edit box is greyed";
  // The user clicks into the box first, so it has the focus afterwards.
  pc.Windows().SetFocusWindow(target);
  UserTypes(target, text);
  return "";
}

std::string UserKey(WindowsPc& pc, const std::string& key) {
  Surface* top = Top(pc);
  if (top == nullptr) return "nothing on screen waits for a key";
  if (top->kind == "menu") {
    if (key != "esc") return "a menu takes esc here; choose an item by its text";
    top->dismiss();
    return "";
  }
  // The key goes to the focus window when it is in the surface, else to the surface itself.
  HWND target = top->window;
  SimWindow* focused = pc.Windows().Find(pc.Windows().Focus());
  if (focused != nullptr && focused->parent == top->window) target = pc.Windows().Focus();
  PostMessageA(target, WM_KEYDOWN, key == "enter" ? VK_RETURN : VK_ESCAPE, 0);
  return "";
}

std::string UserClose(WindowsPc& pc) {
  Surface* top = Top(pc);
  if (top == nullptr) return "nothing on screen has a close box";
  SimWindow* window = pc.Windows().Find(top->window);
  if (top->kind == "menu" || window == nullptr || !(window->style & WS_SYSMENU))
    return "the " + top->kind + " on top has no close box";
  PostMessageA(top->window, WM_SYSCOMMAND, SC_CLOSE, 0);
  return "";
}

std::string UserPick(WindowsPc& pc, const std::string& path) {
  Surface* top = Top(pc);
  if (top == nullptr || !top->pick) return "no file dialog is on top";
  if (!top->pick(path)) return "the file dialog refuses " + Quote(path);
  return "";
}

bool UserClicksOutsideMenu(WindowsPc& pc) {
  Surface* top = Top(pc);
  if (top == nullptr || top->kind != "menu") return false;
  top->dismiss();
  return true;
}

std::vector<std::string> DescribeScreen(WindowsPc& pc) {
  std::vector<std::string> lines;
  Surface* top = Top(pc);
  if (top == nullptr) return lines;
  SimWindow* window = pc.Windows().Find(top->window);
  if (top->kind == "menu") {
    lines.push_back("screen menu");
    for (const std::string& choice : top->choices) lines.push_back("screen item " + Quote(choice));
    return lines;
  }
  if (window == nullptr) return lines;
  std::string head = "screen " + top->kind;
  if (window->dialogTemplate != 0) head += " " + std::to_string(window->dialogTemplate);
  lines.push_back(head + " " + Quote(window->text));
  lines.insert(lines.end(), top->details.begin(), top->details.end());
  HWND enter = EnterTarget(pc, top->window);
  for (HWND child : pc.Windows().ChildrenOf(top->window)) {
    const SimWindow& control = *pc.Windows().Find(child);
    int id = int(int16_t(uint16_t(uintptr_t(control.menu))));
    std::string line =
        "screen control " + std::to_string(id) + " " + KindOf(control) + " " + Quote(control.text);
    if (control.image != nullptr) line += " icon=" + std::to_string(IconResourceId(control.image));
    if (control.className == "Button" && control.checkState) line += " checked";
    if (control.style & WS_DISABLED) line += " disabled";
    if (pc.Windows().Focus() == child) line += " focus";
    if (child == enter) line += " default";
    lines.push_back(line);
  }
  return lines;
}

std::string DescribeWaiting(WindowsPc& pc) {
  Surface* top = Top(pc);
  if (top == nullptr) return "";
  SimWindow* window = pc.Windows().Find(top->window);
  std::string what = top->kind;
  if (window != nullptr && window->dialogTemplate != 0)
    what += " " + std::to_string(window->dialogTemplate);
  if (window != nullptr && top->kind != "menu") what += " " + Quote(window->text);
  std::string offered;
  for (const std::string& choice : top->choices)
    offered += (offered.empty() ? "" : ", ") + Quote(choice);
  if (top->kind == "menu") return what + " waits: choose " + offered + ", or key esc";
  if (top->kind == "fileopen") return what + " waits: pick \"PATH\", pick cancel, key esc or close";
  return what + " waits: choose " + (offered.empty() ? "nothing" : offered) +
         "; type, key enter|esc, close";
}

}  // namespace winsim
