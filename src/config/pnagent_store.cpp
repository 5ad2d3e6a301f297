#include "config/pnagent_store.h"

#include "config/settings_file.h"
#include "config/xml.h"

namespace lanthe {

namespace {

int HexDigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// A hexadecimal number of any length; only its lowest 16 bits are kept, which is
// all that bytes and UTF-16 code units need.
std::optional<std::uint16_t> ParseHexItem(TextView item) {
  if (item.empty()) return std::nullopt;
  std::uint32_t value = 0;
  for (char16_t c : item) {
    const int digit = HexDigitValue(c);
    if (digit < 0) return std::nullopt;
    value = ((value << 4) | static_cast<std::uint32_t>(digit)) & 0xFFFF;
  }
  return static_cast<std::uint16_t>(value);
}

bool IsItemSpace(char16_t c) { return c >= 1 && c <= u' '; }

// Splits like a comma-separated string list: white space separates and is skipped,
// quoted items may hold anything (a doubled quote stands for one), a NUL ends the text.
std::vector<Text> SplitCommaText(TextView text) {
  if (const auto nul = text.find(u'\0'); nul != TextView::npos) text = text.substr(0, nul);
  std::vector<Text> items;
  std::size_t i = 0;
  const auto skipSpace = [&] {
    while (i < text.size() && IsItemSpace(text[i])) ++i;
  };
  skipSpace();
  while (i < text.size()) {
    Text item;
    if (text[i] == u'"') {
      ++i;
      while (i < text.size()) {
        if (text[i] == u'"') {
          if (i + 1 < text.size() && text[i + 1] == u'"') {
            item.push_back(u'"');
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        item.push_back(text[i++]);
      }
    } else {
      const std::size_t start = i;
      while (i < text.size() && text[i] > u' ' && text[i] != u',') ++i;
      item.assign(text.substr(start, i - start));
    }
    items.push_back(std::move(item));
    skipSpace();
    if (i < text.size() && text[i] == u',') {
      if (i + 1 == text.size()) items.emplace_back();
      do {
        ++i;
      } while (i < text.size() && IsItemSpace(text[i]));
    }
  }
  return items;
}

}  // namespace

Text PNAgentBytesToText(const std::vector<std::uint8_t>& bytes) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  Text text;
  text.reserve(bytes.size() * 3);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i > 0) text.push_back(u',');
    text.push_back(kDigits[bytes[i] >> 4]);
    text.push_back(kDigits[bytes[i] & 0xF]);
  }
  return text;
}

std::optional<std::vector<std::uint8_t>> PNAgentTextToBytes(TextView text) {
  std::vector<std::uint8_t> bytes;
  for (const auto& item : SplitCommaText(text)) {
    const auto value = ParseHexItem(item);
    if (!value) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(*value & 0xFF));
  }
  return bytes;
}

PNAgentLines PNAgentTextToLines(TextView text) {
  PNAgentLines result;
  if (text.empty()) return result;
  Text line;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(u',', start);
    TextView piece = text.substr(start, comma == TextView::npos ? TextView::npos : comma - start);
    while (!piece.empty() && IsItemSpace(piece.front())) piece.remove_prefix(1);
    while (!piece.empty() && IsItemSpace(piece.back())) piece.remove_suffix(1);
    const auto code = ParseHexItem(piece);
    if (!code) {
      result.ok = false;
      result.badPiece = Text(piece);
      return result;
    }
    line.push_back(static_cast<char16_t>(*code));
    if (*code == u'>') {
      result.lines.push_back(std::move(line));
      line.clear();
    }
    if (comma == TextView::npos) break;
    start = comma + 1;
  }
  if (!line.empty()) result.lines.push_back(std::move(line));
  return result;
}

