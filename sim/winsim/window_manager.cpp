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
  const bool topLevel = !(window.style & WS_CHILD);
  windows_[uintptr_t(handle)] = std::make_unique<SimWindow>(std::move(window));
  if (topLevel) PlaceOnTopOfBand(handle);
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
  zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), hwnd), zOrder_.end());
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

bool WindowManager::IsTopMost(HWND hwnd) {
  const SimWindow* window = Find(hwnd);
  return window != nullptr && (window->exStyle & WS_EX_TOPMOST);
}

// Through the chain of owners (a top-level window's `parent` is its owner).
bool WindowManager::Owns(HWND owner, HWND hwnd) {
  const SimWindow* window = Find(hwnd);
  for (int depth = 0; window != nullptr && depth < 64; ++depth) {
    if (window->parent == owner) return true;
    window = Find(window->parent);
  }
  return false;
}

void WindowManager::PlaceOnTopOfBand(HWND hwnd) {
  zOrder_.erase(std::remove(zOrder_.begin(), zOrder_.end(), hwnd), zOrder_.end());
  auto at = zOrder_.begin();
  if (!IsTopMost(hwnd))
    at = std::find_if(zOrder_.begin(), zOrder_.end(),
                      [this](HWND each) { return !IsTopMost(each); });
  zOrder_.insert(at, hwnd);
}

void WindowManager::BringToTop(HWND hwnd) {
  const SimWindow* window = Find(hwnd);
  if (window == nullptr || (window->style & WS_CHILD)) return;
  PlaceOnTopOfBand(hwnd);
  std::vector<HWND> owned;  // bottom first, so that each keeps its place among the others
  for (auto it = zOrder_.rbegin(); it != zOrder_.rend(); ++it)
    if (Owns(hwnd, *it)) owned.push_back(*it);
  for (HWND each : owned) PlaceOnTopOfBand(each);
}

void WindowManager::SetForeground(HWND hwnd) {
  foreground_ = hwnd;
  BringToTop(hwnd);
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
