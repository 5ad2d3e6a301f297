// Walks every page of the setup wizard and saves a picture of each, for the
// documentation: lanthe-wizard-tour FOLDER writes FOLDER\wizard-NN.bmp, NN being the
// page, then the kiosk's windows (network-wait.bmp, settings-kiosk.bmp), and
// FOLDER\done.txt with the number of pictures that failed. Run it on a Wine
// desktop of its own, so that the windows have their frames (scripts/screenshots
// does).

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "harness.h"
#include "wizard_driver.h"

namespace lanthe::e2e {
namespace {

// The window as the screen shows it, frame included, as a 24-bit bitmap file.
bool SaveWindowPicture(HWND window, const std::wstring& file) {
  RECT bounds{};
  ::GetWindowRect(window, &bounds);
  const int width = bounds.right - bounds.left;
  const int height = bounds.bottom - bounds.top;
  if (width <= 0 || height <= 0) return false;
  const HDC screen = ::GetDC(nullptr);
  const HDC memory = ::CreateCompatibleDC(screen);
  const HBITMAP picture = ::CreateCompatibleBitmap(screen, width, height);
  const HGDIOBJ previous = ::SelectObject(memory, picture);
  ::BitBlt(memory, 0, 0, width, height, screen, bounds.left, bounds.top, SRCCOPY);
  ::SelectObject(memory, previous);

  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const int stride = (width * 3 + 3) & ~3;
  std::vector<char> pixels(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
  const int rows = ::GetDIBits(memory, picture, 0, static_cast<UINT>(height), pixels.data(),
                               reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
  ::DeleteObject(picture);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  if (rows != height) return false;

  BITMAPFILEHEADER fileHeader{};
  fileHeader.bfType = 0x4D42;  // "BM"
  fileHeader.bfOffBits = sizeof fileHeader + sizeof header;
  fileHeader.bfSize = fileHeader.bfOffBits + static_cast<DWORD>(pixels.size());
  std::ofstream out(std::filesystem::path(file), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&fileHeader), sizeof fileHeader);
  out.write(reinterpret_cast<const char*>(&header), sizeof header);
  out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  return out.good();
}

// The window that waits for the network, and the settings dialog's "Kiosk" page.
int KioskTour(const std::wstring& folder) {
  int failures = 0;
  {
    RunOptions options;
    options.administrator = false;
    options.networkUpAfterMs = L"never";
    options.settingsFile = "<Settings><CurrentShell>1</CurrentShell><ConnectionType>0</ConnectionType>"
                           "<RDP><ClientPath>$CLIENTS</ClientPath><Connection>ts01</Connection></RDP></Settings>";
    LantheRun run(options);
    HWND wait = run.WaitForWindow(L"Korvex NG");
    ::Sleep(1600);  // counted down a little
    if (!wait || !SaveWindowPicture(wait, folder + L"\\network-wait.bmp")) ++failures;
  }
  LantheRun run({.settingsFile = std::string("<Settings><LockSecureScreen>True</LockSecureScreen>"
                                             "<WaitForNetwork>60</WaitForNetwork></Settings>")});
  HWND main = run.WaitForWindow(L"Lanthe");
  if (main) Click(FindControl(main, L"Button", L"Settings"));
  HWND dialog = main ? run.WaitForWindow(L"Settings") : nullptr;
  if (!dialog) return failures + 1;
  // From the first page shown ("Custom ICA settings") to "Kiosk", as the arrow keys go.
  HWND tabs = FindControl(dialog, L"SysTabControl32", L"");
  for (int i = 0; i < 5; ++i) {
    ::PostMessageW(tabs, WM_KEYDOWN, VK_RIGHT, 1);
    ::Sleep(150);
  }
  ::Sleep(400);
  if (!SaveWindowPicture(dialog, folder + L"\\settings-kiosk.bmp")) ++failures;
  ClickButton(dialog, L"Cancel");
  return failures;
}

int Tour(const std::wstring& folder) {
  LantheRun run({.settingsFile = std::string(
                     "<Settings><ConnectionType>1</ConnectionType><Citrix><ClientPath>$CLIENTS</ClientPath></Citrix>"
                     "<RDP><Connection>ts01.school.example</Connection></RDP><StoreFront>"
                     "<StoreURL>https://storefront.school.example/Citrix/Store/discovery</StoreURL></StoreFront>"
                     "</Settings>"),
                 .appsrvIni = std::string("[ApplicationServers]\r\nDesktop=\r\nOffice=\r\n")});
  HWND main = run.WaitForWindow(L"Lanthe");
  if (!main) return 2;
  Click(FindControl(main, L"Button", L"Setup Wizard"));
  HWND wizard = run.WaitForWindow(L"Setup Wizard");
  if (!wizard) return 3;

  int failures = 0;
  const auto picture = [&](int page, const wchar_t* title) {
    if (!OnPage(wizard, title)) {
      std::fwprintf(stderr, L"page %d (%ls) did not show\n", page, title);
      ++failures;
      return;
    }
    ::Sleep(400);  // painted
    wchar_t name[32];
    std::swprintf(name, 32, L"\\wizard-%02d.bmp", page);
    if (!SaveWindowPicture(wizard, folder + name)) ++failures;
  };
  const auto next = [&] { ClickButton(wizard, L"Next >"); };
  // Back or on, page by page, until the page with this title shows.
  const auto walkTo = [&](const std::wstring& title, const wchar_t* button) {
    for (int i = 0; i < 12; ++i) {
      if (!VisibleControls(wizard, L"Static", &title).empty()) return;
      ClickButton(wizard, button);
      ::Sleep(200);
    }
  };

  // The Custom ICA walk shows every page but the other connection types' own.
  const wchar_t* icaWalk[][2] = {{L"0", L"Welcome"},
                                 {L"1", L"Select Connection Type"},
                                 {L"2", L"Check requirements"},
                                 {L"3", L"Download software"},
                                 {L"4", L"Configure Citrix Client"},
                                 {L"8", L"Configure Korvex User"},
                                 {L"9", L"Configure Autologon"},
                                 {L"10", L"Configure Shell"},
                                 {L"11", L"Completed"}};
  for (const auto& step : icaWalk) {
    picture(std::stoi(step[0]), step[1]);
    if (std::wstring(step[1]) != L"Completed") next();
  }
  // Then the connection type changed, for the other three connection pages.
  walkTo(L"Select Connection Type", L"< Back");
  ClickButton(wizard, L"XenApp (PNAgent)");
  walkTo(L"Configure XenApp Client", L"Next >");
  picture(5, L"Configure XenApp Client");
  walkTo(L"Select Connection Type", L"< Back");
  ClickButton(wizard, L"Remote Desktop Protocol");
  walkTo(L"Configure RDP Client", L"Next >");
  picture(6, L"Configure RDP Client");
  walkTo(L"Select Connection Type", L"< Back");
  ClickButton(wizard, L"Citrix StoreFront");
  walkTo(L"Configure StoreFront", L"Next >");
  picture(7, L"Configure StoreFront");
  ClickButton(wizard, L"Cancel");
  failures += KioskTour(folder);
  // The caller may not see the exit code (a Wine desktop in between): a file says it.
  std::ofstream(std::filesystem::path(folder + L"\\done.txt")) << failures << "\n";
  return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace lanthe::e2e

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputws(L"usage: lanthe-wizard-tour FOLDER\n", stderr);
    return 2;
  }
  return lanthe::e2e::Tour(argv[1]);
}
