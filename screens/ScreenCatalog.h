#pragma once

class Shell;

/// Makes every screen window of the player known to the shell by its name.
void registerScreens(Shell& shell);
