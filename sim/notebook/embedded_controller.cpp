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

void EmbeddedController::SetBusy(int n) { SetBusy(n, n); }

void EmbeddedController::SetBusy(int afterCommand, int afterData) {
  mode_ = Mode::Busy;
  busyAfterCommand_ = afterCommand < 0 ? 0 : afterCommand;
  busyAfterData_ = afterData < 0 ? 0 : afterData;
  busyReadsLeft_ = 0;
}

void EmbeddedController::SetStuck() {
  mode_ = Mode::Stuck;
  busyReadsLeft_ = 0;
}

void EmbeddedController::QueueOutput(uint8_t value) {
  if (!outputFull_) {
    output_ = value;
    outputFull_ = true;
  } else if (pending_.size() < kMaxPendingOutput) {
    pending_.push_back(value);
  }
}

const std::vector<EcTransaction>& EmbeddedController::Transactions() const {
  return transactions_.Entries();
}

void EmbeddedController::ClearTransactions() { transactions_.Clear(); }

uint64_t EmbeddedController::LostBytes() const { return lostBytes_; }

uint64_t EmbeddedController::StatusReads() const { return statusReads_; }

bool EmbeddedController::InputFull() const { return mode_ == Mode::Stuck || busyReadsLeft_ > 0; }

uint8_t EmbeddedController::ReadByte(uint16_t port) {
  if (port == kDataPort) {
    uint8_t value = output_;
    outputFull_ = false;
    if (!pending_.empty()) {
      output_ = pending_.front();
      pending_.pop_front();
      outputFull_ = true;
    }
    return value;
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
  if (mode_ == Mode::Busy)
    busyReadsLeft_ = port == kCommandPort ? busyAfterCommand_ : busyAfterData_;
}

void EmbeddedController::Accept(uint16_t port, uint8_t value) {
  Record(port, value);
  if (acceptListener_) acceptListener_();
}

void EmbeddedController::Record(uint16_t port, uint8_t value) {
  lastWasCommand_ = port == kCommandPort;
  if (lastWasCommand_) {
    transactions_.Add({true, value, false, 0});
    return;
  }
  if (!transactions_.Entries().empty() && transactions_.Last().hasCommand &&
      !transactions_.Last().hasData) {
    transactions_.Last().hasData = true;
    transactions_.Last().data = value;
    return;
  }
  transactions_.Add({false, 0, true, value});
}

}  // namespace sim
