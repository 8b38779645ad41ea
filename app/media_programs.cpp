// The MP3 key, the video-recorder key and the media buttons: starting and closing the media
// programs of other makers, and playing the buttons into the recorder as key strings.
#include <cstring>

#include "app/hot_keys.h"
#include "app/key_status.h"
#include "app/main_frame.h"
#include "hw/device_link.h"

namespace {

constexpr char kRecorderPath[] = "C:\\Program Files\\CyberLink\\PowerVCRII\\PVCR.EXE";
constexpr char kRecorderPathGerman[] = "C:\\Programme\\CyberLink\\PowerVCRII\\PVCR.EXE";
constexpr char kPlayerFile[] = "MP3Player.exe";
constexpr char kPlayerWindowTitle[] = "MP3Player";
constexpr char kNoPlayerWindow[] = "Can't found MP3Player";
constexpr WORD kGermanLanguage = 1031;
constexpr BYTE kMp3PlayerCommand = 0xC1;
constexpr BYTE kLeftControl = 0xA2;

// The media buttons, in the order they are sent, and their keys in the recorder.
struct MediaButton {
  BYTE bit;
  const char* keys;
};
constexpr MediaButton kMediaButtons[] = {
    {0x01, "{R}"}, {0x02, "{ENTER}"}, {0x04, "{N}"}, {0x08, "{P}"}, {0x10, "{S}"},
};

void Open(const char* file) { ShellExecuteA(nullptr, "open", file, nullptr, nullptr, SW_SHOWNORMAL); }

// The Windows directory, a backslash and the player's file name (a directory that already
// ends in a backslash gives a doubled one, which Windows reads as one).
void StartMp3Player() {
  char path[MAX_PATH + sizeof kPlayerFile + 1] = {};
  UINT length = GetWindowsDirectoryA(path, MAX_PATH);
  if (length >= MAX_PATH) length = 0;  // no room: the bare name is searched instead
  path[length] = '\0';
  if (length > 0) std::strcat(path, "\\");
  std::strcat(path, kPlayerFile);
  Open(path);
}

}  // namespace

void CMainFrame::PollMediaKeys() {
  if (m_bMp3PlayerRunning == 0 && m_bRecorderRunning == 1) {
    ReadMediaKeyStatus();
    AckKeyStatus();
    for (const MediaButton& button : kMediaButtons) {
      if (g_byKeyStatusC & button.bit) SendKeysToRecorder(button.keys);
      if (Ended()) return;  // EXIT in the box of a key-string error
    }
  }
  const int recorderWasPlayedTo = m_bMp3PlayerRunning == 0 && m_bRecorderRunning == 1;
  DetectMediaPrograms();
  if (!recorderWasPlayedTo && m_bMp3PlayerRunning == 0 && m_bRecorderRunning == 1) DropMediaButtons();
  SendEcCommand(kMp3PlayerCommand, m_bMp3PlayerRunning == 1 ? 1 : 0);

  if ((g_byKeyStatus & tavos::kKeyVideoRecorder) && m_bMp3PlayerRunning == 0) {
    if (m_bRecorderRunning == 0) {
      Open(g_wLangId == kGermanLanguage ? kRecorderPathGerman : kRecorderPath);
      m_bRecorderRunning = 1;
      DropMediaButtons();
    } else if (m_bRecorderRunning == 1) {
      SendKeysToRecorder("{S}");
      if (Ended()) return;
      // Ctrl+X closes the recorder; with X physically held it would misfire, so both keys
      // are only released and the recorder stays (the MP3 key of this tick is lost). The
      // keyboard as it is now: this thread's view never sees keys typed into other windows.
      // While the "{S}" plays, Windows holds these events back and delivers them after it.
      BYTE vk = LOBYTE(VkKeyScanA('X'));
      if (GetAsyncKeyState(vk) & 0xF000) {
        keybd_event(vk, 0, KEYEVENTF_KEYUP, 0);
        keybd_event(kLeftControl, 0, KEYEVENTF_KEYUP, 0);
        return;
      }
      keybd_event(kLeftControl, 0, 0, 0);
      keybd_event(vk, 0, 0, 0);
      keybd_event(vk, 0, KEYEVENTF_KEYUP, 0);
      keybd_event(kLeftControl, 0, KEYEVENTF_KEYUP, 0);
      m_bRecorderRunning = 0;
    }
  }

  if (g_byKeyStatus & tavos::kKeyMp3) {
    if (m_bRecorderRunning == 0 && m_bMp3PlayerRunning == 0) {
      StartMp3Player();
      m_bMp3PlayerRunning = 1;
    } else if (m_bMp3PlayerRunning == 1 && m_bRecorderRunning == 0) {
      HWND player = FindWindowA(nullptr, kPlayerWindowTitle);
      if (player != nullptr) ::SendMessageA(player, WM_ENDSESSION, 0, 0);
      else AfxMessageBox(kNoPlayerWindow, MB_OK);
      m_bMp3PlayerRunning = 0;
    }
  }
}

// Buttons pressed while no recorder took them stay in the latch; the tick that finds a
// recorder to play into first reads and acknowledges them, and drops them.
void CMainFrame::DropMediaButtons() {
  ReadMediaKeyStatus();
  AckKeyStatus();
  g_byKeyStatusC = 0;
}

void CMainFrame::PollMediaKeysDirect() {
  if (!(g_byKeyStatusA & tavos::kKeyMp3)) return;
  if (m_bRecorderRunning == 0 && m_bMp3PlayerRunning == 0) {
    StartMp3Player();
    m_bMp3PlayerRunning = 1;
    return;
  }
  if (m_bMp3PlayerRunning == 1 && m_bRecorderRunning == 0) {
    TerminateMediaProgram(1);
    m_bMp3PlayerRunning = 0;
    LeaveMediaMode();
    g_byEcCommand = kMp3PlayerCommand;
    g_byEcData = 0;
    SendEcCommandDirect();
  }
}
