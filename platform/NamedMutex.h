#pragma once
// Named mutexes, used to keep the player to one instance. The name is held for the life of the
// process and released by the kernel when the process ends, however it ends.

#include <cstdint>

namespace platform {

using HANDLE = intptr_t;  // 0 means none / failure
constexpr uint32_t MUTEX_ALL_ACCESS = 0x1F0001;
constexpr uint32_t ERROR_FILE_NOT_FOUND = 2;
constexpr uint32_t ERROR_ACCESS_DENIED = 5;
constexpr uint32_t ERROR_ALREADY_EXISTS = 183;

// Non-zero when a living process holds a mutex of that name.
HANDLE OpenMutexA(uint32_t desiredAccess, bool inheritHandle, const char* name);
// Creates (and holds) the named mutex; 0 on failure. When another process already holds the
// name, the handle is still returned, refers to that existing mutex, and GetLastError() gives
// ERROR_ALREADY_EXISTS: the check that closes the gap between OpenMutexA and CreateMutexA when
// two instances start at the same moment.
HANDLE CreateMutexA(const void* securityAttributes, bool initialOwner, const char* name);
bool ReleaseMutex(HANDLE mutex);
bool CloseHandle(HANDLE handle);
// The outcome of this thread's last OpenMutexA or CreateMutexA (0 on success).
uint32_t GetLastError();

}  // namespace platform
