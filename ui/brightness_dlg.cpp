// The brightness dialog: the level in the settings file, stepped and sent to the controller.
#include "ui/brightness_dlg.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "app/main_frame.h"
#include "app/version_code.h"
#include "hw/device_link.h"
#include "platform/port_io.h"
#include "settings/settings_keys.h"

PROCESS_WIDE BYTE g_byBrightnessCommand = 0;
PROCESS_WIDE BYTE g_byBrightnessData = 0;

namespace {

constexpr BYTE kEcSetBrightness = 0xCA;
constexpr WORD kEcDataPort = 0x62;
constexpr WORD kEcCommandPort = 0x66;
constexpr int kMaxLevel = 7;
// How many status reads the direct send waits for the controller to take a byte.
constexpr int kDirectStatusReads = 4096;

bool WaitTakenDirect() {
  for (int reads = 0; reads < kDirectStatusReads; ++reads)
    if (!(DirectPortIn(kEcCommandPort) & tavos::kEcInputFull)) return true;
  return false;
}

}  // namespace

namespace tavos {

// The stored level as atoi reads it ("" and text give 0), held to the int range: strtol's
// long is 32 bits on Windows and 64 on Linux, and both must read "99999999999" alike. The
// step is taken in wider arithmetic, so no stored number overflows at either end.
long long StoredLevel(const char* stored) {
  long value = std::strtol(stored, nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return value;
}

int LevelAfterDown(const char* stored) {
  long long level = StoredLevel(stored) - 1;
  return level > 0 ? int(level) : 0;
}

int LevelAfterUp(const char* stored) {
  long long level = StoredLevel(stored) + 1;
  return level >= kMaxLevel ? kMaxLevel : int(level);
}

}  // namespace tavos

BEGIN_MESSAGE_MAP(CBrightnessDlg, CDialog)
ON_BN_CLICKED(IDC_LEVEL_DOWN, OnLevelDown)
ON_BN_CLICKED(IDC_LEVEL_UP, OnLevelUp)
END_MESSAGE_MAP()

// When the version cannot be read, the flag stays 0: the driver path fails harmlessly where
// there is no driver, while port instructions would stop the program on the NT family.
CBrightnessDlg::CBrightnessDlg(CWnd* pParent)
    : CDialog(IDD_BRIGHTNESS, pParent),
      m_nOsVersion(0),
      m_bDirectPort(0),
      m_hDriver(INVALID_HANDLE_VALUE),
      m_szWindowsDirectory{} {
  m_hIconLit = ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_BULB_LIT));
  m_hIconDark = ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_BULB_DARK));
}

CBrightnessDlg::~CBrightnessDlg() = default;

void CBrightnessDlg::DoDataExchange(CDataExchange* pDX) {
  CDialog::DoDataExchange(pDX);
  DDX_Control(pDX, IDC_LEVEL_UP, m_btnLevelUp);
  DDX_Control(pDX, IDC_LEVEL_DOWN, m_btnLevelDown);
}

BOOL CBrightnessDlg::OnInitDialog() {
  CDialog::OnInitDialog();
  // The lit bulb lowers the level, the dark one raises it.
  m_btnLevelDown.SetIcon(m_hIconLit);
  m_btnLevelUp.SetIcon(m_hIconDark);

  ::GetWindowsDirectoryA(m_szWindowsDirectory, MAX_PATH);
  m_strSettingsPath = m_szWindowsDirectory;
  m_strSettingsPath += "\\";
  m_strSettingsPath += tavos::kSettingsFileName;
  DetectPlatform();
  CMainFrame* frame = static_cast<CMainFrame*>(AfxGetMainWnd());
  m_hDriver = frame != nullptr ? frame->GetDriverHandle() : INVALID_HANDLE_VALUE;
  char level[41] = "";
  ::GetPrivateProfileStringA("BRIGHTNESS", "LEVEL", "", level, sizeof level, m_strSettingsPath);
  m_strLevel = level;
  return TRUE;
}

void CBrightnessDlg::DetectPlatform() {
  OSVERSIONINFOEXA info{};
  info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
  if (!::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) {
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    if (!::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&info))) {
      m_nOsVersion = 0;
      return;
    }
  }
  m_nOsVersion = tavos::VersionCode(*reinterpret_cast<OSVERSIONINFOA*>(&info));
  switch (m_nOsVersion) {
    case 351:
    case 401:
    case 500:
    case 501:
      m_bDirectPort = 0;
      break;
    case 400:
    case 410:
    case 490:
      m_bDirectPort = 1;
      break;
    default:
      m_bDirectPort = 0;
      m_nOsVersion = 0;
  }
}

void CBrightnessDlg::OnLevelDown() { StoreAndSend(tavos::LevelAfterDown(m_strLevel)); }

void CBrightnessDlg::OnLevelUp() { StoreAndSend(tavos::LevelAfterUp(m_strLevel)); }

// Written and sent also at a bound: a press at 0 sends 0 again.
void CBrightnessDlg::StoreAndSend(int level) {
  char text[16];
  std::snprintf(text, sizeof text, "%d", level);
  m_strLevel = text;
  ::WritePrivateProfileStringA("BRIGHTNESS", "LEVEL", m_strLevel, m_strSettingsPath);
  const BYTE data = BYTE(level & 0xFF);
  if (m_bDirectPort) {
    g_byBrightnessCommand = kEcSetBrightness;
    g_byBrightnessData = data;
    SendEcCommandDirect();
  } else {
    SendEcCommand(kEcSetBrightness, data);
  }
}

BYTE CBrightnessDlg::WaitEcInputEmpty() { return ::WaitEcInputEmpty(m_hDriver); }

void CBrightnessDlg::WriteEcCommand(DWORD value) { ::WriteEcCommand(m_hDriver, value); }

void CBrightnessDlg::WriteEcData(DWORD value) { ::WriteEcData(m_hDriver, value); }

// The main frame's handshake, bounded the same way (tavos::kEcByteAttempts tries a byte):
// a controller that never takes a byte, or no driver at all, cannot hold the dialog.
void CBrightnessDlg::SendEcCommand(BYTE command, BYTE data) {
  ::SendEcCommandWithData(m_hDriver, command, data);
}

void CBrightnessDlg::DrainEc() {
  DirectPortIn(kEcCommandPort);
  DirectPortIn(kEcDataPort);
}

// One attempt: a busy controller gets nothing, silently, and is not asked again.
void CBrightnessDlg::SendEcCommandDirect() {
  DrainEc();
  if (DirectPortIn(kEcCommandPort) & (tavos::kEcOutputFull | tavos::kEcInputFull)) return;
  DirectPortOut(kEcCommandPort, g_byBrightnessCommand);
  if (!WaitTakenDirect()) return;
  DirectPortOut(kEcDataPort, g_byBrightnessData);
  WaitTakenDirect();
}
