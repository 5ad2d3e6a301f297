// Reading shortcut files through the shell's link object.

#include <windows.h>
#include <objidl.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include "platform/win32/wide.h"
#include "platform/win32/win32_platform.h"

namespace lanthe::win32 {

namespace {

constexpr CLSID kClsidShellLink = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kIidShellLinkW = {0x000214F9, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kIidPersistFile = {0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// Texts read from a shortcut come in buffers of 260 characters.
constexpr int kBuffer = MAX_PATH;

}  // namespace

std::optional<Shortcut> Win32ShellLinks::ReadShortcut(TextView path) noexcept {
  try {
    EnsureCom();
    Microsoft::WRL::ComPtr<IShellLinkW> link;
    if (FAILED(::CoCreateInstance(kClsidShellLink, nullptr, CLSCTX_INPROC_SERVER, kIidShellLinkW,
                                  reinterpret_cast<void**>(link.GetAddressOf())))) {
      return std::nullopt;
    }
    Microsoft::WRL::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(kIidPersistFile, reinterpret_cast<void**>(file.GetAddressOf())))) {
      return std::nullopt;
    }
    // Whether the file loads is not examined: a broken one gives empty texts.
    file->Load(ToWide(path).c_str(), STGM_READ);
    Shortcut shortcut;
    wchar_t text[kBuffer] = {};
    int iconIndex = 0;
    if (SUCCEEDED(link->GetIconLocation(text, kBuffer, &iconIndex))) shortcut.iconLocation = FromWideBuffer(text, kBuffer);
    text[0] = L'\0';
    if (SUCCEEDED(link->GetDescription(text, kBuffer))) shortcut.description = FromWideBuffer(text, kBuffer);
    text[0] = L'\0';
    if (SUCCEEDED(link->GetArguments(text, kBuffer))) shortcut.arguments = FromWideBuffer(text, kBuffer);
    return shortcut;
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace lanthe::win32
