// The common file-open dialog: modal, it shows its filter and initial name on the timeline,
// and the scripted user answers it with a path (`pick`) or cancels it.
#include <cstring>
#include <memory>
#include <string>

#include "platform/win32.h"
#include "sim/winsim/system_classes.h"
#include "sim/winsim/window_manager.h"
#include "sim/winsim/windows_pc.h"

using winsim::WindowsPc;

namespace {

PROCESS_WIDE DWORD t_lastError = 0;

// The structure as Windows 95 and NT 4.0 know it, and the longer one of Windows 2000 on.
constexpr DWORD kSizeVersion400 = DWORD(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR));
constexpr DWORD kSizeVersion500 = DWORD(sizeof(OPENFILENAMEA) + sizeof(void*) + 2 * sizeof(DWORD));

// "Text\0pattern\0...\0\0" as "Text" "pattern" pairs; stops at 64 pairs or a missing end.
std::string DescribeFilter(LPCSTR filter) {
  std::string shown;
  for (int pairs = 0; filter != nullptr && *filter != '\0' && pairs < 64; ++pairs) {
    std::string text = filter;
    filter += text.size() + 1;
    std::string pattern = filter;
    filter += pattern.size() + 1;
    shown += " " + winsim::Quote(text) + " " + winsim::Quote(pattern);
    if (pattern.empty()) break;
  }
  return shown;
}

struct Answer {
  std::string path;
  bool given = false;
};

INT_PTR CALLBACK FileDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM) {
  if (message != WM_COMMAND) return FALSE;
  auto* answer = reinterpret_cast<Answer*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (LOWORD(wParam) == IDCANCEL) EndDialog(hwnd, IDCANCEL);
  // Enter with no name given only applies the pattern in the name box: the dialog stays.
  if (LOWORD(wParam) == IDOK && answer != nullptr && answer->given) EndDialog(hwnd, IDOK);
  return TRUE;
}

}  // namespace

BOOL WINAPI GetOpenFileNameA(LPOPENFILENAMEA lpofn) {
  WindowsPc& pc = WindowsPc::Current();
  if (lpofn == nullptr ||
      (lpofn->lStructSize != kSizeVersion400 && lpofn->lStructSize != kSizeVersion500 &&
       lpofn->lStructSize != sizeof(OPENFILENAMEA))) {
    t_lastError = CDERR_STRUCTSIZE;
    return FALSE;
  }
  if (lpofn->lpstrFile == nullptr || lpofn->nMaxFile == 0 || pc.CurrentThread() == nullptr) {
    t_lastError = CDERR_INITIALIZATION;
    return FALSE;
  }
  if (lpofn->hwndOwner != nullptr && !IsWindow(lpofn->hwndOwner)) {
    t_lastError = CDERR_INITIALIZATION;
    return FALSE;
  }
  t_lastError = 0;
  // The initial name is whatever the buffer holds, up to its size.
  std::string initial(lpofn->lpstrFile, strnlen(lpofn->lpstrFile, lpofn->nMaxFile));
  const std::string filter = "filter" + DescribeFilter(lpofn->lpstrFilter);
  const std::string name = "name " + winsim::Quote(initial);
  pc.Events().Add("fileopen " + filter + " " + name);

  auto answer = std::make_shared<Answer>();
  HWND dialog = winsim::CreateDialogWindow(lpofn->lpstrTitle ? lpofn->lpstrTitle : "Open",
                                           lpofn->hwndOwner, FileDialogProc, WS_SYSMENU, 0);
  if (dialog == nullptr) {
    t_lastError = CDERR_INITIALIZATION;
    return FALSE;
  }
  SetWindowLongPtrA(dialog, GWLP_USERDATA, LONG_PTR(answer.get()));
  const DWORD flags = lpofn->Flags;
  LPCSTR defExt = lpofn->lpstrDefExt;
  std::string defaultExtension = defExt ? defExt : "";
  auto pick = [dialog, answer, flags, defaultExtension](const std::string& picked) {
    if (picked.empty()) return PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0) != 0;
    std::string path = picked;
    size_t slash = path.rfind('\\');
    // A name typed without an extension gets the default one, as the dialog adds it.
    if (!defaultExtension.empty() &&
        path.find('.', slash == std::string::npos ? 0 : slash) == std::string::npos)
      path += "." + defaultExtension;
    WindowsPc& pc = WindowsPc::Current();
    std::string folder = slash == std::string::npos ? "" : path.substr(0, slash);
    // What the flags demand is checked before the dialog lets go, as it shows its own warning.
    if ((flags & OFN_FILEMUSTEXIST) && !pc.Files().IsFile(path)) return false;
    if ((flags & OFN_PATHMUSTEXIST) && folder.size() > 2 && !pc.Files().IsDirectory(folder))
      return false;
    answer->path = path;
    answer->given = true;
    return PostMessageA(dialog, WM_COMMAND, IDOK, 0) != 0;
  };
  INT_PTR result =
      winsim::RunModal(dialog, "fileopen", pick, {"screen " + filter, "screen " + name});
  if (result != IDOK) {
    pc.Events().Add("fileopen cancel");
    return FALSE;
  }
  pc.Events().Add("fileopen pick " + winsim::Quote(answer->path));
  const std::string& path = answer->path;
  if (path.size() + 1 > lpofn->nMaxFile) {
    // The buffer's first two bytes say how much it would need.
    if (lpofn->nMaxFile >= 2) {
      WORD needed = WORD(path.size() + 1);
      std::memcpy(lpofn->lpstrFile, &needed, sizeof needed);
    }
    t_lastError = FNERR_BUFFERTOOSMALL;
    return FALSE;
  }
  std::memcpy(lpofn->lpstrFile, path.c_str(), path.size() + 1);
  size_t slash = path.rfind('\\');
  size_t nameAt = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = path.rfind('.');
  lpofn->nFileOffset = WORD(nameAt);
  lpofn->nFileExtension = WORD(dot != std::string::npos && dot >= nameAt ? dot + 1 : path.size());
  if (lpofn->lpstrFileTitle != nullptr && lpofn->nMaxFileTitle > 0) {
    std::string name = path.substr(nameAt).substr(0, lpofn->nMaxFileTitle - 1);
    std::memcpy(lpofn->lpstrFileTitle, name.c_str(), name.size() + 1);
  }
  return TRUE;
}

DWORD WINAPI CommDlgExtendedError(void) { return t_lastError; }
