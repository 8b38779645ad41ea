// Who may open portio's device: SYSTEM, the administrators and the user at the keyboard.
#pragma once

#include "platform/nt_kernel.h"

// Replaces the device's DACL (which IoCreateDevice leaves open to everyone) with one that
// admits only those three, through a handle to the device, so that it holds on Windows NT 4.0
// too, where IoCreateDeviceSecure does not exist. Uses only routines NT 4.0 exports
// (platform/portio_imports.def). Runs at PASSIVE_LEVEL in the entry routine, on a system
// thread, before the device has a link, and allocates nothing.
NTSTATUS RestrictDeviceAccess(PDEVICE_OBJECT device);
