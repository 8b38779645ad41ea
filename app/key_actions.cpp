// The actions [KEYS] can give a key: start a program, open a document or address, play a key
// string, switch the sound, step the volume or the brightness, or nothing. A value Tavos
// cannot use, and a program Windows refuses, are told in a message box and do nothing else.
#include <cstdio>
#include <cstring>

#include "app/main_frame.h"
#include "hw/device_link.h"
#include "keys/key_string_parser.h"
#include "keys/playback_hook.h"
#include "mixer/volume_step.h"
#include "ui/brightness_level.h"

namespace {

// A value quoted in a message box is cut to this many characters.
constexpr size_t kMaxShownValue = 64;
constexpr DWORD kNoVolume = 0xFFFFFFFF;

// What ShellExecuteA's result (32 or less) means, in the words of its documentation.
const char* ShellFailure(INT_PTR code) {
  switch (code) {
    case 0:
      return "the system is out of memory or resources";
    case 2:
      return "the file was not found";
    case 3:
      return "the path was not found";
    case 5:
      return "access was denied";
    case 8:
      return "there is not enough memory";
    case 11:
      return "the file is no valid program";
    case 26:
      return "a sharing violation occurred";
    case 27:
      return "the file name association is incomplete";
    case 28:
    case 29:
    case 30:
      return "the program did not answer";
    case 31:
      return "no program is associated with this kind of file";
    case 32:
      return "a library the program needs was not found";
    default:
      return "Windows refused it";
  }
}

// The value as a message box shows it: cut short, each control character as "?".
void ShownValue(const char* value, char* out, size_t size) {
  size_t used = 0;
  for (; value[used] != '\0' && used < kMaxShownValue && used + 1 < size; ++used) {
    const unsigned char c = static_cast<unsigned char>(value[used]);
    out[used] = c < 0x20 || c == 0x7F ? '?' : char(c);
  }
  out[used] = '\0';
  if (value[used] != '\0' && used + 4 <= size) std::strcpy(out + used, "...");
}

// The folder of a program named by its path ("C:\Tools\" for "C:\Tools\Notes.exe"), or ""
// for a bare name, which Windows looks for on its own.
void FolderOf(const char* program, char* folder) {
  const char* slash = std::strrchr(program, '\\');
  const size_t length = slash ? size_t(slash - program + 1) : 0;
  std::memcpy(folder, program, length);
  folder[length] = '\0';
}

}  // namespace

bool CMainFrame::ReportKeyProblem(const tavos::KeyPress& press, const char* why) {
  char value[kMaxShownValue + 4];
  ShownValue(press.value, value, sizeof value);
  char text[512];
  std::snprintf(text, sizeof text, "[KEYS] %s=%s\n\n%s", press.key->name, value, why);
  AfxMessageBox(text, MB_OK | MB_ICONEXCLAMATION);  // modal: ticks, and EXIT, may run inside
  return !Ended();
}

// In the program's own folder, with the frame as the owner of anything Windows asks.
bool CMainFrame::RunProgram(const tavos::KeyPress& press) {
  char folder[tavos::kMaxKeyValue + 1];
  FolderOf(press.target, folder);
  const INT_PTR result = INT_PTR(ShellExecuteA(m_hWnd, "open", press.target,
                                               press.arguments[0] ? press.arguments : nullptr,
                                               folder[0] ? folder : nullptr, SW_SHOWNORMAL));
  if (result > 32) return true;
  char why[128];
  std::snprintf(why, sizeof why, "Windows cannot start the program: %s.", ShellFailure(result));
  return ReportKeyProblem(press, why);
}

bool CMainFrame::OpenDocument(const tavos::KeyPress& press) {
  const INT_PTR result =
      INT_PTR(ShellExecuteA(m_hWnd, "open", press.target, nullptr, nullptr, SW_SHOWNORMAL));
  if (result > 32) return true;
  char why[128];
  std::snprintf(why, sizeof why, "Windows cannot open it: %s.", ShellFailure(result));
  return ReportKeyProblem(press, why);
}

