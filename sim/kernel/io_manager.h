// The simulated I/O manager: loads one legacy driver, keeps its device and link objects,
// opens handles by DOS device name and sends it create, close and control requests.
//
// Control requests follow their transfer method; for METHOD_BUFFERED, one system buffer of
// max(input, output) bytes from the pool, the input copied in, at most Information bytes copied out
// on success. Everything a driver does wrong is a fault in KernelFaults.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/nt_kernel.h"
#include "sim/kernel/driver_imports.h"
#include "sim/kernel/kernel_faults.h"
#include "sim/kernel/processor.h"
#include "sim/kernel/security.h"
#include "sim/notebook/bounded_log.h"

namespace sim {

using DriverEntryRoutine = NTSTATUS(NTAPI*)(PDRIVER_OBJECT, PUNICODE_STRING);
using KernelHandle = uint32_t;  // 0 is never a valid handle

// One request as the client saw it, for tests and timelines.
struct IoRequestRecord {
  KernelHandle handle;
  UCHAR majorFunction;
  ULONG code;  // control code, 0 for create and close
  ULONG inputLength;
  ULONG outputLength;
  NTSTATUS status;
  ULONG information;
};

// How a user-mode caller opens: the access it asks for (as NtCreateFile gets it from
// CreateFileA, which adds SYNCHRONIZE and FILE_READ_ATTRIBUTES) and who it is.
struct OpenRequest {
  ACCESS_MASK desiredAccess = GENERIC_READ | GENERIC_WRITE | SYNCHRONIZE | FILE_READ_ATTRIBUTES;
  AccessToken caller = AccessToken::InteractiveAdministrator();
};

class IoManager {
 public:
  IoManager(KernelFaults& faults, Processor& processor);
  ~IoManager();
  IoManager(const IoManager&) = delete;
  IoManager& operator=(const IoManager&) = delete;

  // Loads the driver (one at a time): its entry routine gets a fresh driver object whose
  // dispatch entries all reject. A failed entry must leave no device or link behind. The
  // routines the image imports are resolved first, as Windows does: one this NT version does
  // not export refuses the load before the entry runs (see RefusedImport()).
  NTSTATUS LoadDriver(DriverEntryRoutine entry,
                      const std::vector<DriverImport>& imports = std::vector<DriverImport>());
  // The NT version whose exports imports are resolved against; XP unless set.
  void SetNtVersion(NtVersion version) { ntVersion_ = version; }
  // "NTOSKRNL!ZwSetSecurityObject": the import that refused the last load, or empty.
  const std::string& RefusedImport() const { return refusedImport_; }
  // The previous mode of the thread that runs the entry and unload routines: KernelMode, a
  // system thread as Windows documents it, unless set. UserMode models a loader that called the
  // entry on the requesting program's own thread. Requests always come from a user-mode caller.
  void SetEntryPreviousMode(KPROCESSOR_MODE mode) { entryPreviousMode_ = mode; }
  // The previous mode of the thread now in the driver, which the Nt services go by.
  KPROCESSOR_MODE PreviousMode() const { return previousMode_; }

  // Calls the unload routine. Refused with STATUS_DEVICE_BUSY while handles are open, and
  // with STATUS_INVALID_DEVICE_REQUEST when the driver has no unload routine.
  NTSTATUS UnloadDriver();
  bool DriverLoaded() const { return driver_ != nullptr; }
  // Stopping a legacy driver's service: the driver unloads at once when no handle is open,
  // else when the last one closes, and meanwhile its devices refuse every open
  // (STATUS_NO_SUCH_DEVICE). STATUS_PENDING says the unload waits for the handles.
  NTSTATUS UnloadWhenUnused();
  bool UnloadPending() const { return unloadPending_; }

  // Opens a Win32 device path such as "\\.\DRV1" (the object "\??\DRV1"), or a name
  // beneath the device ("\\.\DRV1\x": the driver gets "\x" as the file name). The caller
  // is checked against the device's DACL when it opens the device itself, and when it opens
  // a name beneath it only if the device has FILE_DEVICE_SECURE_OPEN and secure opens are
  // honoured; otherwise names beneath the device are the driver's to refuse.
  NTSTATUS Open(const std::string& win32Path, KernelHandle* handle,
                const OpenRequest& request = OpenRequest());
  // Whether FILE_DEVICE_SECURE_OPEN is honoured (on by default). Off models a system that
  // predates the characteristic and checks only opens of the device itself.
  void SetSecureOpenHonoured(bool honoured) { secureOpenHonoured_ = honoured; }
  // Sends cleanup and close, then forgets the handle.
  NTSTATUS Close(KernelHandle handle);
  NTSTATUS DeviceControl(KernelHandle handle, ULONG code, const void* input, ULONG inputLength,
                         void* output, ULONG outputLength, ULONG* bytesReturned);

