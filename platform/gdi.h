// The GDI bitmap calls the image core makes. On Windows they are the real
// ones; elsewhere an in-memory stand-in with the same names and results.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include "gdi_standin.h"
#endif
