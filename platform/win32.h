// The Win32 seam: the one header through which the program and its framework reach Windows.
// On Windows it is the SDK; on Linux it declares the same subset, implemented by the
// simulated Windows PC in sim/winsim. Program code never tests the platform itself.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <commdlg.h>
#include <mmsystem.h>
#include <setupapi.h>
#include <shellapi.h>
#include <tlhelp32.h>
#include <winioctl.h>
#include <winsvc.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>

// Process-wide variables: ordinary globals on Windows.
#define PROCESS_WIDE
#else
#include "linux/win32_subset.h"
#endif
