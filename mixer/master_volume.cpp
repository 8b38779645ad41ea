// The master volume through winmm: find the mixer behind the default wave output, its
// speaker line and that line's volume control; switch the line's mute and list controls.
#include "mixer/master_volume.h"

#include <cstring>
#include <new>

PROCESS_WIDE CMasterVolume* g_pMasterVolume;

namespace {

constexpr char kClassName[] = "Master Output Volume Msg Wnd Class";
constexpr char kWindowTitle[] = "Master Output Volume Msg Wnd";
constexpr DWORD kNone = 0xFFFFFFFF;
// A driver reporting more channels and items than any sound card has is not believed: the
// control is skipped rather than a huge array allocated.
constexpr DWORD kMaxDetailValues = 4096;

// The value a control gets to switch the line on or off; false for controls left alone.
bool SwitchValue(DWORD controlType, bool on, DWORD* value) {
  switch (controlType) {
    case MIXERCONTROL_CONTROLTYPE_MUTE:
      *value = on ? 0 : 1;
      return true;
    case MIXERCONTROL_CONTROLTYPE_SINGLESELECT:
    case MIXERCONTROL_CONTROLTYPE_MUX:
    case MIXERCONTROL_CONTROLTYPE_MULTIPLESELECT:
    case MIXERCONTROL_CONTROLTYPE_MIXER:
      *value = on ? 1 : 0;
      return true;
    default:
      return false;
  }
}

MIXERCONTROLDETAILS Details(DWORD controlId, DWORD channels, DWORD items, MIXERCONTROLDETAILS_UNSIGNED* values) {
  MIXERCONTROLDETAILS details{};
  details.cbStruct = sizeof details;
  details.dwControlID = controlId;
  details.cChannels = channels;
  details.cMultipleItems = items;
  details.cbDetails = sizeof(MIXERCONTROLDETAILS_UNSIGNED);
  details.paDetails = values;
  return details;
}

}  // namespace

CMasterVolume::CMasterVolume()
    : m_bMixerOpen(false),
      m_bControlsReady(false),
      m_bVolumeAvailable(false),
      m_uMixerId(0),
      m_hMixer(nullptr),
      m_dwLineId(0),
      m_dwVolumeControlId(0),
      m_cChannels(0),
      m_hMsgWnd(nullptr),
      m_dwMinimum(kNone),
      m_dwMaximum(kNone),
      m_cSteps(0),
      m_pfnChangeCallback(nullptr),
      m_dwCallbackUser(0) {
  m_bMixerOpen = OpenMixer();
  if (!m_bMixerOpen) return;
  g_pMasterVolume = this;
  if (!InitControls()) {
    CloseMixer();
    g_pMasterVolume = nullptr;
  }
}

CMasterVolume::~CMasterVolume() {
  if (m_bMixerOpen) CloseMixer();
  g_pMasterVolume = nullptr;
}

