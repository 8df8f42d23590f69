#pragma once
// A command's hotkey registered with what it is for (its remote name and a sentence, which the
// desktop portal shows in the desktop's shortcut settings); a combination that cannot be had is
// reported on standard error, once, naming its settings key and the reason.

class QWidget;

// False when the hotkey is not registered (and then reported).
bool RegisterCommandHotkey(QWidget* window, int id, unsigned modifiers, unsigned vk);
