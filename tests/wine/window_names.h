// A window's class name and text as strings, for the programs that look at Tavos's windows
// under Wine: the scenario host, its probe and the end-to-end check.
#pragma once

#include <windows.h>

#include <string>

namespace tavos_wine {

// Class names are at most 256 characters.
inline std::string ClassOf(HWND hwnd) {
  char name[257] = "";
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

// At most 1023 characters: more than any caption or control text Tavos or Wine shows here.
inline std::string TextOf(HWND hwnd) {
  char text[1024] = "";
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

}  // namespace tavos_wine
