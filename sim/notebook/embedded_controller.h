// The notebook's ACPI-style embedded controller as the host sees it through ports 0x62/0x66.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "sim/notebook/bounded_log.h"
#include "sim/notebook/port_bus.h"

namespace sim {

// One exchange the controller accepted: a command byte, its data byte, or both.
struct EcTransaction {
  bool hasCommand;
  uint8_t command;
  bool hasData;
  uint8_t data;
};

bool operator==(const EcTransaction& a, const EcTransaction& b);
bool operator!=(const EcTransaction& a, const EcTransaction& b);

// The host side of the controller's handshake. It does not interpret commands: it only records
// what it accepted, and hands out the bytes a test queues. Its pace is set by a mode so that
// drivers can be tested against a controller that is ready, slow, or hung.
//
// Status (port 0x66): 0x01 OBF, 0x02 IBF, 0x08 CMD (the last accepted byte was a command).
class EmbeddedController : public PortDevice {
 public:
  static constexpr uint16_t kDataPort = 0x62;
  static constexpr uint16_t kCommandPort = 0x66;
  static constexpr uint8_t kStatusObf = 0x01;
  static constexpr uint8_t kStatusIbf = 0x02;
  static constexpr uint8_t kStatusCmd = 0x08;

  // Mode changes take effect at once and drop any busy time left from an earlier byte.
  void SetReady();      // a written byte is taken at once (default)
  void SetBusy(int n);  // after each accepted byte IBF shows for the next n status reads; n<0 is 0
  // Per-byte timing: the firmware may take longer over a command than over its data, or the
  // other way round. IBF shows for `afterCommand` reads after a command byte and for
  // `afterData` reads after a data byte; negative counts are 0.
  void SetBusy(int afterCommand, int afterData);
  void SetStuck();      // IBF always set; nothing is accepted

  // Queues a byte for the host. The output buffer holds one byte; like the real controller,
  // the firmware moves the next pending byte in (and sets OBF again) as soon as the host has
  // read the previous one, so a single drain of the data port need not leave OBF clear.
  // At most kMaxPendingOutput bytes wait behind the buffer; further ones are dropped.
  static constexpr size_t kMaxPendingOutput = 16;
  void QueueOutput(uint8_t value);
  size_t PendingOutput() const { return pending_.size() + (outputFull_ ? 1 : 0); }

  // The newest accepted exchanges (see BoundedLog); transaction number n of the whole run is
  // Transactions()[n - TransactionsDropped()].
  const std::vector<EcTransaction>& Transactions() const;
  uint64_t TransactionsDropped() const { return transactions_.Dropped(); }
  // Called after every accepted byte, so observers can report traffic as it happens.
  void SetAcceptListener(std::function<void()> listener) { acceptListener_ = std::move(listener); }
  void ClearTransactions();
  uint64_t LostBytes() const;    // bytes written while IBF was set
  uint64_t StatusReads() const;  // reads of port 0x66

  uint8_t ReadByte(uint16_t port) override;
  void WriteByte(uint16_t port, uint8_t value) override;

 private:
  enum class Mode { Ready, Busy, Stuck };

  bool InputFull() const;
  void Accept(uint16_t port, uint8_t value);
  void Record(uint16_t port, uint8_t value);

  Mode mode_ = Mode::Ready;
  int busyAfterCommand_ = 0;  // status reads per accepted command byte in Busy mode
  int busyAfterData_ = 0;     // and per accepted data byte
  int busyReadsLeft_ = 0;  // status reads that will still show IBF
  bool outputFull_ = false;
  uint8_t output_ = 0x00;
  std::deque<uint8_t> pending_;  // bytes waiting behind the output buffer
  bool lastWasCommand_ = false;
  uint64_t lostBytes_ = 0;
  uint64_t statusReads_ = 0;
  BoundedLog<EcTransaction> transactions_;
  std::function<void()> acceptListener_;
};

}  // namespace sim
