#include "config/settings_file.h"

#include "config/pnagent_store.h"

namespace lanthe {

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int HexDigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// A decimal number such as "-1", "0.5", "1e3" or ".5"; true when its digits are not all zero.
std::optional<bool> ParseDecimalNumber(TextView text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
  bool digits = false;
  bool nonZero = false;
  while (i < text.size() && IsDigit(text[i])) {
    digits = true;
    nonZero = nonZero || text[i] != u'0';
    ++i;
  }
  if (i < text.size() && text[i] == u'.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) {
      digits = true;
      nonZero = nonZero || text[i] != u'0';
      ++i;
    }
  }
  if (!digits) return std::nullopt;
  if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
    ++i;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
    bool exponentDigits = false;
    while (i < text.size() && IsDigit(text[i])) {
      exponentDigits = true;
      ++i;
    }
    if (!exponentDigits) return std::nullopt;
  }
  while (i < text.size() && text[i] == u' ') ++i;
  if (i != text.size()) return std::nullopt;
  return nonZero;
}

void ReadField(const SettingsField& field, const std::vector<XmlElement>& list, TSettings& settings,
               IFolders& folders) {
  switch (field.kind) {
    case FieldKind::kInteger:
      field.integer(settings) = GetXMLIntValue(list, field.readName, field.missingInteger);
      return;
    case FieldKind::kFlagWord:
    case FieldKind::kFlagNumber:
      field.flag(settings) = GetXMLBoolValue(list, field.readName, field.missingFlag);
      return;
    case FieldKind::kText: {
      Text missing;
      switch (field.missingRule) {
        case MissingRule::kConstant: missing = Text(field.missingText); break;
        case MissingRule::kKeepCurrent: missing = field.text(settings); break;
        case MissingRule::kCitrixClientPath: missing = DefaultCitrixClientPath(folders); break;
        case MissingRule::kSystemFolder: missing = folders.GetSpecialFolder(Csidl::kSystem); break;
      }
      field.text(settings) = GetXMLValue(list, field.readName, missing);
      return;
    }
  }
}

}  // namespace

const XmlElement* FindXmlChild(const std::vector<XmlElement>& list, TextView name) {
  const XmlElement* found = nullptr;
  for (const auto& child : list) {
    if (EqualsIgnoreAsciiCase(child.name, name)) found = &child;
  }
  return found;
}

std::optional<std::int32_t> ParseSettingsInteger(TextView text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  int base = 10;
  if (i < text.size() && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return std::nullopt;
  std::uint32_t value = 0;  // wraps modulo 2^32 by the rules of unsigned arithmetic
  for (; i < text.size(); ++i) {
    const int digit = HexDigitValue(text[i]);
    if (digit < 0 || digit >= base) return std::nullopt;
    value = value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit);
  }
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

std::optional<bool> ParseSettingsFlag(TextView text) {
  if (auto number = ParseDecimalNumber(text)) return number;
  if (EqualsIgnoreAsciiCase(text, u"True")) return true;
  if (EqualsIgnoreAsciiCase(text, u"False")) return false;
  return std::nullopt;
}

Text GetXMLValue(const std::vector<XmlElement>& list, TextView name, TextView defaultValue) {
  const XmlElement* element = FindXmlChild(list, name);
  return element ? element->Value() : Text(defaultValue);
}

std::int32_t GetXMLIntValue(const std::vector<XmlElement>& list, TextView name, std::int32_t defaultValue) {
  const XmlElement* element = FindXmlChild(list, name);
  if (!element) return defaultValue;
  return ParseSettingsInteger(element->Value()).value_or(-1);
}

bool GetXMLBoolValue(const std::vector<XmlElement>& list, TextView name, bool defaultValue) {
  const XmlElement* element = FindXmlChild(list, name);
  if (!element) return defaultValue;
  return ParseSettingsFlag(element->Value()).value_or(false);
}

void ReadSettings(const XmlElement* root, TSettings& settings, IFolders& folders) {
  static const std::vector<XmlElement> kNoChildren;
  const std::vector<XmlElement>& top = root ? root->children : kNoChildren;
  for (const auto& field : SettingsFields()) {
    if (field.section.empty()) {
      ReadField(field, top, settings, folders);
    } else if (const XmlElement* section = FindXmlChild(top, field.section)) {
      ReadField(field, section->children, settings, folders);
    }
  }
}

Text SettingsValueText(const SettingsField& field, const TSettings& settings) {
  switch (field.kind) {
    case FieldKind::kInteger: return IntToText(field.IntegerOf(settings));
    case FieldKind::kFlagWord: return field.FlagOf(settings) ? u"True" : u"False";
    case FieldKind::kFlagNumber: return field.FlagOf(settings) ? u"-1" : u"0";
    case FieldKind::kText: return field.TextOf(settings);
  }
  return Text();
}

XmlElement BuildSettingsElement(const TSettings& settings) {
  XmlElement root;
  root.name = u"Settings";
  for (const auto& field : SettingsFields()) {
    if (field.writtenOnlyWhenChanged && field.HoldsMissingValue(settings)) continue;
    std::vector<XmlElement>* parent = &root.children;
    if (!field.section.empty()) {
      if (root.children.empty() || root.children.back().name != field.section) {
        XmlElement section;
        section.name = Text(field.section);
        root.children.push_back(std::move(section));
      }
      parent = &root.children.back().children;
    }
    XmlElement value;
    value.name = Text(field.element);
    value.text = SettingsValueText(field, settings);
    value.blank = value.text.empty();
    parent->push_back(std::move(value));
  }
  return root;
}

Text DecodeTextFile(std::string_view bytes, ICodePage& codePage) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return Utf8ToText(bytes.substr(3));
  const bool littleEndian = bytes.substr(0, 2) == "\xFF\xFE";
  const bool bigEndian = bytes.substr(0, 2) == "\xFE\xFF";
  if (littleEndian || bigEndian) {
    Text text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
      const auto first = static_cast<unsigned char>(bytes[i]);
      const auto second = static_cast<unsigned char>(bytes[i + 1]);
      text.push_back(static_cast<char16_t>(littleEndian ? (first | (second << 8)) : ((first << 8) | second)));
    }
    return text;
  }
  return codePage.Decode(bytes);
}

