#pragma once
// A window's placement (normal rectangle, minimised and maximised positions, show state) kept in
// the program's settings file as ten "Place..." integers in one section, so that a window reopens
// where and how it was left.

#include <string>

class QWidget;

// The settings file of an executable: its path with the extension of the last name component
// replaced by ".ini", or ".ini" appended when it has none ("/opt/orvane" -> "/opt/orvane.ini").
std::string IniFileNameFor(const std::string& exeName);

// Where an executable keeps its settings: IniFileNameFor(exeName) when this user can write the
// executable's folder (a build tree, a copy in one's home), else "orvane/orvane.ini" in the user's
// configuration folder (an installed /usr/bin/orvane), which is made when missing.
std::string SettingsFileNameFor(const std::string& exeName);

// The settings file of the running program. Tests point it elsewhere with SetApplicationIniFileName
// (an empty name goes back to the one beside the executable).
std::string ApplicationIniFileName();
void SetApplicationIniFileName(std::string fileName);

// The section defaults to the window's class name ("TfrmMain"). Keys missing from the file keep
// the window's present values; the saved show state is applied too. A normal rectangle smaller
// than the window's minimum size, or outside every screen, is not applied: the window keeps its
// present one.
void LoadPlacement(QWidget* window);
void LoadPlacement(QWidget* window, const std::string& section);

// Throws platform::EIniFileException when the file cannot be written; keys written before stay.
void SavePlacement(QWidget* window);
void SavePlacement(QWidget* window, const std::string& section);
