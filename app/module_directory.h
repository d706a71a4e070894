// The folder the program was started from, where the save dialog opens first.
#pragma once

// Fills g_moduleDirectory with the executable's folder, ending in a backslash
// (empty when the kernel's answer does not fit).
void computeModuleDirectory();
