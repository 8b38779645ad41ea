// Stepping, storing and sending the brightness level.
#include "ui/brightness_level.h"

#include <cstdio>

#include "hw/device_link.h"
#include "platform/port_io.h"
#include "ui/brightness_dlg.h"

PROCESS_WIDE BYTE g_byBrightnessCommand = 0;
PROCESS_WIDE BYTE g_byBrightnessData = 0;

namespace {

constexpr BYTE kEcSetBrightness = 0xCA;
constexpr WORD kEcDataPort = 0x62;
constexpr WORD kEcCommandPort = 0x66;
// How many status reads the direct send waits for the controller to take a byte.
constexpr int kDirectStatusReads = 4096;

bool WaitTakenDirect() {
  for (int reads = 0; reads < kDirectStatusReads; ++reads)
    if (!(DirectPortIn(kEcCommandPort) & tavos::kEcInputFull)) return true;
  return false;
}

}  // namespace

namespace tavos {

int StoreAndSendBrightness(bool up, const char* stored, const char* settingsPath, bool directPort,
                           HANDLE driver) {
  const int level = up ? LevelAfterUp(stored) : LevelAfterDown(stored);
  char text[16];
  std::snprintf(text, sizeof text, "%d", level);
  ::WritePrivateProfileStringA("BRIGHTNESS", "LEVEL", text, settingsPath);
  const BYTE data = BYTE(level & 0xFF);
  if (directPort) {
    g_byBrightnessCommand = kEcSetBrightness;
    g_byBrightnessData = data;
    SendBrightnessDirect();
  } else {
    // Bounded like the main frame's handshake (kEcByteAttempts tries a byte): a controller
    // that never takes a byte, or no driver at all, cannot hold the caller.
    ::SendEcCommandWithData(driver, kEcSetBrightness, data);
  }
  return level;
}

void DrainEcDirect() {
  DirectPortIn(kEcCommandPort);
  DirectPortIn(kEcDataPort);
}

void SendBrightnessDirect() {
  DrainEcDirect();
  if (DirectPortIn(kEcCommandPort) & (kEcOutputFull | kEcInputFull)) return;
  DirectPortOut(kEcCommandPort, g_byBrightnessCommand);
  if (!WaitTakenDirect()) return;
  DirectPortOut(kEcDataPort, g_byBrightnessData);
  WaitTakenDirect();
}

}  // namespace tavos
