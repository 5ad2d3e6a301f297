#pragma once
// The settings file, settings.xml in the program directory: reading values with the
// file's lenient rules, writing the whole file in its fixed layout, and the load and
// save steps of the main window with their messages.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "config/settings.h"
#include "config/settings_fields.h"
#include "config/xml.h"
#include "platform/code_page.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/identity.h"
#include "platform/message_boxes.h"

namespace lanthe {

class PNAgentStore;

inline constexpr char16_t kSettingsFileName[] = u"settings.xml";
inline constexpr char16_t kSettingsBackupSuffix[] = u".bak";

// --- Reading single values ---------------------------------------------------------

// The last child of that name, letter case aside; only direct children count.
const XmlElement* FindXmlChild(const std::vector<XmlElement>& list, TextView name);

// Integer text: leading blanks, an optional sign, then decimal digits, or hexadecimal
// digits after "$", "x" or "0x". Taken modulo 2^32 as a signed number. nullopt for
// anything else, the empty text included.
std::optional<std::int32_t> ParseSettingsInteger(TextView text);

// Flag text: a decimal number (the same in every locale: "." is the only decimal
// point) is true when it is not zero; otherwise "True" or "False" in any letter case.
// nullopt for anything else, the empty text included.
std::optional<bool> ParseSettingsFlag(TextView text);

// The three readers of the settings file. Each returns the default when the list has
// no element of that name; otherwise the element's value, converted: integer junk
// reads -1 and flag junk false.
Text GetXMLValue(const std::vector<XmlElement>& list, TextView name, TextView defaultValue);
std::int32_t GetXMLIntValue(const std::vector<XmlElement>& list, TextView name, std::int32_t defaultValue);
bool GetXMLBoolValue(const std::vector<XmlElement>& list, TextView name, bool defaultValue);

// Overwrites the record from the root's children: the top-level values with the
// defaults for missing elements, each section present read whole, each section
// absent left alone. A missing root reads as a root without children.
void ReadSettings(const XmlElement* root, TSettings& settings, IFolders& folders);

// The root element "Settings" with every element of the file, in write order.
XmlElement BuildSettingsElement(const TSettings& settings);

// The text form a field is written with.
Text SettingsValueText(const SettingsField& field, const TSettings& settings);

// Decodes a text file: a UTF-8 or UTF-16 byte-order mark selects that encoding,
// without one the bytes are in the ANSI code page.
Text DecodeTextFile(std::string_view bytes, ICodePage& codePage);

// --- The file ----------------------------------------------------------------------

enum class SettingsLoadOutcome { kMissing, kLoaded, kRejected };

// Owns the document of the settings file for the life of the program: what stood
// before the root in the loaded file (declaration, comments) survives every save.
class SettingsFile {
 public:
  SettingsFile(IFileSystem& files, ICodePage& codePage, IFolders& folders);

  // Reads path into the document and the record. A missing file changes nothing; a
  // rejected one (unreadable, or not accepted by the XML reader) leaves the record as
  // it was and empties the document.
  SettingsLoadOutcome Load(TextView path, TSettings& settings, XmlError* error = nullptr);

  // Rebuilds the root from the record; the document then holds what Write writes.
  void Rebuild(const TSettings& settings);
  // The document as bytes, adding the default declaration when it has none.
  std::string Serialize() const;
  // Writes the document to path in one step. After a rejected load the first write
  // keeps the rejected file beside the new one as path + ".bak".
  bool Write(TextView path);

  const XmlDocument& Document() const { return document_; }

 private:
  IFileSystem& files_;
  ICodePage& codePage_;
  IFolders& folders_;
  XmlDocument document_;
  bool keepRejectedFile_ = false;
};

// The main window's load: a missing file asks "No configuration file found. Would
// you like to start the Setup wizard?" and runs the wizard on Yes (without a wizard to
// run, nothing is asked); a rejected file
// shows "Error Loading File: " and the path. Returns the outcome.
SettingsLoadOutcome LoadSettings(SettingsFile& file, TSettings& settings, IMessageBoxes& messages,
                                 const std::function<void()>& runSetupWizard);

// The main window's save: rebuilds the document, stores the PNAgent configuration
// when the settings ask for it (for every user), then writes the file when the user
// is an administrator, reporting a failed write with "Unable to save settings to
// file: " and the path. Returns whether the file was written.
bool SaveSettings(SettingsFile& file, TSettings& settings, IMessageBoxes& messages, IIdentity& identity,
                  PNAgentStore& pnagent);

// ProgramDir followed by "settings.xml".
Text SettingsFilePath(const TSettings& settings);

}  // namespace lanthe
