// Driver loading, the object namespace, handles and METHOD_BUFFERED request dispatch.
#include "sim/kernel/io_manager.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace sim {

namespace {

constexpr ULONG kMethodNeither = 3;
constexpr NTSTATUS kStatusAccessViolation = STATUS_ACCESS_VIOLATION;
constexpr NTSTATUS kStatusInvalidHandle = STATUS_INVALID_HANDLE;
constexpr NTSTATUS kStatusImageAlreadyLoaded = static_cast<NTSTATUS>(0xC000010EL);
constexpr NTSTATUS kStatusNoSuchDevice = static_cast<NTSTATUS>(0xC000000EL);
constexpr NTSTATUS kStatusPending = static_cast<NTSTATUS>(0x00000103L);
// What a fresh system buffer holds beyond the caller's input.
constexpr UCHAR kStalePoolFill = 0xCD;
constexpr const char16_t kRegistryPath[] =
    u"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\portio";

// Object names compare case-insensitively, and \DosDevices is another name of \??.
std::string ObjectKey(std::string name) {
  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::string dosDevices = "\\DOSDEVICES\\";
  if (name.compare(0, dosDevices.size(), dosDevices) == 0)
    name = "\\??\\" + name.substr(dosDevices.size());
  return name;
}

std::string Hex(ULONG value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

// The previous mode of the thread running in the driver, for the length of one call.
class PreviousModeScope {
 public:
  PreviousModeScope(KPROCESSOR_MODE& current, KPROCESSOR_MODE mode)
      : current_(current), saved_(current) {
    current_ = mode;
  }
  ~PreviousModeScope() { current_ = saved_; }
  PreviousModeScope(const PreviousModeScope&) = delete;
  PreviousModeScope& operator=(const PreviousModeScope&) = delete;

 private:
  KPROCESSOR_MODE& current_;
  KPROCESSOR_MODE saved_;
};

// What the I/O manager installs for every major function the driver leaves alone.
NTSTATUS NTAPI RejectRequest(PDEVICE_OBJECT, PIRP irp) {
  irp->IoStatus.Status = STATUS_INVALID_DEVICE_REQUEST;
  irp->IoStatus.Information = 0;
  IofCompleteRequest(irp, IO_NO_INCREMENT);
  return STATUS_INVALID_DEVICE_REQUEST;
}

}  // namespace

struct IoManager::Device {
  DEVICE_OBJECT object{};
  std::string name;
  std::vector<std::max_align_t> extension;
  int openHandles = 0;
  int objectHandles = 0;
  Dacl dacl = DefaultDeviceDacl();
};

struct IoManager::PendingIrp {
  IRP irp{};
  IO_STACK_LOCATION stack{};
  FILE_OBJECT file{};
  std::u16string fileName;
  int completions = 0;
};

IoManager::IoManager(KernelFaults& faults, Processor& processor)
    : faults_(faults), processor_(processor) {}

IoManager::~IoManager() = default;

NTSTATUS IoManager::LoadDriver(DriverEntryRoutine entry, const std::vector<DriverImport>& imports) {
  if (driver_) return kStatusImageAlreadyLoaded;
  refusedImport_.clear();
  for (const DriverImport& import : imports) {
    if (!NtVersionHas(ntVersion_, import.firstNt)) {
      refusedImport_ = std::string(import.library) + "!" + import.name;
      return kStatusDriverEntrypointNotFound;
    }
  }
  driver_ = std::make_unique<DRIVER_OBJECT>();
  for (auto& routine : driver_->MajorFunction) routine = RejectRequest;

  std::u16string path(kRegistryPath);
  UNICODE_STRING registryPath{USHORT(path.size() * 2), USHORT(path.size() * 2 + 2),
                              reinterpret_cast<PWSTR>(path.data())};
  processor_.ExpectPassive("driver entry called");
  NTSTATUS status;
  {
    PreviousModeScope mode(previousMode_, entryPreviousMode_);
    status = entry(driver_.get(), &registryPath);
  }
  processor_.ExpectPassive("driver entry returned");

  if (!NT_SUCCESS(status)) {
    ReportHandlesLeft("failed load");
    // The system never calls the unload routine of a driver that failed to load.
    for (auto it = devices_.begin(); it != devices_.end();) {
      if (it->second->object.DriverObject == driver_.get()) {
        faults_.Report("DRIVER_LEFT_OBJECTS", "failed load left device " + it->second->name);
        it = devices_.erase(it);
      } else {
        ++it;
      }
    }
    for (auto& [link, target] : links_)
      faults_.Report("DRIVER_LEFT_OBJECTS",
                     "failed load left symbolic link " + link + " -> " + target);
    links_.clear();
    driver_.reset();
    return status;
  }
  for (auto& [key, device] : devices_) device->object.Flags &= ~ULONG(DO_DEVICE_INITIALIZING);
  return status;
}

NTSTATUS IoManager::UnloadWhenUnused() {
  if (!driver_) return STATUS_UNSUCCESSFUL;
  if (driver_->DriverUnload == nullptr) return STATUS_INVALID_DEVICE_REQUEST;
  if (handles_.empty()) return UnloadDriver();
  unloadPending_ = true;
  return kStatusPending;
}

NTSTATUS IoManager::UnloadDriver() {
  if (!driver_) return STATUS_UNSUCCESSFUL;
  if (!handles_.empty()) return STATUS_DEVICE_BUSY;
  if (driver_->DriverUnload == nullptr) return STATUS_INVALID_DEVICE_REQUEST;
  processor_.ExpectPassive("unload called");
  {
    PreviousModeScope mode(previousMode_, entryPreviousMode_);
    driver_->DriverUnload(driver_.get());
  }
  processor_.ExpectPassive("unload returned");
  ReportHandlesLeft("unload");
  for (auto& [key, device] : devices_)
    faults_.Report("DRIVER_LEFT_OBJECTS", "unload left device " + device->name);
  devices_.clear();
  for (auto& [link, target] : links_)
    faults_.Report("DRIVER_LEFT_OBJECTS", "unload left symbolic link " + link + " -> " + target);
  links_.clear();
  driver_.reset();
  unloadPending_ = false;
  return STATUS_SUCCESS;
}

NTSTATUS IoManager::Open(const std::string& win32Path, KernelHandle* handle,
                         const OpenRequest& request) {
  *handle = 0;
  const std::string prefix = "\\\\.\\";
  if (win32Path.compare(0, prefix.size(), prefix) != 0 || win32Path.size() == prefix.size())
    return STATUS_OBJECT_NAME_INVALID;
  if (unloadPending_) return kStatusNoSuchDevice;
  // "\\.\DRV1\rest": the link resolves to the device, "\rest" is the name beneath it.
  const std::string path = win32Path.substr(prefix.size());
  const size_t separator = path.find('\\');
  if (separator == 0) return STATUS_OBJECT_NAME_INVALID;
  auto link = links_.find(ObjectKey("\\??\\" + path.substr(0, separator)));
  if (link == links_.end()) return STATUS_OBJECT_NAME_NOT_FOUND;
  auto found = devices_.find(ObjectKey(link->second));
  if (found == devices_.end() || (found->second->object.Flags & DO_DEVICE_INITIALIZING))
    return STATUS_OBJECT_NAME_NOT_FOUND;
  Device& device = *found->second;
  std::u16string fileName;
  if (separator != std::string::npos)
    for (char c : path.substr(separator))
      fileName.push_back(char16_t(static_cast<unsigned char>(c)));

  const bool checked =
      fileName.empty() ||
      (secureOpenHonoured_ && (device.object.Characteristics & FILE_DEVICE_SECURE_OPEN));
  const bool refused =
      (checked && !AccessCheck(device.dacl, request.caller, request.desiredAccess)) ||
      ((device.object.Flags & DO_EXCLUSIVE) && device.openHandles > 0);
  if (refused) {
    Record(0, IRP_MJ_CREATE, 0, 0, 0, STATUS_ACCESS_DENIED, 0);
    return STATUS_ACCESS_DENIED;
  }
  ULONG information = 0;
  NTSTATUS status = Dispatch(device, IRP_MJ_CREATE, 0, nullptr, 0, 0, &information, fileName);
  KernelHandle opened = NT_SUCCESS(status) ? nextHandle_ : 0;
  Record(opened, IRP_MJ_CREATE, 0, 0, 0, status, information);
  if (!NT_SUCCESS(status)) return status;
  nextHandle_ += 4;
  ++device.openHandles;
  handles_[opened] = Handle{&device, fileName};
  *handle = opened;
  return status;
}

NTSTATUS IoManager::Close(KernelHandle handle) {
  auto found = handles_.find(handle);
  if (found == handles_.end()) return kStatusInvalidHandle;
  Device& device = *found->second.device;
  const std::u16string& fileName = found->second.fileName;
  ULONG information = 0;
  Dispatch(device, IRP_MJ_CLEANUP, 0, nullptr, 0, 0, &information, fileName);
  NTSTATUS status = Dispatch(device, IRP_MJ_CLOSE, 0, nullptr, 0, 0, &information, fileName);
  Record(handle, IRP_MJ_CLOSE, 0, 0, 0, status, information);
  --device.openHandles;
  handles_.erase(found);
  if (unloadPending_ && handles_.empty()) UnloadDriver();
  return STATUS_SUCCESS;  // a close always closes, whatever the driver answered
}

NTSTATUS IoManager::DeviceControl(KernelHandle handle, ULONG code, const void* input,
                                  ULONG inputLength, void* output, ULONG outputLength,
                                  ULONG* bytesReturned) {
  if (bytesReturned) *bytesReturned = 0;
  auto found = handles_.find(handle);
  if (found == handles_.end()) return kStatusInvalidHandle;
  // The system probes the caller's buffers before it builds the request.
  if ((input == nullptr && inputLength > 0) || (output == nullptr && outputLength > 0))
    return kStatusAccessViolation;

  // METHOD_BUFFERED: one system buffer of max(input, output) bytes, the input copied in.
  // The direct methods buffer only the input (their output would travel by MDL, which no
  // simulated driver maps); METHOD_NEITHER hands the driver the caller's input pointer.
  // The system buffer is the I/O manager's own: it is not counted in the driver's pool.
  const ULONG method = code & 3;
  const ULONG size = method == METHOD_BUFFERED  ? std::max(inputLength, outputLength)
                     : method == kMethodNeither ? 0
                                                : inputLength;
  std::unique_ptr<UCHAR[]> systemBuffer;
  if (size > 0) {
    systemBuffer.reset(new UCHAR[size]);
    std::memset(systemBuffer.get(), kStalePoolFill, size);
    if (inputLength > 0) std::memcpy(systemBuffer.get(), input, inputLength);
  }
  type3Input_ = method == kMethodNeither ? const_cast<void*>(input) : nullptr;
  ULONG information = 0;
  NTSTATUS status = Dispatch(*found->second.device, IRP_MJ_DEVICE_CONTROL, code, systemBuffer.get(),
                             inputLength, outputLength, &information);
  if (information > outputLength) {
    faults_.Report("DRIVER_VERIFIER_IOMANAGER_VIOLATION",
                   Hex(code) + " reported " + std::to_string(information) +
                       " bytes for an output buffer of " + std::to_string(outputLength));
    information = outputLength;
  }
  // Success and warning statuses carry buffered data back; errors carry none.
  if (status >= 0 || (ULONG(status) >> 30) == 2) {
    if (method == METHOD_BUFFERED && information > 0)
      std::memcpy(output, systemBuffer.get(), information);
  } else {
    information = 0;
  }
  if (bytesReturned) *bytesReturned = information;
  Record(handle, IRP_MJ_DEVICE_CONTROL, code, inputLength, outputLength, status, information);
  return status;
}

NTSTATUS IoManager::Dispatch(Device& device, UCHAR major, ULONG code, PVOID systemBuffer,
                             ULONG inputLength, ULONG outputLength, ULONG* information,
                             const std::u16string& fileName) {
  PendingIrp request;
  request.fileName = fileName;
  request.file.DeviceObject = &device.object;
  request.file.FileName = UNICODE_STRING{USHORT(fileName.size() * 2), USHORT(fileName.size() * 2),
                                         reinterpret_cast<PWSTR>(request.fileName.data())};
  request.stack.FileObject = &request.file;
  request.irp.AssociatedIrp.SystemBuffer = systemBuffer;
  request.irp.IoStatus.Status = STATUS_UNSUCCESSFUL;
  request.irp.CurrentStackLocation = &request.stack;
  request.stack.MajorFunction = major;
  request.stack.DeviceObject = &device.object;
  request.stack.Parameters.DeviceIoControl.IoControlCode = code;
  request.stack.Parameters.DeviceIoControl.InputBufferLength = inputLength;
  request.stack.Parameters.DeviceIoControl.OutputBufferLength = outputLength;
  request.stack.Parameters.DeviceIoControl.Type3InputBuffer = type3Input_;
  type3Input_ = nullptr;

  PendingIrp* outer = pending_;
  pending_ = &request;
  processor_.ExpectPassive("request sent");
  NTSTATUS returned;
  {
    // The request arrives on the calling program's thread.
    PreviousModeScope mode(previousMode_, UserMode);
    returned = driver_->MajorFunction[major](&device.object, &request.irp);
  }
  processor_.ExpectPassive("dispatch routine returned");
  pending_ = outer;

  if (request.completions == 0)
    faults_.Report("DRIVER_VERIFIER_IOMANAGER_VIOLATION",
                   "request " + Hex(code) + " returned without being completed");
  if (returned != request.irp.IoStatus.Status)
    faults_.Report("DRIVER_VERIFIER_IOMANAGER_VIOLATION",
                   "dispatch returned " + Hex(ULONG(returned)) + " but completed with " +
                       Hex(ULONG(request.irp.IoStatus.Status)));
  *information = ULONG(request.irp.IoStatus.Information);
  ++requestCount_;
  return request.irp.IoStatus.Status;
}

void IoManager::CompleteRequest(PIRP irp, CCHAR) {
  if (processor_.Irql() > Processor::kDispatchLevel)
    faults_.Report("IRQL_NOT_LESS_OR_EQUAL", "request completed above DISPATCH_LEVEL");
  if (pending_ == nullptr || &pending_->irp != irp) {
    faults_.Report("DRIVER_VERIFIER_IOMANAGER_VIOLATION",
                   "completion of a request not in progress");
    return;
  }
  if (++pending_->completions > 1)
    faults_.Report("MULTIPLE_IRP_COMPLETE_REQUESTS", "request completed twice");
}

NTSTATUS IoManager::CreateDevice(PDRIVER_OBJECT driver, ULONG extensionSize, PUNICODE_STRING name,
                                 DEVICE_TYPE type, ULONG characteristics, BOOLEAN exclusive,
                                 PDEVICE_OBJECT* deviceObject) {
  if (processor_.Irql() != Processor::kPassiveLevel)
    faults_.Report("IRQL_NOT_LESS_OR_EQUAL", "IoCreateDevice above PASSIVE_LEVEL");
  if (driver == nullptr || driver != driver_.get()) {
    faults_.Report("INVALID_DRIVER_OBJECT", "IoCreateDevice with a foreign driver object");
    return STATUS_INVALID_PARAMETER;
  }
  if (failDeviceCreations_ > 0) {
    --failDeviceCreations_;
    return STATUS_INSUFFICIENT_RESOURCES;
  }
  auto device = std::make_unique<Device>();
  if (name != nullptr) {
    device->name = NameOf(name, "IoCreateDevice");
    if (device->name.empty() || device->name[0] != '\\') return STATUS_OBJECT_NAME_INVALID;
    if (devices_.count(ObjectKey(device->name))) return STATUS_OBJECT_NAME_COLLISION;
  } else {
    device->name = "<unnamed " + std::to_string(++unnamedDevices_) + ">";
  }
  size_t units = (extensionSize + sizeof(std::max_align_t) - 1) / sizeof(std::max_align_t);
  device->extension.assign(units, std::max_align_t{});
  if (units > 0) std::memset(device->extension.data(), 0, units * sizeof(std::max_align_t));
  DEVICE_OBJECT& object = device->object;
  object.DriverObject = driver;
  object.DeviceExtension = extensionSize ? device->extension.data() : nullptr;
  object.DeviceType = type;
  object.Characteristics = characteristics;
  object.Flags = DO_DEVICE_INITIALIZING | (exclusive ? DO_EXCLUSIVE : 0);
  object.NextDevice = driver->DeviceObject;  // new devices go to the head of the list
  driver->DeviceObject = &object;
  *deviceObject = &object;
  devices_[ObjectKey(device->name)] = std::move(device);
  return STATUS_SUCCESS;
}

void IoManager::DeleteDevice(PDEVICE_OBJECT object) {
  Device* device = DeviceByObject(object);
  if (device == nullptr) {
    faults_.Report("INVALID_DEVICE_OBJECT", "IoDeleteDevice of an unknown device");
    return;
  }
  if (device->openHandles > 0)
    faults_.Report("DRIVER_VERIFIER_IOMANAGER_VIOLATION",
                   "device " + device->name + " deleted with open handles");
  PDEVICE_OBJECT* link = &object->DriverObject->DeviceObject;
  while (*link != nullptr && *link != object) link = &(*link)->NextDevice;
  if (*link == object) *link = object->NextDevice;
  auto found = devices_.find(ObjectKey(device->name));
  // Open handles still point at it: it leaves the namespace but lives until the end.
  if (device->openHandles > 0 || device->objectHandles > 0)
    deleted_.push_back(std::move(found->second));
  devices_.erase(found);
}

NTSTATUS IoManager::CreateSymbolicLink(PUNICODE_STRING link, PUNICODE_STRING target) {
  if (processor_.Irql() != Processor::kPassiveLevel)
    faults_.Report("IRQL_NOT_LESS_OR_EQUAL", "IoCreateSymbolicLink above PASSIVE_LEVEL");
  std::string linkName = NameOf(link, "IoCreateSymbolicLink");
  std::string targetName = NameOf(target, "IoCreateSymbolicLink");
  if (linkName.empty() || linkName[0] != '\\' || targetName.empty())
    return STATUS_OBJECT_NAME_INVALID;
  if (failLinkCreations_ > 0) {
    --failLinkCreations_;
    return STATUS_INSUFFICIENT_RESOURCES;
  }
  if (links_.count(ObjectKey(linkName))) return STATUS_OBJECT_NAME_COLLISION;
  links_[ObjectKey(linkName)] = targetName;
  return STATUS_SUCCESS;
}

NTSTATUS IoManager::DeleteSymbolicLink(PUNICODE_STRING link) {
  auto found = links_.find(ObjectKey(NameOf(link, "IoDeleteSymbolicLink")));
  if (found == links_.end()) return STATUS_OBJECT_NAME_NOT_FOUND;
  links_.erase(found);
  return STATUS_SUCCESS;
}

NTSTATUS IoManager::OpenObjectByPointer(PVOID object, ULONG attributes, PACCESS_STATE accessState,
                                        ACCESS_MASK desiredAccess, POBJECT_TYPE type,
                                        KPROCESSOR_MODE mode, PHANDLE handle) {
  if (processor_.Irql() != Processor::kPassiveLevel)
    faults_.Report("IRQL_NOT_LESS_OR_EQUAL", "ObOpenObjectByPointer above PASSIVE_LEVEL");
  Device* device = DeviceByObject(static_cast<PDEVICE_OBJECT>(object));
  if (device == nullptr || handle == nullptr) {
    faults_.Report("INVALID_OBJECT", "ObOpenObjectByPointer of something that is not a device");
    return STATUS_OBJECT_TYPE_MISMATCH;
  }
  // Only what a driver opening its own device needs: a kernel-mode open, no access state,
  // no object type check (the device type object is not simulated).
  if (mode != KernelMode || accessState != nullptr || type != nullptr ||
      (attributes & ~ULONG(OBJ_KERNEL_HANDLE)) != 0) {
    faults_.Report("SIM_UNSUPPORTED",
                   "ObOpenObjectByPointer beyond a kernel-mode open of a device");
    return STATUS_NOT_IMPLEMENTED;
  }
  *handle = reinterpret_cast<HANDLE>(nextObjectHandle_);
  objectHandles_[nextObjectHandle_] =
      ObjectHandle{device, desiredAccess, (attributes & OBJ_KERNEL_HANDLE) != 0};
  nextObjectHandle_ += 4;
  ++device->objectHandles;
  return STATUS_SUCCESS;
}

NTSTATUS IoManager::SetSecurityObject(HANDLE handle, SECURITY_INFORMATION information,
                                      PSECURITY_DESCRIPTOR descriptor, KPROCESSOR_MODE mode) {
  if (processor_.Irql() != Processor::kPassiveLevel)
    faults_.Report("IRQL_NOT_LESS_OR_EQUAL", "SetSecurityObject above PASSIVE_LEVEL");
  auto found = objectHandles_.find(reinterpret_cast<uintptr_t>(handle));
  // A kernel handle is not in the table a user-mode previous mode looks the handle up in.
  if (found == objectHandles_.end() || (mode == UserMode && found->second.kernel))
    return STATUS_INVALID_HANDLE;
  if (information != DACL_SECURITY_INFORMATION) {
    faults_.Report("SIM_UNSUPPORTED", "SetSecurityObject of more than the DACL");
    return STATUS_NOT_IMPLEMENTED;
  }
  if (!(found->second.granted & WRITE_DAC)) return STATUS_ACCESS_DENIED;
  // With a user-mode previous mode the descriptor is probed as user memory; a driver's is in
  // system memory, so the probe raises and the service returns the access violation.
  if (mode == UserMode) return STATUS_ACCESS_VIOLATION;
  if (failSecurityChanges_ > 0) {
    --failSecurityChanges_;
    return STATUS_INSUFFICIENT_RESOURCES;
  }
  Dacl dacl;
  NTSTATUS status = CaptureDacl(descriptor, &dacl);
  if (!NT_SUCCESS(status)) return status;
  found->second.device->dacl = std::move(dacl);
  return STATUS_SUCCESS;
}

NTSTATUS IoManager::CloseObjectHandle(HANDLE handle) {
  auto found = objectHandles_.find(reinterpret_cast<uintptr_t>(handle));
  if (found == objectHandles_.end()) {
    // Closing a handle that is not open from kernel mode stops the machine.
    faults_.Report("INVALID_KERNEL_HANDLE", "ZwClose of a handle that is not open");
    return STATUS_INVALID_HANDLE;
  }
  --found->second.device->objectHandles;
  objectHandles_.erase(found);
  return STATUS_SUCCESS;
}

void IoManager::ReportHandlesLeft(const char* when) {
  for (auto& [value, handle] : objectHandles_)
    faults_.Report("DRIVER_LEFT_OBJECTS",
                   std::string(when) + " left a handle to " + handle.device->name);
  objectHandles_.clear();
}

std::vector<std::string> IoManager::DeviceNames() const {
  std::vector<std::string> names;
  for (auto& [key, device] : devices_) names.push_back(device->name);
  return names;
}

std::vector<std::string> IoManager::LinkNames() const {
  std::vector<std::string> names;
  for (auto& [key, target] : links_) names.push_back(key);
  return names;
}

std::string IoManager::LinkTarget(const std::string& linkName) const {
  auto found = links_.find(ObjectKey(linkName));
  return found == links_.end() ? std::string() : found->second;
}

PDEVICE_OBJECT IoManager::FindDevice(const std::string& name) const {
  auto found = devices_.find(ObjectKey(name));
  return found == devices_.end() ? nullptr : &found->second->object;
}

IoManager::Device* IoManager::DeviceByObject(PDEVICE_OBJECT object) const {
  for (auto& [key, device] : devices_)
    if (&device->object == object) return device.get();
  return nullptr;
}

// A counted name must be well formed; its text is taken as ASCII.
std::string IoManager::NameOf(PUNICODE_STRING name, const char* service) {
  if (name == nullptr || (name->Length > 0 && name->Buffer == nullptr) || name->Length % 2 ||
      name->Length > name->MaximumLength) {
    faults_.Report("INVALID_PARAMETER", std::string(service) + " with a malformed counted name");
    return std::string();
  }
  std::string text;
  for (USHORT i = 0; i < name->Length / 2; ++i) {
    WCHAR c = name->Buffer[i];
    text.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  }
  return text;
}

void IoManager::Record(KernelHandle handle, UCHAR major, ULONG code, ULONG in, ULONG out,
                       NTSTATUS status, ULONG information) {
  if (recording_) requests_.Add({handle, major, code, in, out, status, information});
}

}  // namespace sim
