// The Windows 95 family's direct port path: reads routed by model identifier, and the
// controller handshake done with the program's own port instructions.
#include <cstring>

#include "app/key_status.h"
#include "app/main_frame.h"
#include "hw/device_link.h"
#include "platform/port_io.h"

PROCESS_WIDE BYTE g_byEcCommand = 0;
PROCESS_WIDE BYTE g_byEcData = 0xFF;

namespace {

constexpr WORD kEcDataPort = 0x62;
constexpr WORD kEcCommandPort = 0x66;
constexpr char kPass[] = "PASS";
// How many status reads the direct form waits for the controller to take a byte.
constexpr int kDirectStatusReads = 1001;

const char* const kGroupA[] = {"MODELP01", "MODELP06", "MODELP07", "MODELP08",
                               "MODELP09", "MODELP10", "MODELP11"};
const char* const kGroupB[] = {"MODELP04", "MODELP05"};
const char* const kGroupC[] = {"MODELP02", "MODELP03", "OTHER"};

template <size_t N>
bool IsIn(const char* const (&group)[N], const char* model) {
  for (const char* member : group)
    if (std::strcmp(member, model) == 0) return true;
  return false;
}

}  // namespace

namespace tavos {

// Where a read with `model` lands: a key status byte of its group, or null for the frame's
// own port-value byte (identifiers that name no model, such as "PASS").
BYTE* KeyStatusForModel(const char* model) {
  if (IsIn(kGroupA, model)) return &g_byKeyStatusA;
  if (IsIn(kGroupB, model)) return &g_byKeyStatusB;
  if (IsIn(kGroupC, model)) return &g_byKeyStatusC;
  return nullptr;
}

}  // namespace tavos

void CMainFrame::ReadModelPort(WORD port, LPCSTR model) {
  BYTE value = DirectPortIn(port);
  BYTE* status = tavos::KeyStatusForModel(model);
  (status ? *status : m_byPortValue) = value;
  for (BYTE* byte : {&g_byKeyStatusB, &g_byKeyStatusA, &g_byKeyStatusC})
    if (*byte == 0xFF) *byte = 0;
}

void CMainFrame::WriteModelPort(WORD port, BYTE value, LPCSTR) { DirectPortOut(port, value); }

void CMainFrame::DrainEc() {
  ReadModelPort(kEcCommandPort, kPass);
  ReadModelPort(kEcDataPort, kPass);
}

// One attempt, never retried here: a busy controller or one that does not take a byte
// ends it silently, and the caller's next call tries again.
void CMainFrame::SendEcCommandDirect() {
  DrainEc();
  ReadModelPort(kEcCommandPort, kPass);
  if (m_byPortValue & (tavos::kEcOutputFull | tavos::kEcInputFull)) return;
  WriteModelPort(kEcCommandPort, g_byEcCommand, kPass);
  if (!WaitEcTookByteDirect()) return;
  if (g_byEcData == 0xFF) return;
  WriteModelPort(kEcDataPort, g_byEcData, kPass);
  WaitEcTookByteDirect();
}

bool CMainFrame::WaitEcTookByteDirect() {
  for (int reads = 0; reads < kDirectStatusReads; ++reads) {
    ReadModelPort(kEcCommandPort, kPass);
    if (!(m_byPortValue & tavos::kEcInputFull)) return true;
  }
  return false;
}

void CMainFrame::LeaveMediaMode() {
  g_byEcCommand = 0xC8;
  g_byEcData = 0x00;
  SendEcCommandDirect();
  g_byEcCommand = 0xC1;
  g_byEcData = 0x00;
  SendEcCommandDirect();
}