SettingsFile::SettingsFile(IFileSystem& files, ICodePage& codePage, IFolders& folders)
    : files_(files), codePage_(codePage), folders_(folders) {}

SettingsLoadOutcome SettingsFile::Load(TextView path, TSettings& settings, XmlError* error) {
  if (!files_.FileExists(path)) return SettingsLoadOutcome::kMissing;
  const auto bytes = files_.ReadFile(path);
  std::optional<XmlDocument> document;
  if (bytes) {
    document = ParseXml(DecodeTextFile(*bytes, codePage_), error);
  } else if (error) {
    *error = XmlError{0, "the file cannot be opened"};
  }
  if (!document) {
    document_ = XmlDocument();
    keepRejectedFile_ = true;
    return SettingsLoadOutcome::kRejected;
  }
  document_ = std::move(*document);
  ReadSettings(document_.root ? &*document_.root : nullptr, settings, folders_);
  return SettingsLoadOutcome::kLoaded;
}

void SettingsFile::Rebuild(const TSettings& settings) { document_.root = BuildSettingsElement(settings); }

std::string SettingsFile::Serialize() const { return SerializeXml(document_, u"  ", codePage_); }

bool SettingsFile::Write(TextView path) {
  std::optional<Text> backup;
  if (keepRejectedFile_ && files_.FileExists(path)) backup = Text(path) + kSettingsBackupSuffix;
  if (!files_.WriteFileAtomic(path, Serialize(), backup)) return false;
  keepRejectedFile_ = false;
  return true;
}

Text SettingsFilePath(const TSettings& settings) { return settings.ProgramDir + kSettingsFileName; }

SettingsLoadOutcome LoadSettings(SettingsFile& file, TSettings& settings, IMessageBoxes& messages,
                                 const std::function<void()>& runSetupWizard) {
  const Text path = SettingsFilePath(settings);
  const SettingsLoadOutcome outcome = file.Load(path, settings);
  if (outcome == SettingsLoadOutcome::kMissing) {
    if (runSetupWizard && messages.Confirm(u"No configuration file found. Would you like to start the Setup wizard?")) {
      runSetupWizard();
    }
  } else if (outcome == SettingsLoadOutcome::kRejected) {
    messages.ShowMessage(u"Error Loading File: " + path);
  }
  return outcome;
}

bool SaveSettings(SettingsFile& file, TSettings& settings, IMessageBoxes& messages, IIdentity& identity,
                  PNAgentStore& pnagent) {
  file.Rebuild(settings);
  if (settings.XenApp.CopyXenAppSettings) pnagent.SaveXenAppSettings(settings);
  if (!identity.IsAdministrator()) return false;
  const Text path = SettingsFilePath(settings);
  if (file.Write(path)) return true;
  messages.ShowMessage(u"Unable to save settings to file: " + path);
  return false;
}

}  // namespace lanthe
