// A second process for the profile tests: saves the same 27 keys (as many as the settings save
// writes) over and over, each save one transaction that gives every key the save's number, and
// prints the number once the save has landed. It runs until it is killed.
//   helper_profile_saves FILE
#include <cstdio>
#include <string>

#include "platform/Profile.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const char* sections[] = {"Main", "Play", "ShortCut"};
  for (long save = 1;; ++save) {
    platform::TProfileTransaction transaction(argv[1]);
    for (int key = 0; key < 27; ++key) {
      if (!platform::WritePrivateProfileStringA(sections[key % 3], "Key" + std::to_string(key),
                                                std::to_string(save), argv[1])) {
        return 1;
      }
    }
    if (!transaction.Commit()) return 1;
    std::printf("%ld\n", save);
    std::fflush(stdout);
  }
}
