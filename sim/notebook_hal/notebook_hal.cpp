// hal.dll for Wine: our simulated notebook behind the HAL's port functions, so that the real
// portio driver, loaded by Wine's kernel emulation, reaches the same controller, latches,
// CMOS, PCI and keyboard controller that the simulated kernel gives it on Linux.
//
// Channel (both files in the prefix, polled, so nothing else needs to run in the driver host):
//   C:\notebook\control  appended to by the scenario host, one command a line:
//                        "press BITS", "media BITS", "ec ready", "ec busy N", "ec stuck",
//                        "reset" (a notebook in its power-on state); numbers decimal or 0x..
//   C:\notebook\events   appended to here: "ec-cmd XX" / "ec-data XX" for each byte the
//                        controller accepted, "hal-fault TEXT" for what Windows would refuse,
//                        "hal-error TEXT" for a control line it cannot read.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "sim/notebook/notebook.h"
#include "sim/notebook_hal/wine_channel.h"

namespace {

using tavos_wine::AppendEvent;
using tavos_wine::kControlPath;
// A control line longer than this is not one the host writes: dropped with an error event.
constexpr size_t kMaxControlLine = 128;
constexpr DWORD kControlChunk = 4096;

// Guards the notebook and both files: winedevice may serve requests on several threads.
CRITICAL_SECTION g_lock;
std::unique_ptr<sim::Notebook> g_notebook;
LONGLONG g_controlConsumed = 0;
std::string g_controlLine;
bool g_controlLineTooLong = false;

class Locked {
 public:
  Locked() { EnterCriticalSection(&g_lock); }
  ~Locked() { LeaveCriticalSection(&g_lock); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
};

std::string Hex2(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X", value & 0xFF);
  return text;
}

void NewNotebook() {
  g_notebook = std::make_unique<sim::Notebook>();
  sim::EmbeddedController& ec = g_notebook->Ec();
  // The accepted byte is the last one recorded: a command opens a transaction, data ends one.
  ec.SetAcceptListener([&ec] {
    const sim::EcTransaction& t = ec.Transactions().back();
    AppendEvent(t.hasData ? "ec-data " + Hex2(t.data) : "ec-cmd " + Hex2(t.command));
  });
}

// A whole number within [0, limit], decimal or 0x-hex; false for anything else.
bool ParseNumber(const std::string& text, unsigned long limit, unsigned long* value) {
  if (text.empty() || text.size() > 12) return false;
  char* end = nullptr;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  *value = std::strtoul(text.c_str(), &end, hex ? 16 : 10);
  return end == text.c_str() + text.size() && *value <= limit && text[0] != '-';
}

void ApplyControl(const std::string& line) {
  const size_t blank = line.find(' ');
  const std::string word = line.substr(0, blank);
  const std::string arg = blank == std::string::npos ? "" : line.substr(blank + 1);
  unsigned long n = 0;
  if (word == "press" && ParseNumber(arg, 0xFF, &n)) {
    g_notebook->HotKeys().Press(uint8_t(n));
  } else if (word == "media" && ParseNumber(arg, 0xFF, &n)) {
    g_notebook->MediaButtons().Press(uint8_t(n));
  } else if (line == "ec ready") {
    g_notebook->Ec().SetReady();
  } else if (line == "ec stuck") {
    g_notebook->Ec().SetStuck();
  } else if (word == "ec" && arg.rfind("busy ", 0) == 0 &&
             ParseNumber(arg.substr(5), 1000000, &n)) {
    g_notebook->Ec().SetBusy(int(n));
  } else if (line == "reset") {
    NewNotebook();
  } else {
    AppendEvent("hal-error unknown control line \"" + line + "\"");
  }
}

// Applies the control lines appended since the last look. A file that shrank was made anew.
void PollControl() {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(kControlPath, GetFileExInfoStandard, &data)) return;
  const LONGLONG size = LONGLONG(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
  if (size == g_controlConsumed) return;
  if (size < g_controlConsumed) {
    g_controlConsumed = 0;
    g_controlLine.clear();
    g_controlLineTooLong = false;
  }
  HANDLE file = CreateFileA(kControlPath, GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  LARGE_INTEGER at;
  at.QuadPart = g_controlConsumed;
  char chunk[kControlChunk];
  DWORD got = 0;
  while (SetFilePointerEx(file, at, nullptr, FILE_BEGIN) &&
         ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) {
    for (DWORD i = 0; i < got; ++i) {
      const char c = chunk[i];
      if (c == '\n') {
        if (g_controlLineTooLong)
          AppendEvent("hal-error control line too long");
        else
          ApplyControl(g_controlLine);
        g_controlLine.clear();
        g_controlLineTooLong = false;
      } else if (c != '\r') {
        if (g_controlLine.size() < kMaxControlLine)
          g_controlLine += c;
        else
          g_controlLineTooLong = true;
      }
    }
    at.QuadPart += got;
  }
  g_controlConsumed = at.QuadPart;
  CloseHandle(file);
}

sim::PortBus& Bus() {
  PollControl();
  sim::PortBus& bus = g_notebook->Bus();
  bus.ClearLog();  // nobody reads it here, and a long session must not grow it
  return bus;
}

uint16_t PortNumber(const void* port) { return uint16_t(reinterpret_cast<ULONG_PTR>(port)); }

}  // namespace

extern "C" {

UCHAR NTAPI READ_PORT_UCHAR(PUCHAR port) {
  Locked locked;
  return Bus().InByte(PortNumber(port));
}

ULONG NTAPI READ_PORT_ULONG(PULONG port) {
  Locked locked;
  return Bus().InDword(PortNumber(port));
}

VOID NTAPI WRITE_PORT_UCHAR(PUCHAR port, UCHAR value) {
  Locked locked;
  Bus().OutByte(PortNumber(port), value);
}

VOID NTAPI WRITE_PORT_ULONG(PULONG port, ULONG value) {
  Locked locked;
  Bus().OutDword(PortNumber(port), value);
}

#ifndef _WIN64
// The 32-bit HAL's spin lock pair. Wine runs drivers in user mode, so the lock is a plain
// interlocked flag and the level is only bookkept; a release of a free lock, or back to
// another level than the acquire left, is what Windows stops on, so it is reported.
constexpr UCHAR kPassiveLevel = 0;
constexpr UCHAR kDispatchLevel = 2;

UCHAR __fastcall KfAcquireSpinLock(ULONG_PTR* lock) {
  while (InterlockedCompareExchange(reinterpret_cast<volatile LONG*>(lock), 1, 0) != 0) Sleep(0);
  return kPassiveLevel;
}

VOID __fastcall KfReleaseSpinLock(ULONG_PTR* lock, UCHAR newIrql) {
  if (InterlockedExchange(reinterpret_cast<volatile LONG*>(lock), 0) == 0) {
    Locked locked;
    AppendEvent("hal-fault KfReleaseSpinLock of a lock that is not held");
  } else if (newIrql != kPassiveLevel) {
    Locked locked;
    AppendEvent("hal-fault KfReleaseSpinLock to level " + std::to_string(newIrql) + " from " +
                std::to_string(kDispatchLevel) + ", not the level the acquire returned");
  }
}
#endif

}  // extern "C"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    InitializeCriticalSection(&g_lock);
    NewNotebook();
  }
  return TRUE;
}
