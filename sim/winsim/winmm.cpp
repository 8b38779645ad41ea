// winmm's wave-output opening and mixer functions over the PC's sound card. Records must
// carry their exact sizes, handles belong to the process that opened them, and a change of
// a control's value is reported to every window a mixer handle names, and to the timeline.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32.h"
#include "sim/winsim/sound_card.h"
#include "sim/winsim/windows_pc.h"

using winsim::MixerControl;
using winsim::MixerLine;
using winsim::SoundCard;
using winsim::WindowsPc;

namespace {

constexpr UINT kMixerId = 0;  // the card's one mixer, serving wave-out device 0

SoundCard& Card() { return WindowsPc::Current().Sound(); }
uint32_t Caller() { return WindowsPc::Current().CurrentPid(); }

template <class Handle>
uintptr_t Value(Handle handle) {
  return reinterpret_cast<uintptr_t>(handle);
}

// The mixer a mixer object names, as winmm resolves it: a mixer id or an open mixer handle
// (which winmm also takes where an id is asked for), a wave-out id or an open wave-out handle.
MMRESULT ResolveMixer(HMIXEROBJ object, DWORD flags) {
  SoundCard& card = Card();
  uintptr_t value = Value(object);
  switch (flags & MIXER_OBJECTF_TYPEMASK) {
    case MIXER_OBJECTF_MIXER:
      if (card.present && value == kMixerId) return MMSYSERR_NOERROR;
      return card.Find(value, SoundCard::Kind::Mixer, Caller()) ? MMSYSERR_NOERROR : MMSYSERR_BADDEVICEID;
    case MIXER_OBJECTF_HMIXER:
      return card.Find(value, SoundCard::Kind::Mixer, Caller()) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
    case MIXER_OBJECTF_WAVEOUT:
      return card.present && (value == 0 || value == WAVE_MAPPER) ? MMSYSERR_NOERROR : MMSYSERR_BADDEVICEID;
    case MIXER_OBJECTF_HWAVEOUT:
      return card.Find(value, SoundCard::Kind::WaveOut, Caller()) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
    default:
      return MMSYSERR_INVALFLAG;
  }
}

void CopyName(char* to, size_t capacity, const std::string& from) {
  std::memset(to, 0, capacity);
  std::strncpy(to, from.c_str(), capacity - 1);
}

void FillLine(const MixerLine& line, LPMIXERLINEA out) {
  out->dwDestination = line.destination;
  out->dwSource = 0;
  out->dwLineID = line.id;
  out->fdwLine = MIXERLINE_LINEF_ACTIVE;
  out->dwUser = 0;
  out->dwComponentType = line.componentType;
  out->cChannels = line.channels;
  out->cConnections = 0;
  out->cControls = DWORD(line.controls.size());
  CopyName(out->szShortName, sizeof out->szShortName, line.shortName);
  CopyName(out->szName, sizeof out->szName, line.name);
  out->Target.dwType = line.targetType;
  out->Target.dwDeviceID = 0;
  out->Target.wMid = 1;
  out->Target.wPid = 1;
  out->Target.vDriverVersion = 0x0500;
  CopyName(out->Target.szPname, sizeof out->Target.szPname, Card().name);
}

void FillControl(const MixerControl& control, LPMIXERCONTROLA out) {
  std::memset(out, 0, sizeof *out);
  out->cbStruct = sizeof *out;
  out->dwControlID = control.id;
  out->dwControlType = control.type;
  out->fdwControl = control.flags;
  out->cMultipleItems = control.ItemCount();
  CopyName(out->szShortName, sizeof out->szShortName, control.shortName);
  CopyName(out->szName, sizeof out->szName, control.name);
  out->Bounds.dwMinimum = control.minimum;
  out->Bounds.dwMaximum = control.maximum;
  out->Metrics.cSteps = control.steps;
}

// The details record's shape checked against the control: the channels are 1 or (for a
// control that is not uniform) the line's count; a MULTIPLE control takes all its items.
MMRESULT CheckDetails(const MIXERCONTROLDETAILS* details, MixerControl** control, MixerLine** line) {
  if (details == nullptr || details->cbStruct != sizeof(MIXERCONTROLDETAILS)) return MMSYSERR_INVALPARAM;
  *control = Card().FindControl(details->dwControlID, line);
  if (*control == nullptr) return MIXERR_INVALCONTROL;
  bool channelsFit = details->cChannels == 1 ||
                     (!(*control)->Uniform() && details->cChannels == (*line)->channels);
  if (!channelsFit || details->cMultipleItems != (*control)->ItemCount() ||
      details->cbDetails != sizeof(MIXERCONTROLDETAILS_UNSIGNED) || details->paDetails == nullptr)
    return MMSYSERR_INVALPARAM;
  return MMSYSERR_NOERROR;
}

// What a details call must pass before it touches values: the mixer object, a query for
// values (others are not simulated) and a details record that fits the control.
MMRESULT CheckDetailsCall(const char* function, HMIXEROBJ object, const MIXERCONTROLDETAILS* details,
                          DWORD flags, MixerControl** control) {
  MMRESULT result = ResolveMixer(object, flags);
  if (result != MMSYSERR_NOERROR) return result;
  // The get and set calls share the value query's number (0).
  if ((flags & MIXER_GETCONTROLDETAILSF_QUERYMASK) != MIXER_GETCONTROLDETAILSF_VALUE) {
    WindowsPc::Current().Stub(std::string(function) + " other than values");
    return MMSYSERR_INVALFLAG;
  }
  MixerLine* line = nullptr;
  return CheckDetails(details, control, &line);
}

void ReportChange(const MixerControl& control) {
  WindowsPc& pc = WindowsPc::Current();
  std::string line = "mixer " + winsim::Quote(control.name);
  for (DWORD value : control.values) line += " " + std::to_string(value);
  pc.Events().Add(line);
  for (const auto& [handle, window] : pc.Sound().MixerCallbacks())
    PostMessageA(window, MM_MIXM_CONTROL_CHANGE, WPARAM(handle), LPARAM(control.id));
}

}  // namespace

