// The 8042 keyboard controller.
#include "sim/notebook/keyboard_controller.h"

namespace sim {

namespace {

constexpr uint8_t kReadCommandByte = 0x20;
constexpr uint8_t kWriteCommandByte = 0x60;
constexpr uint8_t kSelfTest = 0xAA;
constexpr uint8_t kInterfaceTest = 0xAB;
constexpr uint8_t kDisableKeyboard = 0xAD;
constexpr uint8_t kEnableKeyboard = 0xAE;
constexpr uint8_t kWriteKeyboardOutput = 0xD2;
constexpr uint8_t kKeyboardAck = 0xFA;

}  // namespace

void KeyboardController::QueueScanCode(uint8_t value) {
  if (keyboardBuffer_.size() >= kKeyboardBufferSize) {
    ++droppedScanCodes_;
    return;
  }
  keyboardBuffer_.push_back(value);
  Deliver();
}

uint8_t KeyboardController::CommandByte() const { return commandByte_; }

bool KeyboardController::KeyboardEnabled() const {
  return (commandByte_ & kCommandByteDisableKeyboard) == 0;
}

const std::vector<uint8_t>& KeyboardController::SentToKeyboard() const { return sentToKeyboard_; }

uint64_t KeyboardController::DroppedScanCodes() const { return droppedScanCodes_; }

uint8_t KeyboardController::ReadByte(uint16_t port) {
  if (port == kDataPort) {
    outputFull_ = false;
    const uint8_t value = output_;
    Deliver();
    return value;
  }
  if (port != kCommandPort) return 0xFF;
  uint8_t status = 0;
  if (outputFull_) status |= kStatusObf;
  if (commandByte_ & kCommandByteSystem) status |= kStatusSystem;
  if (lastWriteWasCommand_) status |= kStatusCommand;
  return status;
}

void KeyboardController::WriteByte(uint16_t port, uint8_t value) {
  if (port == kCommandPort) {
    lastWriteWasCommand_ = true;
    pendingCommand_ = 0;
    switch (value) {
      case kReadCommandByte:
        Reply(commandByte_);
        break;
      case kWriteCommandByte:
      case kWriteKeyboardOutput:
        pendingCommand_ = value;
        break;
      case kSelfTest:
        Reply(0x55);
        break;
      case kInterfaceTest:
        Reply(0x00);
        break;
      case kDisableKeyboard:
        commandByte_ |= kCommandByteDisableKeyboard;
        break;
      case kEnableKeyboard:
        commandByte_ &= static_cast<uint8_t>(~kCommandByteDisableKeyboard);
        Deliver();
        break;
      default:
        break;
    }
    return;
  }
  if (port != kDataPort) return;
  lastWriteWasCommand_ = false;
  const uint8_t command = pendingCommand_;
  pendingCommand_ = 0;
  if (command == kWriteCommandByte) {
    commandByte_ = value;
    Deliver();
  } else if (command == kWriteKeyboardOutput) {
    Reply(value);
    outputFromKeyboard_ = true;
  } else {
    sentToKeyboard_.push_back(value);
    QueueScanCode(kKeyboardAck);
  }
}

void KeyboardController::Reply(uint8_t value) {
  if (outputFull_ && outputFromKeyboard_) keyboardBuffer_.push_front(output_);
  output_ = value;
  outputFull_ = true;
  outputFromKeyboard_ = false;
}

void KeyboardController::Deliver() {
  if (outputFull_ || !KeyboardEnabled() || keyboardBuffer_.empty()) return;
  output_ = keyboardBuffer_.front();
  keyboardBuffer_.pop_front();
  outputFull_ = true;
  outputFromKeyboard_ = true;
}

}  // namespace sim