  size_t OpenHandles() const { return handles_.size(); }
  // Object handles the driver holds (ObOpenObjectByPointer without ZwClose yet).
  size_t OpenObjectHandles() const { return objectHandles_.size(); }
  // The newest requests (see BoundedLog); RequestCount() counts them all.
  const std::vector<IoRequestRecord>& Requests() const { return requests_.Entries(); }
  void ClearRequests() { requests_.Clear(); }
  uint64_t RequestCount() const { return requestCount_; }
  // Keeps a record of every request (on by default); benchmarks turn it off.
  void SetRecording(bool record) { recording_ = record; }

  // Objects in the namespace, by their full names ("\Device\DRIVER0", "\??\DRV1").
  std::vector<std::string> DeviceNames() const;
  std::vector<std::string> LinkNames() const;
  std::string LinkTarget(const std::string& linkName) const;
  PDEVICE_OBJECT FindDevice(const std::string& name) const;

  // Failure injection for the object-creating services.
  void FailDeviceCreations(int count) { failDeviceCreations_ = count; }
  void FailLinkCreations(int count) { failLinkCreations_ = count; }
  // The next `count` security changes fail as when the descriptor cannot be captured.
  void FailSecurityChanges(int count) { failSecurityChanges_ = count; }

  // The services the driver calls (through the kernel seam).
  NTSTATUS CreateDevice(PDRIVER_OBJECT driver, ULONG extensionSize, PUNICODE_STRING name,
                        DEVICE_TYPE type, ULONG characteristics, BOOLEAN exclusive,
                        PDEVICE_OBJECT* device);
  void DeleteDevice(PDEVICE_OBJECT device);
  NTSTATUS CreateSymbolicLink(PUNICODE_STRING link, PUNICODE_STRING target);
  NTSTATUS DeleteSymbolicLink(PUNICODE_STRING link);
  void CompleteRequest(PIRP irp, CCHAR boost);
  NTSTATUS OpenObjectByPointer(PVOID object, ULONG attributes, PACCESS_STATE accessState,
                               ACCESS_MASK desiredAccess, POBJECT_TYPE type, KPROCESSOR_MODE mode,
                               PHANDLE handle);
  // NtSetSecurityObject with the caller's previous mode; ZwSetSecurityObject passes KernelMode.
  NTSTATUS SetSecurityObject(HANDLE handle, SECURITY_INFORMATION information,
                             PSECURITY_DESCRIPTOR descriptor, KPROCESSOR_MODE mode);
  NTSTATUS CloseObjectHandle(HANDLE handle);

 private:
  struct Device;
  struct Handle {
    Device* device;
    std::u16string fileName;  // the name beneath the device it was opened with
  };
  struct ObjectHandle {
    Device* device;
    ACCESS_MASK granted;
    bool kernel;  // opened with OBJ_KERNEL_HANDLE: out of user mode's reach
  };
  struct PendingIrp;

  NTSTATUS Dispatch(Device& device, UCHAR major, ULONG code, PVOID systemBuffer, ULONG inputLength,
                    ULONG outputLength, ULONG* information,
                    const std::u16string& fileName = std::u16string());
  void ReportHandlesLeft(const char* when);
  Device* DeviceByObject(PDEVICE_OBJECT object) const;
  std::string NameOf(PUNICODE_STRING name, const char* service);
  void Record(KernelHandle handle, UCHAR major, ULONG code, ULONG in, ULONG out, NTSTATUS status,
              ULONG information);

  KernelFaults& faults_;
  Processor& processor_;
  std::unique_ptr<DRIVER_OBJECT> driver_;
  std::map<std::string, std::unique_ptr<Device>> devices_;  // by upper-cased name
  std::map<std::string, std::string> links_;                // upper-cased link -> target
  std::vector<std::unique_ptr<Device>> deleted_;            // deleted while handles were open
  int unnamedDevices_ = 0;
  std::map<KernelHandle, Handle> handles_;
  KernelHandle nextHandle_ = 4;
  std::map<uintptr_t, ObjectHandle> objectHandles_;  // kernel handles, apart from file handles
  uintptr_t nextObjectHandle_ = 0x80000004;
  bool secureOpenHonoured_ = true;
  bool unloadPending_ = false;
  NtVersion ntVersion_ = kWindowsXp;
  std::string refusedImport_;
  KPROCESSOR_MODE entryPreviousMode_ = KernelMode;
  KPROCESSOR_MODE previousMode_ = KernelMode;
  PendingIrp* pending_ = nullptr;  // the request being dispatched
  BoundedLog<IoRequestRecord> requests_;
  void* type3Input_ = nullptr;  // METHOD_NEITHER input for the next dispatch
  uint64_t requestCount_ = 0;
  bool recording_ = true;
  int failDeviceCreations_ = 0;
  int failLinkCreations_ = 0;
  int failSecurityChanges_ = 0;
};

}  // namespace sim