Text FindPNAgentDesktopName(const std::vector<std::uint8_t>& document) {
  // Byte for byte, no character-set decoding; a NUL that ends the value is no part
  // of the document.
  Text text(document.begin(), document.end());
  while (!text.empty() && text.back() == u'\0') text.pop_back();
  const auto replaceAll = [&text](TextView from, TextView to) {
    for (std::size_t at = text.find(from); at != Text::npos; at = text.find(from, at + to.size())) {
      text.replace(at, from.size(), to);
    }
  };
  // PNAgent writes these element names with blanks, which no XML reader accepts.
  replaceAll(u"User Blob", u"UserBlob");
  replaceAll(u"Primary Server Blob", u"PrimaryServerBlob");
  const auto parsed = ParseXml(text);
  if (!parsed || !parsed->root) return Text();
  Text name;
  for (const auto& child : parsed->root->children) {
    const XmlElement* key = FindXmlChild(child.children, u"Key");
    if (!key || key->Value() != u"DesktopName") continue;
    if (const XmlElement* value = FindXmlChild(child.children, u"Value")) name = value->Value();
  }
  return name;
}

PNAgentStore::PNAgentStore(IRegistry& registry, IFileSystem& files, ICodePage& codePage)
    : registry_(registry), files_(files), codePage_(codePage) {}

void PNAgentStore::SetPNAgentServerURL(TextView url) {
  if (auto key = registry_.OpenKey(RegistryRoot::CurrentUser, kPNAgentKey)) {
    key->WriteString(kPNAgentServerURLValue, url);
  }
}

Text PNAgentStore::GetPNAgentServerURL() {
  auto key = registry_.OpenKey(RegistryRoot::CurrentUser, kPNAgentKey);
  if (!key) return Text();
  return ReadStringValue(*key, kPNAgentServerURLValue).value_or(Text());
}

std::optional<std::vector<std::uint8_t>> PNAgentStore::ReadConfigBytes() {
  auto key = registry_.OpenKey(RegistryRoot::CurrentUser, kPNAgentKey);
  if (!key) return std::vector<std::uint8_t>();
  auto value = key->ReadValue(kPNAgentConfigValue);
  if (!value) return std::vector<std::uint8_t>();
  // Only text and number types are refused; every other type holds bytes.
  if (value->type == RegistryType::kString || value->type == RegistryType::kExpandString ||
      value->type == RegistryType::kDword) {
    return std::nullopt;
  }
  return std::move(value->data);
}

std::optional<Text> PNAgentStore::TryReadPNAgentConfig() {
  auto bytes = ReadConfigBytes();
  if (!bytes) return std::nullopt;
  return PNAgentBytesToText(*bytes);
}

Text PNAgentStore::ReadPNAgentConfig() { return TryReadPNAgentConfig().value_or(Text()); }

bool PNAgentStore::WritePNAgentConfig(TextView textForm) {
  const auto bytes = PNAgentTextToBytes(textForm);
  if (!bytes) return false;
  auto key = registry_.OpenKey(RegistryRoot::CurrentUser, kPNAgentKey);
  if (!key) return true;
  return key->WriteBinary(kPNAgentConfigValue, *bytes);
}

Text PNAgentStore::GetXenAppDesktopFolder() {
  const auto bytes = ReadConfigBytes();
  if (!bytes || bytes->empty()) return Text();
  return FindPNAgentDesktopName(*bytes);
}

bool PNAgentStore::SaveXenAppSettings(TSettings& settings) {
  const auto config = TryReadPNAgentConfig();
  if (!config) return false;
  settings.XenApp.PNAgentConfig = *config;
  if (config->empty()) return false;
  std::string line;
  if (!codePage_.TryEncode(*config, line)) return false;  // the text form is ASCII
  line += "\r\n";
  return files_.WriteFileAtomic(XenAppSettingsPath(settings), line);
}

bool PNAgentStore::LoadXenAppSettings(TSettings& settings) {
  const auto bytes = files_.ReadFile(XenAppSettingsPath(settings));
  if (!bytes) return false;
  const Text line = FirstLine(DecodeTextFile(*bytes, codePage_));
  if (line.empty() || !PNAgentTextToBytes(line)) return false;
  settings.XenApp.PNAgentConfig = line;
  return WritePNAgentConfig(line);
}

Text XenAppSettingsPath(const TSettings& settings) { return settings.ProgramDir + kXenAppSettingsFileName; }

Text FirstLine(TextView text) {
  const auto end = text.find_first_of(u"\r\n");
  return Text(text.substr(0, end));
}

}  // namespace lanthe
