// The PC's sound card as the multimedia mixer shows it: one mixer device serving the one
// wave-output device, its destination lines with their controls and values, and the mixer
// and wave-out handles that programs hold on it (counted per process, closed when it ends).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace winsim {

struct MixerControl {
  DWORD id;
  DWORD type;   // MIXERCONTROL_CONTROLTYPE_*
  DWORD flags;  // MIXERCONTROL_CONTROLF_*
  DWORD items;  // cMultipleItems of a MULTIPLE control, else 0
  std::string shortName;
  std::string name;
  DWORD minimum;
  DWORD maximum;
  DWORD steps;
  // Channel by channel (one channel when uniform), each with max(1, items) values.
  std::vector<DWORD> values;
  bool Uniform() const { return (flags & MIXERCONTROL_CONTROLF_UNIFORM) != 0; }
  DWORD ItemCount() const { return (flags & MIXERCONTROL_CONTROLF_MULTIPLE) ? items : 0; }
};

struct MixerLine {
  DWORD id;
  DWORD destination;    // index among the destinations
  DWORD componentType;  // MIXERLINE_COMPONENTTYPE_*
  DWORD targetType;     // MIXERLINE_TARGETTYPE_*
  DWORD channels;
  std::string shortName;
  std::string name;
  std::vector<MixerControl> controls;
};

class SoundCard {
 public:
  // The standard card: speakers (two-channel volume, uniform mute) and a recording line
  // choosing its source with a MUX.
  SoundCard();

  // Without a card there are no mixer and no wave-output devices.
  bool present = true;
  std::string name = "SoundMAX Digital Audio";
  std::vector<MixerLine> lines;

  MixerLine* FindLine(DWORD id);
  // The control and, in *line, the line that has it; null when no line has it.
  MixerControl* FindControl(DWORD id, MixerLine** line = nullptr);
  // A control with a value for each channel and item of its line, all `value`.
  static MixerControl MakeControl(DWORD id, DWORD type, DWORD flags, DWORD items, const std::string& name,
                                  DWORD lineChannels, DWORD value);

  // ---- handles
  enum class Kind { Mixer, WaveOut };
  struct Open {
    Kind kind;
    uint32_t pid;
    HWND callback;  // CALLBACK_WINDOW of a mixer handle, else null
  };
  uintptr_t Add(Kind kind, uint32_t pid, HWND callback);
  // The handle when `pid` holds it open with that kind, else null.
  const Open* Find(uintptr_t handle, Kind kind, uint32_t pid) const;
  bool Close(uintptr_t handle);
  size_t OpenCount(uint32_t pid) const;
  void CloseAllOf(uint32_t pid);
  // The open mixer handles and their callback windows, for change notifications.
  std::vector<std::pair<uintptr_t, HWND>> MixerCallbacks() const;

 private:
  std::map<uintptr_t, Open> open_;
  uintptr_t next_ = 0x2000;
};

}  // namespace winsim
