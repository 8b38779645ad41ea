// What the probe sees of the surfaces Tavos puts up (its dialogs, message boxes, the file-open
// dialog and the tray menu), and the names the scenario host and the probe share for them.
#pragma once

#include <windows.h>

// Needs the types of windows.h.
#include <commdlg.h>

namespace tavos_wine {

// Posted to Tavos's thread: the probe writes what is on top as "screen ..." events.
constexpr char kScreenMessage[] = "TavosWine.Screen";
// The host's input ends with a press of this unassigned key; the probe swallows it and sets
// kInputTaken when Tavos's thread takes its release, so every click and key before it has been
// taken (input messages come in the order they were sent).
constexpr WORD kInputMarkerKey = 0x88;
constexpr char kInputTaken[] = "TavosWine.InputTaken";

}  // namespace tavos_wine

namespace tavos_probe {

// The icon resource of Tavos.exe an icon handle was loaded from; 0 when none (tavos_probe.cpp).
ULONG_PTR IconResourceId(HICON icon);

// A modal surface opens (before its call) and closes (after it), innermost last: one thread
// nests them, so the innermost is the one on top.
void SurfaceOpens(const char* kind, int id, HMENU menu = nullptr);
void SurfaceCloses();

BOOL WINAPI ProbeGetOpenFileName(LPOPENFILENAMEA ofn);
// After TrackPopupMenu returned: "menu dismissed" when no item's command is on its way.
void MenuEnded(HWND owner);

// From the probe's hooks: a dialog window being created, and a message a loop takes (true when
// the probe swallowed it).
void SeeSentMessage(const CWPSTRUCT& sent);
// Whether Tavos has settled when a loop takes the host's settle message. A modal dialog shows
// only once its loop first finds the queue empty, so while the one on top is still hidden the
// settle waits for it to show.
bool SettlesNow();
bool TakeMessage(MSG* msg);

}  // namespace tavos_probe
