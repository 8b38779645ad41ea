// The notebook's ACPI-style embedded controller as the host sees it through ports 0x62/0x66.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

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
  void SetStuck();      // IBF always set; nothing is accepted

  // Puts a byte in the output buffer and sets OBF, replacing any byte not yet read.
  void QueueOutput(uint8_t value);
  // A controller with events pending: each read of the data port refills the output buffer at
  // once, so OBF never clears.
  void SetOutputRefill(bool on) { outputRefill_ = on; }

  const std::vector<EcTransaction>& Transactions() const;
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
  int busyReads_ = 0;      // status reads per accepted byte in Busy mode
  int busyReadsLeft_ = 0;  // status reads that will still show IBF
  bool outputFull_ = false;
  bool outputRefill_ = false;
  uint8_t output_ = 0x00;
  bool lastWasCommand_ = false;
  uint64_t lostBytes_ = 0;
  uint64_t statusReads_ = 0;
  std::vector<EcTransaction> transactions_;
  std::function<void()> acceptListener_;
};

}  // namespace sim
