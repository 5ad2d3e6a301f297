// The portable core reaches the machine only through its own interfaces:
// Windows headers belong to the Win32 side (src/*/win32).
#error "combaseapi.h must not be included by the portable core"
