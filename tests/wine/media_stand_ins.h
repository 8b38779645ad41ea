// What the stand-ins for the notebook's media programs, the probe inside Tavos and the scenario
// host share under Wine: the programs' names and windows as Tavos looks for them, and the
// objects that keep the stand-ins' lines in step with Tavos's.
#pragma once

#include <windows.h>

#include <cstring>

namespace tavos_wine {

constexpr char kPlayerFile[] = "MP3Player.exe";
constexpr char kRecorderFile[] = "PVCR.EXE";
// The player's window, found by its title; the recorder's main window and its video surface.
constexpr char kPlayerClass[] = "MP3PlayerMain";
constexpr char kPlayerTitle[] = "MP3Player";
constexpr char kRecorderClass[] = "PVCRMain";
constexpr char kRecorderTitle[] = "PowerVCR II";
constexpr char kVideoClass[] = "ActiveMovie";
constexpr char kVideoTitle[] = "ActiveMovie Window";

// Set by a media stand-in that Tavos's shell open started once its process-start line is
// written: the probe waits for it, so that line comes before whatever Tavos does next.
constexpr char kMediaStarted[] = "TavosWine.MediaStarted";
// Posted by the host to a media stand-in's window after Tavos settled: the stand-in first
// takes the keys already queued for it (Tavos's keybd_event reaches it asynchronously), then
// sets kMediaSettled, unless a key ended it.
constexpr char kMediaSettleMessage[] = "TavosWine.MediaSettle";
constexpr char kMediaSettled[] = "TavosWine.MediaSettled";

// The file name part of a path, read character by character in the ANSI code page: in a
// Japanese one, the trail byte of a double-byte character may be a backslash's code.
inline const char* FileNameOf(const char* path) {
  const char* name = path;
  for (const char* at = path; *at; at = CharNextA(at))
    if (*at == '\\' || *at == '/' || *at == ':') name = at + 1;
  return name;
}

inline bool IsMediaProgram(const char* path) {
  const char* name = FileNameOf(path);
  return lstrcmpiA(name, kPlayerFile) == 0 || lstrcmpiA(name, kRecorderFile) == 0;
}

}  // namespace tavos_wine
