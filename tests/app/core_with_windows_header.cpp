// A core file that reaches for the Windows API directly; the build must refuse it.
#include "config/settings.h"
#include <windows.h>
