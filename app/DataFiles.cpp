#include "app/DataFiles.h"

#include "platform/FileSearch.h"

std::string BackgroundFileName(const std::string& exeFolder) {
  const std::string beside = exeFolder + "bg.bmp";
  const std::string shared = exeFolder + "../share/orvane/bg.bmp";
  if (!platform::FileExists(beside) && platform::FileExists(shared)) return shared;
  return beside;
}
