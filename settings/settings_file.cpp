// The settings file "SelectFile.ini" in the Windows directory: created hidden with its
// defaults on first start, never rewritten at start-up afterwards.
#include <cstring>

#include "app/main_frame.h"
#include "settings/settings_keys.h"

void TouchSettingsFile(LPCSTR path) {
  HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_NORMAL, nullptr);
  CloseHandle(file);  // also when the call failed, harmlessly
}

void CMainFrame::InitSettingsFile() {
  GetWindowsDirectoryA(m_szWindowsDirectory, MAX_PATH);
  m_strSettingsPath = m_szWindowsDirectory;
  m_strSettingsPath += "\\";
  m_strSettingsPath += tavos::kSettingsFileName;

  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(m_strSettingsPath, &found);
  if (search != INVALID_HANDLE_VALUE) {
    FindClose(search);
  } else {
    TouchSettingsFile(m_strSettingsPath);
    WritePrivateProfileStringA("ENABLESTART", "CHECK", "DISABLE", m_strSettingsPath);
    WritePrivateProfileStringA("ENABLEMUTE", "CHECK", "DISABLE", m_strSettingsPath);
    WritePrivateProfileStringA("ENABLEMUTE", "MUTE", "DISABLE", m_strSettingsPath);
    WritePrivateProfileStringA("USERDEFINE", "EXECUTE", "NULL", m_strSettingsPath);
  }

  char honour[80];
  GetPrivateProfileStringA("ENABLESTART", "CHECK", nullptr, honour, sizeof honour, m_strSettingsPath);
  m_bHonourStartupKeys = std::strcmp(honour, "ENABLE") == 0 ? 1 : 0;
}
