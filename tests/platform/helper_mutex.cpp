// A stand-alone process for the single-instance tests: it starts the way the player does.
//   helper_mutex hold NAME   exits 3 when NAME is held elsewhere; otherwise takes it, prints
//                            "held" and waits (at most two minutes) to be killed
//   helper_mutex probe NAME  exits 3 when NAME is held, 0 when it is free
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/NamedMutex.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const char* name = argv[2];
  const platform::HANDLE other = platform::OpenMutexA(platform::MUTEX_ALL_ACCESS, false, name);
  if (other != 0) {
    platform::CloseHandle(other);
    return 3;
  }
  if (std::strcmp(argv[1], "probe") == 0) return 0;
  if (std::strcmp(argv[1], "hold") != 0) return 2;
  const platform::HANDLE mine = platform::CreateMutexA(nullptr, false, name);
  if (mine == 0) return 4;
  if (platform::GetLastError() == platform::ERROR_ALREADY_EXISTS) return 3;
  std::printf("held\n");
  std::fflush(stdout);
  for (int i = 0; i < 1200; ++i) ::usleep(100 * 1000);
  return 0;
}
