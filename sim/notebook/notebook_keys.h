// The bits the notebook's latches set for each hot key and media button.
#pragma once

#include <cstdint>

namespace sim {

// Hot-key latch (port 0x040E).
constexpr uint8_t kHotKeyInternet = 0x01;
constexpr uint8_t kHotKeyEmail = 0x02;
constexpr uint8_t kHotKeyUser = 0x04;
constexpr uint8_t kHotKeySearch = 0x08;
constexpr uint8_t kHotKeyVideoRecorder = 0x10;
constexpr uint8_t kHotKeyMp3 = 0x20;

// Media-button latch (port 0x0C12).
constexpr uint8_t kMediaRecord = 0x01;
constexpr uint8_t kMediaEnter = 0x02;
constexpr uint8_t kMediaNext = 0x04;
constexpr uint8_t kMediaPrev = 0x08;
constexpr uint8_t kMediaStop = 0x10;

}  // namespace sim
