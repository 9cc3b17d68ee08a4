// The Win32 surface of the emulated Windows desktop: the declarations of the
// Windows SDK (names, types, signatures, constant values) for the part of the
// API that Vintoq32 calls. Programs include <windows.h> exactly as on Windows.
#pragma once

#include "windef.h"
#include "winerror.h"
#include "winbase.h"
#include "winnls.h"
#include "winioctl.h"
#include "wingdi.h"
#include "winuser.h"
#include "winreg.h"