bool CMasterVolume::OpenMixer() {
  if (mixerGetNumDevs() == 0) return false;
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 1;
  format.nSamplesPerSec = 22050;
  format.nAvgBytesPerSec = 44100;
  format.nBlockAlign = 2;
  format.wBitsPerSample = 16;
  format.cbSize = 0;
  HWAVEOUT waveOut = nullptr;
  if (waveOutOpen(&waveOut, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) return false;
  MMRESULT idResult = mixerGetID(reinterpret_cast<HMIXEROBJ>(waveOut), &m_uMixerId, MIXER_OBJECTF_HWAVEOUT);
  waveOutClose(waveOut);
  if (idResult != MMSYSERR_NOERROR) return false;

  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = MessageWindowProc;
  windowClass.lpszClassName = kClassName;
  RegisterClassExA(&windowClass);  // a class left by an earlier instance serves as well
  m_hMsgWnd = CreateWindowExA(0, kClassName, kWindowTitle, WS_POPUP | WS_DISABLED, 0, 0, 0, 0, nullptr,
                              nullptr, nullptr, nullptr);
  if (m_hMsgWnd == nullptr) return false;
  ShowWindow(m_hMsgWnd, SW_HIDE);
  if (mixerOpen(&m_hMixer, m_uMixerId, reinterpret_cast<DWORD_PTR>(m_hMsgWnd), 0, CALLBACK_WINDOW) !=
      MMSYSERR_NOERROR) {
    DestroyWindow(m_hMsgWnd);
    m_hMsgWnd = nullptr;
    return false;
  }
  return true;
}

void CMasterVolume::CloseMixer() {
  mixerClose(m_hMixer);
  DestroyWindow(m_hMsgWnd);
  m_hMixer = nullptr;
  m_hMsgWnd = nullptr;
  m_bControlsReady = false;
  m_bMixerOpen = false;
}

bool CMasterVolume::InitControls() {
  if (!m_bMixerOpen) return false;
  MIXERLINEA line{};
  line.cbStruct = sizeof line;
  line.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
  if (mixerGetLineInfoA(MixerObject(), &line, MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR)
    return false;

  MIXERCONTROLA control{};
  MIXERLINECONTROLSA query{};
  query.cbStruct = sizeof query;
  query.dwLineID = line.dwLineID;
  query.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
  query.cControls = 1;
  query.cbmxctrl = sizeof control;
  query.pamxctrl = &control;
  if (mixerGetLineControlsA(MixerObject(), &query, MIXER_GETLINECONTROLSF_ONEBYTYPE) == MMSYSERR_NOERROR &&
      !(control.fdwControl & MIXERCONTROL_CONTROLF_DISABLED))
    m_bVolumeAvailable = true;
  // Without a volume control the record stays zero: mute switching still works.
  m_cChannels = line.cChannels;
  m_dwLineId = line.dwLineID;
  m_dwVolumeControlId = control.dwControlID;
  m_dwMinimum = control.Bounds.dwMinimum;
  m_dwMaximum = control.Bounds.dwMaximum;
  m_cSteps = control.Metrics.cSteps;
  m_bControlsReady = true;
  return true;
}

void CMasterVolume::ApplyLineSwitches(bool on) {
  if (!m_bControlsReady) return;
  MIXERLINEA line{};
  line.cbStruct = sizeof line;
  line.dwLineID = m_dwLineId;
  if (mixerGetLineInfoA(MixerObject(), &line, MIXER_GETLINEINFOF_LINEID) != MMSYSERR_NOERROR) return;

  MIXERCONTROLA* controls = new (std::nothrow) MIXERCONTROLA[line.cControls];
  if (controls == nullptr) return;
  for (DWORD i = 0; i < line.cControls; ++i) {
    std::memset(&controls[i], 0, sizeof controls[i]);
    controls[i].cbStruct = sizeof controls[i];
  }
  MIXERLINECONTROLSA query{};
  query.cbStruct = sizeof query;
  query.dwLineID = m_dwLineId;
  query.cControls = line.cControls;
  query.cbmxctrl = sizeof(MIXERCONTROLA);
  query.pamxctrl = controls;
  if (mixerGetLineControlsA(MixerObject(), &query, MIXER_GETLINECONTROLSF_ALL) != MMSYSERR_NOERROR) {
    delete[] controls;
    return;
  }
  for (DWORD i = 0; i < line.cControls; ++i) {
    const MIXERCONTROLA& control = controls[i];
    DWORD value = 0;
    if (!SwitchValue(control.dwControlType, on, &value)) continue;
    DWORD channels = (control.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : line.cChannels;
    bool multiple = (control.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) != 0;
    DWORD items = multiple ? control.cMultipleItems : 0;
    DWORD perChannel = multiple ? items : 1;
    if (channels == 0 || perChannel == 0 || channels > kMaxDetailValues / perChannel) continue;
    DWORD count = channels * perChannel;
    auto* values = new (std::nothrow) MIXERCONTROLDETAILS_UNSIGNED[count];
    if (values == nullptr) continue;
    for (DWORD v = 0; v < count; ++v) values[v].dwValue = value;
    MIXERCONTROLDETAILS details = Details(control.dwControlID, channels, items, values);
    mixerSetControlDetails(MixerObject(), &details, MIXER_SETCONTROLDETAILSF_VALUE);  // errors ignored
    delete[] values;
  }
  delete[] controls;
}

bool CMasterVolume::IsVolumeAvailable() { return m_bVolumeAvailable; }

void CMasterVolume::SoundOn() { ApplyLineSwitches(true); }

void CMasterVolume::SoundOff() { ApplyLineSwitches(false); }

DWORD CMasterVolume::GetVolumeSteps() { return m_bVolumeAvailable ? m_cSteps : kNone; }

DWORD CMasterVolume::GetVolumeMinimum() { return m_bVolumeAvailable ? m_dwMinimum : kNone; }

DWORD CMasterVolume::GetVolumeMaximum() { return m_bVolumeAvailable ? m_dwMaximum : kNone; }

DWORD CMasterVolume::GetVolume() {
  if (!m_bVolumeAvailable || m_cChannels == 0 || m_cChannels > kMaxDetailValues) return kNone;
  auto* values = new (std::nothrow) MIXERCONTROLDETAILS_UNSIGNED[m_cChannels];
  if (values == nullptr) return kNone;
  MIXERCONTROLDETAILS details = Details(m_dwVolumeControlId, m_cChannels, 0, values);
  MMRESULT result = mixerGetControlDetailsA(MixerObject(), &details, MIXER_GETCONTROLDETAILSF_VALUE);
  DWORD volume = values[0].dwValue;
  delete[] values;
  return result == MMSYSERR_NOERROR ? volume : kNone;
}

void CMasterVolume::SetVolume(DWORD value) {
  if (!m_bVolumeAvailable || value < m_dwMinimum || value > m_dwMaximum) return;
  if (m_cChannels == 0 || m_cChannels > kMaxDetailValues) return;
  auto* values = new (std::nothrow) MIXERCONTROLDETAILS_UNSIGNED[m_cChannels];
  if (values == nullptr) return;
  for (DWORD i = 0; i < m_cChannels; ++i) values[i].dwValue = value;
  MIXERCONTROLDETAILS details = Details(m_dwVolumeControlId, m_cChannels, 0, values);
  mixerSetControlDetails(MixerObject(), &details, MIXER_SETCONTROLDETAILSF_VALUE);
  delete[] values;
}

int CMasterVolume::GetMute() {
  if (!m_bControlsReady) return -1;
  MIXERCONTROLA control{};
  MIXERLINECONTROLSA query{};
  query.cbStruct = sizeof query;
  query.dwLineID = m_dwLineId;
  query.dwControlType = MIXERCONTROL_CONTROLTYPE_MUTE;
  query.cControls = 1;
  query.cbmxctrl = sizeof control;
  query.pamxctrl = &control;
  if (mixerGetLineControlsA(MixerObject(), &query, MIXER_GETLINECONTROLSF_ONEBYTYPE) !=
      MMSYSERR_NOERROR)
    return -1;
  // One channel asked for gives the first channel's value, uniform control or not.
  MIXERCONTROLDETAILS_UNSIGNED value{};
  MIXERCONTROLDETAILS details = Details(control.dwControlID, 1, 0, &value);
  if (mixerGetControlDetailsA(MixerObject(), &details, MIXER_GETCONTROLDETAILSF_VALUE) !=
      MMSYSERR_NOERROR)
    return -1;
  return value.dwValue != 0 ? 1 : 0;
}

void CMasterVolume::SetChangeCallback(ChangeCallback callback, DWORD userValue) {
  m_pfnChangeCallback = callback;
  m_dwCallbackUser = userValue;
}

void CMasterVolume::OnControlChange(DWORD controlId) {
  if (controlId != m_dwVolumeControlId) return;
  DWORD volume = GetVolume();
  if (volume != kNone && m_pfnChangeCallback != nullptr) m_pfnChangeCallback(volume, m_dwCallbackUser);
}

LRESULT CALLBACK CMasterVolume::MessageWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == MM_MIXM_CONTROL_CHANGE && g_pMasterVolume != nullptr)
    g_pMasterVolume->OnControlChange(DWORD(lParam));
  return DefWindowProcA(hwnd, message, wParam, lParam);
}
