// tavos-sim: portio on the simulated notebook. Loads the driver into the simulated kernel,
// presses the Internet key and shows the requests and port traffic that tell the controller
// "On", read the hot-key latch and acknowledge it.
#include <cstdio>
#include <string>
#include <vector>

#include "driver/portio_protocol.h"
#include "sim/kernel/sim_kernel.h"
#include "sim/notebook/notebook.h"

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT, PUNICODE_STRING);

namespace {

class Demo {
 public:
  int Run() {
    NTSTATUS status = kernel_.Io().LoadDriver(DriverEntry);
    std::printf("load portio: 0x%08X; device %s, link \\??\\DRV1 -> %s\n", unsigned(status),
                kernel_.Io().DeviceNames().empty() ? "none" : kernel_.Io().DeviceNames()[0].c_str(),
                kernel_.Io().LinkTarget("\\??\\DRV1").c_str());
    if (!NT_SUCCESS(status)) return 1;
    status = kernel_.Io().Open(portio::kDevicePath, &handle_);
    std::printf("open %s: 0x%08X, handle %u\n", portio::kDevicePath, unsigned(status), handle_);
    if (!NT_SUCCESS(status)) return 1;

    notebook_.Ec().SetBusy(2);
    notebook_.HotKeys().Press(sim::kHotKeyInternet);
    std::printf("\npress internet: latch 0x040E = 0x%02X; controller busy 2 status reads a byte\n",
                notebook_.HotKeys().Value());

    std::printf("\ntell the controller \"On\" (command 0xCF, data 0x81)\n");
    SendEcByte(portio::kEcCommandWrite, 0xCF);
    SendEcByte(portio::kEcDataWrite, 0x81);
    for (const sim::EcTransaction& t : notebook_.Ec().Transactions())
      std::printf("  controller accepted: command 0x%02X data 0x%02X\n", t.command, t.data);

    std::printf("\nread the hot-key latch and acknowledge it\n");
    std::vector<uint8_t> key = Request(portio::kIndexedRead, {0x0E, 0x04}, 1);
    uint8_t status8 = key.empty() || key[0] == 0xFF ? 0 : key[0];
    Request(portio::kWriteBack, {uint8_t(status8 & 0x20)}, 0);
    std::printf("  key status 0x%02X%s; latch now 0x%02X, acknowledged with 0x%02X\n", status8,
                status8 & sim::kHotKeyInternet ? " (Internet key)" : "",
                notebook_.HotKeys().Value(), notebook_.HotKeys().Acknowledgements().back());

    kernel_.Io().Close(handle_);
    kernel_.Io().UnloadDriver();
    std::printf("\nclose and unload: %zu pool blocks left, %zu kernel faults\n",
                kernel_.Pool().OutstandingBlocks(), kernel_.Faults().All().size());
    for (const std::string& fault : kernel_.Faults().All()) std::printf("  %s\n", fault.c_str());
    return kernel_.Faults().Any() ? 1 : 0;
  }

 private:
  // The handshake: wait until the controller's input buffer is empty, then write.
  void SendEcByte(uint32_t code, uint8_t value) {
    for (int reads = 0; reads < 801; ++reads) {
      std::vector<uint8_t> status = Request(portio::kEcStatusRead, {}, 1);
      if (!status.empty() && !(status[0] & 0x02)) break;
    }
    Request(code, {value, 0, 0, 0}, 0);
  }

  std::vector<uint8_t> Request(uint32_t code, std::vector<uint8_t> input, uint32_t outputLength) {
    std::vector<uint8_t> output(outputLength);
    ULONG returned = 0;
    kernel_.ClearPortLog();
    NTSTATUS status = kernel_.Io().DeviceControl(handle_, code, input.data(), ULONG(input.size()),
                                                 output.data(), outputLength, &returned);
    output.resize(returned);
    std::string ports;
    char text[48];
    for (const sim::HalPortAccess& entry : kernel_.PortLog()) {
      bool in = entry.access.direction == sim::PortDirection::In;
      std::snprintf(text, sizeof text, " %s%d 0x%04X %s 0x%02X", in ? "in" : "out",
                    int(entry.access.width) * 8, entry.access.port, in ? "->" : "<-",
                    entry.access.value);
      ports += text;
    }
    std::printf("  request 0x%06X in %zu out %u -> 0x%08X, %u byte(s);%s\n", code, input.size(),
                outputLength, unsigned(status), returned, ports.c_str());
    return output;
  }

  sim::Notebook notebook_;
  sim::SimKernel kernel_{notebook_.Bus()};
  sim::KernelHandle handle_ = 0;
};

}  // namespace

int main() { return Demo().Run(); }
