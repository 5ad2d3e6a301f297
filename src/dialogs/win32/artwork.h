#pragma once
// Resource numbers of the dialogs' pictures (in lanthe.rc).
#define LANTHE_BITMAP_SHUTDOWN_BANNER 101
#define LANTHE_BITMAP_SHUTDOWN_ICON 102
#define LANTHE_BITMAP_REFRESH 103
#define LANTHE_BITMAP_WIZARD_LOGO 104
