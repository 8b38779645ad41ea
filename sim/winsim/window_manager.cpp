// Window classes, window records and open surfaces.
#include "sim/winsim/window_manager.h"

#include <strings.h>

#include <algorithm>

namespace winsim {

ATOM WindowManager::RegisterClass(const WNDCLASSA& wndClass, DWORD pid) {
  if (wndClass.lpszClassName == nullptr || wndClass.lpfnWndProc == nullptr) return 0;
  std::string name = IS_INTRESOURCE(wndClass.lpszClassName)
                         ? "#" + std::to_string(uintptr_t(wndClass.lpszClassName))
                         : wndClass.lpszClassName;
  if (FindClass(name, pid) != nullptr) return 0;
  ClassEntry entry{wndClass, name, "", pid};
  if (wndClass.lpszMenuName && !IS_INTRESOURCE(wndClass.lpszMenuName))
    entry.menuName = wndClass.lpszMenuName;
  classes_.push_back(entry);
  classes_.back().wndClass.lpszClassName = classes_.back().name.c_str();
  return nextAtom_++;
}

bool WindowManager::UnregisterClass(const std::string& name, DWORD pid) {
  auto found = std::find_if(classes_.begin(), classes_.end(), [&](const ClassEntry& entry) {
    return entry.pid == pid && strcasecmp(entry.name.c_str(), name.c_str()) == 0;
  });
  if (found == classes_.end()) return false;
  classes_.erase(found);
  return true;
}

const WNDCLASSA* WindowManager::FindClass(const std::string& name, DWORD pid) const {
  for (const ClassEntry& entry : classes_)
    if ((entry.pid == pid || entry.pid == 0) && strcasecmp(entry.name.c_str(), name.c_str()) == 0)
      return &entry.wndClass;
  return nullptr;
}

HWND WindowManager::Add(SimWindow window) {
  window.handle = reinterpret_cast<HWND>(nextHandle_);
  nextHandle_ += 2;  // window handles are even on Windows
  HWND handle = window.handle;
  windows_[uintptr_t(handle)] = std::make_unique<SimWindow>(std::move(window));
  return handle;
}

SimWindow* WindowManager::Find(HWND hwnd) {
  auto found = windows_.find(uintptr_t(hwnd));
  return found == windows_.end() ? nullptr : found->second.get();
}

void WindowManager::Remove(HWND hwnd) {
  if (foreground_ == hwnd) foreground_ = nullptr;
  if (focus_ == hwnd) focus_ = nullptr;
  windows_.erase(uintptr_t(hwnd));
}

std::vector<HWND> WindowManager::WindowsOf(const SimThread* thread) const {
  std::vector<HWND> handles;
  for (auto& [key, window] : windows_)
    if (window->thread == thread) handles.push_back(window->handle);
  return handles;
}

std::vector<HWND> WindowManager::WindowsOfProcess(DWORD pid) const {
  std::vector<HWND> handles;
  for (auto& [key, window] : windows_)
    if (window->pid == pid) handles.push_back(window->handle);
  return handles;
}

std::vector<HWND> WindowManager::TopLevel() const {
  std::vector<HWND> handles;
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it)
    if (!(it->second->style & WS_CHILD)) handles.push_back(it->second->handle);
  return handles;
}

std::vector<HWND> WindowManager::ChildrenOf(HWND parent) const {
  std::vector<HWND> handles;
  for (auto& [key, window] : windows_)
    if (window->parent == parent) handles.push_back(window->handle);
  return handles;
}

void WindowManager::Activate(HWND hwnd) {
  for (SimWindow* window = Find(hwnd); window != nullptr; window = Find(window->parent)) {
    window->lastActivePopup = hwnd;
    if (window->style & WS_CHILD) break;  // a child has no owner, only a parent
  }
}

void WindowManager::OpenSurface(Surface surface) { surfaces_.push_back(std::move(surface)); }

void WindowManager::CloseSurface(HWND window) {
  surfaces_.erase(std::remove_if(surfaces_.begin(), surfaces_.end(),
                                 [&](const Surface& s) { return s.window == window; }),
                  surfaces_.end());
}

Surface* WindowManager::TopSurface() { return surfaces_.empty() ? nullptr : &surfaces_.back(); }

}  // namespace winsim
