// The standard sound card and the bookkeeping of handles on it.
#include "sim/winsim/sound_card.h"

#include <algorithm>

namespace winsim {

namespace {
constexpr DWORD kFullVolume = 0xFFFF;
}

SoundCard::SoundCard() {
  MixerLine speakers{0xFFFF0000, 0, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, MIXERLINE_TARGETTYPE_WAVEOUT,
                     2, "Volume Control", "Volume Control", {}};
  MixerControl volume = MakeControl(1, MIXERCONTROL_CONTROLTYPE_VOLUME, 0, 0, "Master Volume", 2, 0xC000);
  volume.maximum = kFullVolume;
  volume.steps = kFullVolume;
  speakers.controls.push_back(volume);
  speakers.controls.push_back(
      MakeControl(2, MIXERCONTROL_CONTROLTYPE_MUTE, MIXERCONTROL_CONTROLF_UNIFORM, 0, "Master Mute", 2, 0));
  lines.push_back(speakers);

  MixerLine recording{0xFFFF0001, 1, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, MIXERLINE_TARGETTYPE_WAVEIN,
                      2, "Recording Control", "Recording Control", {}};
  MixerControl source = MakeControl(3, MIXERCONTROL_CONTROLTYPE_MUX,
                                    MIXERCONTROL_CONTROLF_UNIFORM | MIXERCONTROL_CONTROLF_MULTIPLE, 2,
                                    "Recording Source", 2, 0);
  source.values[0] = 1;  // the microphone
  recording.controls.push_back(source);
  lines.push_back(recording);
}

MixerControl SoundCard::MakeControl(DWORD id, DWORD type, DWORD flags, DWORD items, const std::string& name,
                                    DWORD lineChannels, DWORD value) {
  MixerControl control{id, type, flags, items, name.substr(0, MIXER_SHORT_NAME_CHARS - 1), name, 0, 1, 0, {}};
  if (type == MIXERCONTROL_CONTROLTYPE_MUTE) control.steps = 0;
  DWORD channels = control.Uniform() ? 1 : lineChannels;
  control.values.assign(size_t(channels) * std::max<DWORD>(1, control.ItemCount()), value);
  return control;
}

MixerLine* SoundCard::FindLine(DWORD id) {
  for (MixerLine& line : lines)
    if (line.id == id) return &line;
  return nullptr;
}

MixerControl* SoundCard::FindControl(DWORD id, MixerLine** owner) {
  for (MixerLine& line : lines) {
    for (MixerControl& control : line.controls) {
      if (control.id != id) continue;
      if (owner != nullptr) *owner = &line;
      return &control;
    }
  }
  return nullptr;
}

uintptr_t SoundCard::Add(Kind kind, uint32_t pid, HWND callback) {
  uintptr_t handle = next_;
  next_ += 0x10;
  open_[handle] = Open{kind, pid, callback};
  return handle;
}

const SoundCard::Open* SoundCard::Find(uintptr_t handle, Kind kind, uint32_t pid) const {
  auto found = open_.find(handle);
  if (found == open_.end() || found->second.kind != kind || found->second.pid != pid) return nullptr;
  return &found->second;
}

bool SoundCard::Close(uintptr_t handle) { return open_.erase(handle) > 0; }

size_t SoundCard::OpenCount(uint32_t pid) const {
  return size_t(std::count_if(open_.begin(), open_.end(),
                              [pid](const auto& entry) { return entry.second.pid == pid; }));
}

void SoundCard::CloseAllOf(uint32_t pid) {
  for (auto it = open_.begin(); it != open_.end();) it = it->second.pid == pid ? open_.erase(it) : std::next(it);
}

std::vector<std::pair<uintptr_t, HWND>> SoundCard::MixerCallbacks() const {
  std::vector<std::pair<uintptr_t, HWND>> callbacks;
  for (const auto& [handle, open] : open_)
    if (open.kind == Kind::Mixer && open.callback != nullptr) callbacks.emplace_back(handle, open.callback);
  return callbacks;
}

}  // namespace winsim
