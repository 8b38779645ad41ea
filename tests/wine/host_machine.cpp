// The machine under Tavos as a scenario changes it: the language Wine reports, keys held on the
// keyboard, and the portio driver loaded or not.
//
// The language is not set here: Wine fixes a process's system language from the Linux locale
// it starts with, and every program this host starts inherits the host's (docs/wine.md), so
// tavos-sim starts the host with the scenario's locale and `lang` only checks what came of it.
#include "tests/wine/host_machine.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <set>

#include "tests/wine/host_input.h"
#include "tests/wine/host_session.h"

namespace tavos_host {

namespace {

constexpr char kPortioService[] = "portio";
constexpr DWORD kServiceTimeoutMs = 20000;

std::set<unsigned> g_held;
bool g_driverStopped = false;

std::string Hex4(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFF);
  return text;
}

// The key as the keyboard gives it: hardware input, which Wine's server counts in the
// desktop's key state (what GetAsyncKeyState reads) and routes to the window in front.
bool SendKey(unsigned vk, bool down) {
  INPUT input = KeyboardInput(WORD(vk), !down);
  return SendInput(1, &input, sizeof input) == 1;
}

// Waits until the service reports `state`; false when it does not within the bound.
bool WaitForState(SC_HANDLE service, DWORD state) {
  for (DWORD waited = 0; waited <= kServiceTimeoutMs; waited += 50) {
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(service, &status)) return false;
    if (status.dwCurrentState == state) return true;
    Sleep(50);
  }
  return false;
}

}  // namespace

DWORD DeviceOpenError() {
  HANDLE device = CreateFileA("\\\\.\\DRV1", GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  if (device == INVALID_HANDLE_VALUE) return GetLastError();
  CloseHandle(device);
  return ERROR_SUCCESS;
}

namespace {

// Loads or unloads portio through the service manager, as an administrator would.
bool ControlPortio(bool load, std::string* why) {
  const std::string what = load ? "driver loaded: " : "driver absent: ";
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (manager == nullptr)
    return *why = what + "no service manager (error " + std::to_string(GetLastError()) + ")", false;
  SC_HANDLE service =
      OpenServiceA(manager, kPortioService, SERVICE_START | SERVICE_STOP | SERVICE_QUERY_STATUS);
  bool ok = service != nullptr;
  if (!ok) *why = what + "no portio service (error " + std::to_string(GetLastError()) + ")";
  if (ok && load) {
    ok = (StartServiceA(service, 0, nullptr) || GetLastError() == ERROR_SERVICE_ALREADY_RUNNING) &&
         WaitForState(service, SERVICE_RUNNING);
    if (!ok) *why = what + "portio did not start (error " + std::to_string(GetLastError()) + ")";
  } else if (ok) {
    SERVICE_STATUS status{};
    ok = (ControlService(service, SERVICE_CONTROL_STOP, &status) ||
          GetLastError() == ERROR_SERVICE_NOT_ACTIVE) &&
         WaitForState(service, SERVICE_STOPPED);
    if (!ok) *why = what + "portio did not stop (error " + std::to_string(GetLastError()) + ")";
  }
  if (service != nullptr) CloseServiceHandle(service);
  CloseServiceHandle(manager);
  if (ok && (DeviceOpenError() == ERROR_SUCCESS) != load) {
    *why =
        what + "the service says so, but \\\\.\\DRV1 " + (load ? "does not open" : "still opens");
    ok = false;
  }
  return ok;
}

}  // namespace

bool CheckLanguage(const std::string& id, std::string* why) {
  const unsigned asked = unsigned(std::strtoul(id.c_str(), nullptr, 0));
  const unsigned reported = GetSystemDefaultLangID();
  if (reported == asked) return true;
  *why = "lang: Wine reports language " + Hex4(reported) + ", not " + Hex4(asked) +
         " (was the host started with the locale for it?)";
  return false;
}

bool HoldKey(const std::string& vkText, bool down, std::string* why) {
  const unsigned vk = unsigned(std::strtoul(vkText.c_str(), nullptr, 0));
  if (vk == 0 || vk > 0xFE) return *why = "hold: no key " + vkText, false;
  if (!SendKey(vk, down))
    return *why = std::string(down ? "hold" : "release") + ": SendInput failed (error " +
                  std::to_string(GetLastError()) + ")",
           false;
  if (down)
    g_held.insert(vk);
  else
    g_held.erase(vk);
  return true;
}

bool SetDriver(const std::string& state, std::string* why) {
  const bool load = state == "loaded";
  if (!load && state != "absent") return *why = "driver: malformed command", false;
  // Wine's driver host calls the unload routine at once, open handles or not; Windows waits
  // until no handle is open. Tavos keeps its handle while it runs.
  if (!load && Running() != nullptr)
    return *why =
               "driver absent: Wine would unload portio under the running Tavos's open "
               "handle, which Windows never does",
           false;
  if (!ControlPortio(load, why)) return false;
  g_driverStopped = !load;
  return true;
}

void RestoreMachine() {
  for (unsigned vk : g_held) SendKey(vk, false);
  g_held.clear();
  std::string ignored;
  if (g_driverStopped) ControlPortio(true, &ignored);
  g_driverStopped = false;
}

}  // namespace tavos_host
