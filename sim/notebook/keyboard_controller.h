// The 8042 keyboard controller behind ports 0x60 (data) and 0x64 (status/command).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "sim/notebook/port_bus.h"

namespace sim {

// Status: 0x01 OBF, 0x02 IBF (always clear: every byte is taken at once), 0x04 system flag
// (bit 2 of the command byte, set at power-on), 0x08 last write was to the command port.
// Commands: 0x20 read command byte, 0x60 write command byte, 0xAA self-test (0x55), 0xAB
// interface test (0x00), 0xAD/0xAE disable/enable the keyboard (command byte bit 4), 0xD2 next
// data byte appears as if from the keyboard. Other commands are ignored. A data byte with no
// command waiting goes to the keyboard, which answers 0xFA.
//
// Bytes from the keyboard wait in the keyboard's own 16-byte buffer while the output buffer is
// full or the keyboard is disabled; more than that are dropped and counted. The controller's own
// replies go straight to the output buffer, pushing an unread keyboard byte back in line.
class KeyboardController : public PortDevice {
 public:
  static constexpr uint16_t kDataPort = 0x60;
  static constexpr uint16_t kCommandPort = 0x64;
  static constexpr uint8_t kStatusObf = 0x01;
  static constexpr uint8_t kStatusIbf = 0x02;
  static constexpr uint8_t kStatusSystem = 0x04;
  static constexpr uint8_t kStatusCommand = 0x08;
  static constexpr uint8_t kCommandByteSystem = 0x04;
  static constexpr uint8_t kCommandByteDisableKeyboard = 0x10;
  static constexpr uint8_t kPowerOnCommandByte = 0x45;  // IRQ1 on, system flag, translation
  static constexpr std::size_t kKeyboardBufferSize = 16;

  // A byte sent by the keyboard (a scan code).
  void QueueScanCode(uint8_t value);

  uint8_t CommandByte() const;
  bool KeyboardEnabled() const;
  const std::vector<uint8_t>& SentToKeyboard() const;  // data bytes passed to the keyboard
  uint64_t DroppedScanCodes() const;

  uint8_t ReadByte(uint16_t port) override;
  void WriteByte(uint16_t port, uint8_t value) override;

 private:
  void Reply(uint8_t value);  // a controller reply into the output buffer
  void Deliver();             // moves waiting keyboard bytes to an empty output buffer

  uint8_t commandByte_ = kPowerOnCommandByte;
  uint8_t pendingCommand_ = 0;  // 0x60 or 0xD2 waiting for its data byte, else 0
  bool outputFull_ = false;
  bool outputFromKeyboard_ = false;
  uint8_t output_ = 0x00;
  bool lastWriteWasCommand_ = false;
  std::deque<uint8_t> keyboardBuffer_;
  std::vector<uint8_t> sentToKeyboard_;
  uint64_t droppedScanCodes_ = 0;
};

}  // namespace sim
