#pragma once
// Which of Qt's platforms the player runs on. In a Wayland session that also offers an X display
// (XWayland) it runs on X11: the video window and the hotkeys' X11 grabs need it. A platform the
// user chose (QT_QPA_PLATFORM) is kept.

// Sets the choice in the environment before the application object exists. False, with a line
// on standard error, when there is no display at all.
bool ChooseDisplayPlatform();
