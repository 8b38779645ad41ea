// The scenario host's statements about the machine: language, held keys, the portio driver
// (host_machine.cpp).
#pragma once

#include <windows.h>

#include <string>

namespace tavos_host {

// `lang ID`: true when Wine reports ID as the system language to the programs this host starts.
bool CheckLanguage(const std::string& id, std::string* why);
// `hold VK` (down) and `release VK`: the key pressed or let go on the keyboard.
bool HoldKey(const std::string& vk, bool down, std::string* why);
// `driver loaded|absent`: portio started or stopped through the service manager.
bool SetDriver(const std::string& state, std::string* why);
// ERROR_SUCCESS when portio's device \\.\DRV1 opens, else why it does not.
DWORD DeviceOpenError();
// At the end of a scenario: held keys let go and portio loaded again, as the next scenario in
// the session expects the machine.
void RestoreMachine();

}  // namespace tavos_host
