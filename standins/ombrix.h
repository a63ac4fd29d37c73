// The maker's shared-state library as our stand-in provides it: one answer flag shared by every
// process of the session. The stand-in Corvex sets it when it has answered a wake-up datagram;
// the launcher reads it. Reading never resets it; a stand-in Corvex clears it when it starts and
// when it exits, so the answer stays set exactly while the instance that gave it runs.
#pragma once

#include <windows.h>

#ifdef OMBRIX_BUILDING_DLL
#define OMBRIX_API extern "C" __declspec(dllexport)
#else
#define OMBRIX_API extern "C" __declspec(dllimport)
#endif

// Non-zero once the running Corvex has answered a wake-up.
OMBRIX_API BOOL WINAPI GetResponseState();

// Stores the answer (any non-zero value is kept as TRUE). FALSE when the shared memory is
// unavailable.
OMBRIX_API BOOL WINAPI SetResponseState(BOOL answered);
