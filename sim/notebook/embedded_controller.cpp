// The embedded controller's host interface.
#include "sim/notebook/embedded_controller.h"

namespace sim {

bool operator==(const EcTransaction& a, const EcTransaction& b) {
  return a.hasCommand == b.hasCommand && a.command == b.command && a.hasData == b.hasData &&
         a.data == b.data;
}

bool operator!=(const EcTransaction& a, const EcTransaction& b) { return !(a == b); }

void EmbeddedController::SetReady() {
  mode_ = Mode::Ready;
  busyReadsLeft_ = 0;
}

void EmbeddedController::SetBusy(int n) {
  mode_ = Mode::Busy;
  busyReads_ = n < 0 ? 0 : n;
  busyReadsLeft_ = 0;
}

void EmbeddedController::SetStuck() {
  mode_ = Mode::Stuck;
  busyReadsLeft_ = 0;
}

void EmbeddedController::QueueOutput(uint8_t value) {
  output_ = value;
  outputFull_ = true;
}

const std::vector<EcTransaction>& EmbeddedController::Transactions() const { return transactions_; }

void EmbeddedController::ClearTransactions() { transactions_.clear(); }

uint64_t EmbeddedController::LostBytes() const { return lostBytes_; }

uint64_t EmbeddedController::StatusReads() const { return statusReads_; }

bool EmbeddedController::InputFull() const { return mode_ == Mode::Stuck || busyReadsLeft_ > 0; }

uint8_t EmbeddedController::ReadByte(uint16_t port) {
  if (port == kDataPort) {
    outputFull_ = outputRefill_;
    return output_;
  }
  if (port != kCommandPort) return 0xFF;
  ++statusReads_;
  uint8_t status = 0;
  if (outputFull_) status |= kStatusObf;
  if (InputFull()) status |= kStatusIbf;
  if (lastWasCommand_) status |= kStatusCmd;
  // The controller works through the byte while the host polls.
  if (busyReadsLeft_ > 0) --busyReadsLeft_;
  return status;
}

void EmbeddedController::WriteByte(uint16_t port, uint8_t value) {
  if (port != kDataPort && port != kCommandPort) return;
  if (InputFull()) {
    ++lostBytes_;
    return;
  }
  Accept(port, value);
  if (mode_ == Mode::Busy) busyReadsLeft_ = busyReads_;
}

void EmbeddedController::Accept(uint16_t port, uint8_t value) {
  Record(port, value);
  if (acceptListener_) acceptListener_();
}

void EmbeddedController::Record(uint16_t port, uint8_t value) {
  lastWasCommand_ = port == kCommandPort;
  if (lastWasCommand_) {
    transactions_.push_back({true, value, false, 0});
    return;
  }
  if (!transactions_.empty() && transactions_.back().hasCommand && !transactions_.back().hasData) {
    transactions_.back().hasData = true;
    transactions_.back().data = value;
    return;
  }
  transactions_.push_back({false, 0, true, value});
}

}  // namespace sim
