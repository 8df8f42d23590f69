#pragma once
// The program's command line: nothing starts the player; one command option (--next, --show,
// --quit ...) sends that command to the running player and ends; --help and --version answer.

#include <optional>

// nullopt: no arguments, start the player. Otherwise the exit status of the program: 0 done,
// 1 no running player took the command, 2 a command line it does not understand.
std::optional<int> RunCommandLine(int argc, char** argv);
