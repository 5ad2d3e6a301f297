// The floor of the memory figures: a Win32 program that shows one message box.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  ::MessageBoxW(nullptr, L"Waiting", L"Floor", MB_OK);
  return 0;
}
