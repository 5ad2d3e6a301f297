#pragma once
// PNAgent's configuration: the values the Citrix PNAgent client keeps in the current
// user's registry, their text form, and the stored copy XenAppSettings.cfg in the
// program directory.
//
// The text form holds every byte of "Configuration Model 000" as two upper-case
// hexadecimal digits, items separated by one comma: the bytes 3C 3F 78 are "3C,3F,78".

#include <cstdint>
#include <optional>
#include <vector>

#include "config/settings.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/registry.h"

namespace lanthe {

inline constexpr char16_t kPNAgentKey[] = u"\\SOFTWARE\\Citrix\\PNAgent\\";
inline constexpr char16_t kPNAgentServerURLValue[] = u"ServerURLCopy";
inline constexpr char16_t kPNAgentConfigValue[] = u"Configuration Model 000";
inline constexpr char16_t kXenAppSettingsFileName[] = u"XenAppSettings.cfg";

// Bytes to the text form; no bytes give empty text.
Text PNAgentBytesToText(const std::vector<std::uint8_t>& bytes);

// The text form back to bytes. Items are separated by commas and by white space
// (every character up to and including the blank), an item in double quotes is taken
// without them, and a comma at the very end adds an empty item. Each item is a
// hexadecimal number whose lowest 8 bits are the byte. nullopt when any item is empty
// or not hexadecimal.
std::optional<std::vector<std::uint8_t>> PNAgentTextToBytes(TextView text);

// The configuration viewer's reading of the text form: every comma-separated piece
// is a character code, and a line ends after each ">". When a piece is not a
// hexadecimal number, ok is false and lines hold what was decoded before it.
struct PNAgentLines {
  std::vector<Text> lines;
  bool ok = true;
  Text badPiece;  // the piece that is not a number, when ok is false
};
PNAgentLines PNAgentTextToLines(TextView text);

// The desktop-folder name in a PNAgent configuration document given as bytes: the
// "Value" of the last child of the root whose "Key" is exactly "DesktopName"; empty
// when there is none or the document cannot be read.
Text FindPNAgentDesktopName(const std::vector<std::uint8_t>& document);

// The registry side and the file side. The PNAgent key is opened for full access and
// never created: when the current user has no such key, reads give empty text and
// writes write nothing.
class PNAgentStore {
 public:
  PNAgentStore(IRegistry& registry, IFileSystem& files, ICodePage& codePage);

  void SetPNAgentServerURL(TextView url);
  Text GetPNAgentServerURL();

  // The text form of "Configuration Model 000"; empty when the key or value is
  // missing, the value is empty, or it is stored as a string or double word.
  Text ReadPNAgentConfig();
  // Like ReadPNAgentConfig, but nullopt when the value has one of the refused types.
  std::optional<Text> TryReadPNAgentConfig();

  // Converts every item first and writes only when all convert; false then, and the
  // registry is not touched. A missing key writes nothing (and is no failure).
  bool WritePNAgentConfig(TextView textForm);

  // PNAgent's desktop-folder name (only the name), or empty text.
  Text GetXenAppDesktopFolder();

  // Registry to file: XenApp.PNAgentConfig takes the live configuration, and a
  // non-empty one replaces XenAppSettings.cfg. Reports whether the file was written.
  bool SaveXenAppSettings(TSettings& settings);
  // File to registry: XenApp.PNAgentConfig takes the file's first line, which is
  // then written to the registry. A missing, unreadable or empty file, or a line that
  // is not in the text form, changes nothing. Reports whether the value was written.
  bool LoadXenAppSettings(TSettings& settings);

 private:
  std::optional<std::vector<std::uint8_t>> ReadConfigBytes();

  IRegistry& registry_;
  IFileSystem& files_;
  ICodePage& codePage_;
};

// ProgramDir followed by "XenAppSettings.cfg".
Text XenAppSettingsPath(const TSettings& settings);

// The first line of a text file's content (lines end with CR LF, CR or LF).
Text FirstLine(TextView text);

}  // namespace lanthe
