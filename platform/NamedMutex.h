#pragma once
// Named mutexes, used to keep the player to one instance. The name is held for the life of the
// process and released by the kernel when the process ends, however it ends.

#include <cstdint>

namespace platform {

using HANDLE = intptr_t;  // 0 means none / failure
constexpr uint32_t MUTEX_ALL_ACCESS = 0x1F0001;

// Non-zero when a living process holds a mutex of that name.
HANDLE OpenMutexA(uint32_t desiredAccess, bool inheritHandle, const char* name);
// Creates (and holds) the named mutex; 0 on failure. When another process already holds the
// name the handle is still returned but refers to that existing mutex.
HANDLE CreateMutexA(const void* securityAttributes, bool initialOwner, const char* name);
bool ReleaseMutex(HANDLE mutex);
bool CloseHandle(HANDLE handle);

}  // namespace platform
