// Writing and removing the setup's registry values (install_plan.h), all under
// HKEY_LOCAL_MACHINE.
#pragma once

#include "platform/win32.h"
#include "setup/install_plan.h"

namespace setup {

// 0, or the error of the first value that could not be written.
DWORD WriteRegistryValues(const RegistryValue (&values)[kRegistryValueCount]);
// Deletes each value; the Add/Remove Programs key goes too once nothing else is left in it,
// so that what another program added there stays.
void RemoveRegistryValues(const RegistryValue (&values)[kRegistryValueCount]);

}  // namespace setup
