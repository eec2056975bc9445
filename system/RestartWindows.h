// Restarting the machine, when the user asked for it: never unasked.
#pragma once

// Takes the shutdown privilege and asks Windows to restart, as a planned
// restart for an installation. False (the system's error set) when refused.
bool RestartWindows();
