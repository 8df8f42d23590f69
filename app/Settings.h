#pragma once
// The settings file: sections "Main", "Play" and "ShortCut" (and "TfrmMain", the window's
// placement), read once when the main window is created and written once when it is destroyed.
// TfrmMain's OpenIni, CloseIni, LoadSettings, SaveSettings, RegisterShortCut and SaveShortCut are
// defined in Settings.cpp.

// The "Filter" value when the file has none: one entry per playable type, then all of them.
constexpr const char* DefaultFilter =
    "wav|*.wav|mp3|*.mp3|avi|*.avi|wmv|*.wmv|mpg|*.mpg|m2p|*.m2p|vob|*.vob|vg2|*.vg2|"
    "all(wav,mp3,avi,wmv,mpg,m2p,vob,vg2)|*.*";
