#pragma once
// Files the program reads from where it is installed.

#include <string>

// The tile background "bg.bmp": beside the executable when there is one (a build tree, a copy
// kept with its own picture), else in "../share/orvane/" from the executable's folder, where the
// installation puts it, since nothing but programs goes into bin/. exeFolder ends in a delimiter.
// The first of the two when neither exists; loading it then fails and the tiles stay blank.
std::string BackgroundFileName(const std::string& exeFolder);