// Into the window in front: no window is brought forward before each event. A recorder
// playback still running keeps its window; these keys then follow it there.
bool CMainFrame::PlayKeys(const tavos::KeyPress& press) {
  if (g_hPlaybackHook == nullptr) g_hRecorderWnd = nullptr;
  const int result = StartKeyPlayback(m_hWnd, press.target);
  if (result == kKeysOk) return true;
  const int index = result > 0 && result < kKeyStringErrorCount ? result : kKeyStringErrorCount - 1;
  char why[128];
  std::snprintf(why, sizeof why,
                result == kKeysCannotInstallHook ? "The keys cannot be played: %s."
                                                 : "The key string has an error: %s.",
                g_keyStringErrors[index]);
  return ReportKeyProblem(press, why);
}

// The switch the user key's mute routing makes, from the speakers' state as the mixer reads
// it (the routing's record, ENABLEMUTE/MUTE, where the mixer cannot tell); the record is
// written as the routing writes it, so the user key's next toggle follows.
bool CMainFrame::ToggleMute(const tavos::KeyPress&) {
  char mute[41];
  GetPrivateProfileStringA("ENABLEMUTE", "MUTE", "", mute, sizeof mute, m_strSettingsPath);
  const int muted = m_masterVolume.GetMute();
  ApplySoundPlan(tavos::PlanUserKey("ENABLE", muted < 0 ? mute
                                              : muted   ? "DISABLE"
                                                        : "ENABLE"),
                 true);
  return true;
}

void CMainFrame::ApplySoundPlan(const tavos::UserKeyPlan& plan, bool announce) {
  if (plan.sound == tavos::SoundChange::On) m_masterVolume.SoundOn();
  if (plan.sound == tavos::SoundChange::Off) m_masterVolume.SoundOff();
  if (plan.storeMute != nullptr)
    WritePrivateProfileStringA("ENABLEMUTE", "MUTE", plan.storeMute, m_strSettingsPath);
  if (announce && m_masterVolume.m_bControlsReady && plan.sound != tavos::SoundChange::None)
    ShowOsd(plan.sound == tavos::SoundChange::Off ? "Sound off" : "Sound on");
}

bool CMainFrame::VolumeUp(const tavos::KeyPress&) { return StepVolume(true); }

bool CMainFrame::VolumeDown(const tavos::KeyPress&) { return StepVolume(false); }

// Without a volume control (no sound card, or none on the speakers) nothing changes.
bool CMainFrame::StepVolume(bool up) {
  if (!m_masterVolume.IsVolumeAvailable()) return true;
  const DWORD current = m_masterVolume.GetVolume();
  if (current == kNoVolume) return true;
  const DWORD minimum = m_masterVolume.GetVolumeMinimum();
  const DWORD maximum = m_masterVolume.GetVolumeMaximum();
  const DWORD volume = tavos::VolumeAfterStep(current, minimum, maximum, up);
  m_masterVolume.SetVolume(volume);
  char text[24];
  std::snprintf(text, sizeof text, "Volume %d%%", tavos::VolumePercent(volume, minimum, maximum));
  ShowOsd(text);
  return true;
}

bool CMainFrame::BrightnessUp(const tavos::KeyPress&) { return StepBrightness(true); }

bool CMainFrame::BrightnessDown(const tavos::KeyPress&) { return StepBrightness(false); }

// The stored level as the brightness dialog reads it, stepped the dialog's way.
bool CMainFrame::StepBrightness(bool up) {
  char level[41] = "";
  GetPrivateProfileStringA("BRIGHTNESS", "LEVEL", "", level, sizeof level, m_strSettingsPath);
  const int stepped = tavos::StoreAndSendBrightness(up, level, m_strSettingsPath,
                                                    m_bDirectPortMode != 0, g_hDriver);
  char text[40];
  std::snprintf(text, sizeof text, "Brightness %d/%d", stepped, tavos::kMaxBrightnessLevel);
  ShowOsd(text);
  return true;
}

bool CMainFrame::DoNothing(const tavos::KeyPress&) { return true; }