MMRESULT WINAPI waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR, DWORD_PTR,
                            DWORD fdwOpen) {
  SoundCard& card = Card();
  if (phwo == nullptr || pwfx == nullptr) return MMSYSERR_INVALPARAM;
  if (!card.present || (uDeviceID != WAVE_MAPPER && uDeviceID != 0)) return MMSYSERR_BADDEVICEID;
  if ((fdwOpen & CALLBACK_TYPEMASK) != CALLBACK_NULL) {
    WindowsPc::Current().Stub("waveOutOpen with a callback");
    return MMSYSERR_INVALFLAG;
  }
  const WAVEFORMATEX& f = *pwfx;
  bool pcm = f.wFormatTag == WAVE_FORMAT_PCM && (f.nChannels == 1 || f.nChannels == 2) &&
             (f.wBitsPerSample == 8 || f.wBitsPerSample == 16) &&
             f.nBlockAlign == f.nChannels * f.wBitsPerSample / 8 && f.nSamplesPerSec >= 8000 &&
             f.nSamplesPerSec <= 48000 && f.nAvgBytesPerSec == f.nSamplesPerSec * f.nBlockAlign;
  if (!pcm) return WAVERR_BADFORMAT;
  *phwo = reinterpret_cast<HWAVEOUT>(card.Add(SoundCard::Kind::WaveOut, Caller(), nullptr));
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutClose(HWAVEOUT hwo) {
  SoundCard& card = Card();
  if (!card.Find(Value(hwo), SoundCard::Kind::WaveOut, Caller())) return MMSYSERR_INVALHANDLE;
  card.Close(Value(hwo));
  return MMSYSERR_NOERROR;
}

UINT WINAPI mixerGetNumDevs(void) { return Card().present ? 1 : 0; }

MMRESULT WINAPI mixerGetID(HMIXEROBJ hmxobj, UINT* puMxId, DWORD fdwId) {
  if (puMxId == nullptr) return MMSYSERR_INVALPARAM;
  MMRESULT result = ResolveMixer(hmxobj, fdwId);
  if (result == MMSYSERR_NOERROR) *puMxId = kMixerId;
  return result;
}

MMRESULT WINAPI mixerOpen(LPHMIXER phmx, UINT uMxId, DWORD_PTR dwCallback, DWORD_PTR, DWORD fdwOpen) {
  SoundCard& card = Card();
  if (phmx == nullptr) return MMSYSERR_INVALPARAM;
  if ((fdwOpen & MIXER_OBJECTF_TYPEMASK) != 0) {
    WindowsPc::Current().Stub("mixerOpen of a mixer object other than an id");
    return MMSYSERR_INVALFLAG;
  }
  if (!card.present || uMxId != kMixerId) return MMSYSERR_BADDEVICEID;
  HWND callback = nullptr;
  switch (fdwOpen & CALLBACK_TYPEMASK) {
    case CALLBACK_NULL:
      break;
    case CALLBACK_WINDOW:
      callback = reinterpret_cast<HWND>(dwCallback);
      if (callback != nullptr && !IsWindow(callback)) return MMSYSERR_INVALPARAM;
      break;
    default:
      WindowsPc::Current().Stub("mixerOpen with a callback other than a window");
      return MMSYSERR_INVALFLAG;
  }
  *phmx = reinterpret_cast<HMIXER>(card.Add(SoundCard::Kind::Mixer, Caller(), callback));
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI mixerClose(HMIXER hmx) {
  SoundCard& card = Card();
  if (!card.Find(Value(hmx), SoundCard::Kind::Mixer, Caller())) return MMSYSERR_INVALHANDLE;
  card.Close(Value(hmx));
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI mixerGetLineInfoA(HMIXEROBJ hmxobj, LPMIXERLINEA pmxl, DWORD fdwInfo) {
  if (pmxl == nullptr || pmxl->cbStruct != sizeof(MIXERLINEA)) return MMSYSERR_INVALPARAM;
  MMRESULT result = ResolveMixer(hmxobj, fdwInfo);
  if (result != MMSYSERR_NOERROR) return result;
  std::vector<MixerLine>& lines = Card().lines;
  const MixerLine* found = nullptr;
  switch (fdwInfo & MIXER_GETLINEINFOF_QUERYMASK) {
    case MIXER_GETLINEINFOF_DESTINATION:
      if (pmxl->dwDestination < lines.size()) found = &lines[pmxl->dwDestination];
      break;
    case MIXER_GETLINEINFOF_SOURCE:
      break;  // the card's lines have no sources
    case MIXER_GETLINEINFOF_LINEID:
      found = Card().FindLine(pmxl->dwLineID);
      break;
    case MIXER_GETLINEINFOF_COMPONENTTYPE:
      for (const MixerLine& line : lines)
        if (found == nullptr && line.componentType == pmxl->dwComponentType) found = &line;
      break;
    case MIXER_GETLINEINFOF_TARGETTYPE:
      for (const MixerLine& line : lines)
        if (found == nullptr && line.targetType == pmxl->Target.dwType) found = &line;
      break;
    default:
      return MMSYSERR_INVALFLAG;
  }
  if (found == nullptr) return MIXERR_INVALLINE;
  FillLine(*found, pmxl);
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI mixerGetLineControlsA(HMIXEROBJ hmxobj, LPMIXERLINECONTROLSA pmxlc, DWORD fdwControls) {
  if (pmxlc == nullptr || pmxlc->cbStruct != sizeof(MIXERLINECONTROLSA) ||
      pmxlc->cbmxctrl != sizeof(MIXERCONTROLA) || pmxlc->pamxctrl == nullptr)
    return MMSYSERR_INVALPARAM;
  MMRESULT result = ResolveMixer(hmxobj, fdwControls);
  if (result != MMSYSERR_NOERROR) return result;
  SoundCard& card = Card();
  switch (fdwControls & MIXER_GETLINECONTROLSF_QUERYMASK) {
    case MIXER_GETLINECONTROLSF_ALL: {
      const MixerLine* line = card.FindLine(pmxlc->dwLineID);
      if (line == nullptr) return MIXERR_INVALLINE;
      if (pmxlc->cControls != line->controls.size() || line->controls.empty()) return MMSYSERR_INVALPARAM;
      for (size_t i = 0; i < line->controls.size(); ++i) FillControl(line->controls[i], &pmxlc->pamxctrl[i]);
      return MMSYSERR_NOERROR;
    }
    case MIXER_GETLINECONTROLSF_ONEBYID: {
      MixerLine* line = nullptr;
      const MixerControl* control = card.FindControl(pmxlc->dwControlID, &line);
      if (control == nullptr) return MIXERR_INVALCONTROL;
      if (pmxlc->cControls != 1) return MMSYSERR_INVALPARAM;
      pmxlc->dwLineID = line->id;
      FillControl(*control, pmxlc->pamxctrl);
      return MMSYSERR_NOERROR;
    }
    case MIXER_GETLINECONTROLSF_ONEBYTYPE: {
      const MixerLine* line = card.FindLine(pmxlc->dwLineID);
      if (line == nullptr) return MIXERR_INVALLINE;
      if (pmxlc->cControls != 1) return MMSYSERR_INVALPARAM;
      for (const MixerControl& control : line->controls) {
        if (control.type != pmxlc->dwControlType) continue;
        FillControl(control, pmxlc->pamxctrl);
        return MMSYSERR_NOERROR;
      }
      return MIXERR_INVALCONTROL;
    }
    default:
      return MMSYSERR_INVALFLAG;
  }
}

MMRESULT WINAPI mixerGetControlDetailsA(HMIXEROBJ hmxobj, LPMIXERCONTROLDETAILS pmxcd, DWORD fdwDetails) {
  MixerControl* control = nullptr;
  MMRESULT result = CheckDetailsCall("mixerGetControlDetailsA", hmxobj, pmxcd, fdwDetails, &control);
  if (result != MMSYSERR_NOERROR) return result;
  size_t items = std::max<DWORD>(1, control->ItemCount());
  auto* out = static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(pmxcd->paDetails);
  // A control read as one channel gives its first channel's values.
  for (size_t channel = 0; channel < pmxcd->cChannels; ++channel) {
    size_t from = control->Uniform() ? 0 : channel;
    for (size_t item = 0; item < items; ++item) out[channel * items + item].dwValue = control->values[from * items + item];
  }
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI mixerSetControlDetails(HMIXEROBJ hmxobj, LPMIXERCONTROLDETAILS pmxcd, DWORD fdwDetails) {
  MixerControl* control = nullptr;
  MMRESULT result = CheckDetailsCall("mixerSetControlDetails", hmxobj, pmxcd, fdwDetails, &control);
  if (result != MMSYSERR_NOERROR) return result;
  size_t items = std::max<DWORD>(1, control->ItemCount());
  const auto* in = static_cast<const MIXERCONTROLDETAILS_UNSIGNED*>(pmxcd->paDetails);
  std::vector<DWORD> values = control->values;
  size_t channels = values.size() / items;
  // One channel given sets them all.
  for (size_t channel = 0; channel < channels; ++channel) {
    size_t from = pmxcd->cChannels == 1 ? 0 : channel;
    for (size_t item = 0; item < items; ++item) {
      DWORD value = in[from * items + item].dwValue;
      if (value < control->minimum || value > control->maximum) return MMSYSERR_INVALPARAM;
      values[channel * items + item] = value;
    }
  }
  if (values == control->values) return MMSYSERR_NOERROR;
  control->values = values;
  ReportChange(*control);
  return MMSYSERR_NOERROR;
}
