#include "app/DataFiles.h"

#include "platform/FileSearch.h"

std::string BackgroundFileName(const std::string& exeFolder) {
  const std::string beside = exeFolder + "bg.bmp";
  const std::string shared = exeFolder + "../share/orvane/bg.bmp";
  // Regular files only, as for jackets: a FIFO named bg.bmp is no background.
  if (!platform::RegularFileExists(beside) && platform::RegularFileExists(shared)) return shared;
  return beside;
}
