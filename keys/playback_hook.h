// Replaying the key queue as keyboard input through the journal-playback hook. Starting
// returns at once; the events are played while the user-interface thread's message loop
// runs, each after bringing the recorder's window to the foreground. One playback at a
// time: a string given while one plays is queued behind it. While it plays, Windows holds
// back all other keyboard input, keybd_event included, until it ends. User-interface thread
// only.
#pragma once

#include "platform/win32.h"

extern PROCESS_WIDE HHOOK g_hPlaybackHook;  // null when idle
// Watches this thread's messages for WM_CANCELJOURNAL while a playback runs: the message has
// no window, so no window procedure sees it, and it may come in any modal loop.
extern PROCESS_WIDE HHOOK g_hCancelWatchHook;
extern PROCESS_WIDE BOOL g_bPrimeEvent;     // the first hook call fetches the first event
extern PROCESS_WIDE HWND g_hwndSync;        // carried by the queue-synchronisation event
// The event handed to the system: key code (kQueueSync for the marker), down, system key.
extern PROCESS_WIDE SHORT g_evVk;
extern PROCESS_WIDE BOOL g_evDown;
extern PROCESS_WIDE BOOL g_evSysKey;
// The event generator's state; a reset keeps g_bKeySinceAlt.
extern PROCESS_WIDE SHORT g_vkCurrent;
extern PROCESS_WIDE BOOL g_bKeyUpPending;
extern PROCESS_WIDE BOOL g_bShiftDown;
extern PROCESS_WIDE BOOL g_bCtrlDown;
extern PROCESS_WIDE BOOL g_bAltDown;
extern PROCESS_WIDE BOOL g_bKeySinceAlt;
// The window brought to the foreground before each event (the window lookup sets it).
extern PROCESS_WIDE HWND g_hRecorderWnd;

// 0, a parse error (1 to 5), or 6 when the hook cannot be installed.
int StartKeyPlayback(HWND hwndSync, const char* pszKeys);
// The next event; FALSE when the queue is used up. A null pVk resets the generator.
BOOL NextKeyEvent(SHORT* pVk, BOOL* pDown, BOOL* pSysKey);
LRESULT CALLBACK JournalPlaybackProc(int nCode, WPARAM wParam, LPARAM lParam);
// The system removed the playback hook (Ctrl+Esc, Ctrl+Alt+Del, a desktop switch): the rest
// of that playback is dropped and the engine is idle again, so the next string plays.
void CancelKeyPlayback();
LRESULT CALLBACK CancelWatchProc(int nCode, WPARAM wParam, LPARAM lParam);
