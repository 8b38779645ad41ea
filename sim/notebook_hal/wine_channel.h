// What the scenario host, the probe inside Tavos and hal.dll share under Wine: the files of
// the notebook channel, the names of the objects that keep Tavos's poll ticks in step with
// the scenario, and the hex form strings travel in.
#pragma once

#include <windows.h>

#include <string>

namespace tavos_wine {

constexpr char kChannelFolder[] = "C:\\notebook";
constexpr char kControlPath[] = "C:\\notebook\\control";
constexpr char kEventsPath[] = "C:\\notebook\\events";

// One release lets one WM_TIMER of the poll timer through; the probe then sets kTickRan.
constexpr char kTickGrant[] = "TavosWine.TickGrant";
constexpr char kTickRan[] = "TavosWine.TickRan";
// Posted to Tavos's thread; when any message loop of the thread takes it, the probe sets
// kSettled: everything Tavos did before it has happened.
constexpr char kSettleMessage[] = "TavosWine.Settle";
constexpr char kSettled[] = "TavosWine.Settled";
constexpr UINT_PTR kPollTimerId = 1;

// Appends one line to a channel file in one write, so lines of several writers never mix.
inline void AppendLine(const char* path, const std::string& line) {
  HANDLE file = CreateFileA(path, FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
  CloseHandle(file);
}

inline void AppendEvent(const std::string& line) { AppendLine(kEventsPath, line); }

// Bytes as two lower-case hex digits each; "-" for none, so a field is never empty.
inline std::string HexBytes(const std::string& bytes) {
  if (bytes.empty()) return "-";
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : bytes) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

}  // namespace tavos_wine
