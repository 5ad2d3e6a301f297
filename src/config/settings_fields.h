#pragma once
// The elements of the settings file and the record fields they carry, in the order
// in which the file is written. Loading, saving and lanthe-config all work from this
// one table.

#include <cstdint>
#include <span>
#include <string_view>

#include "config/settings.h"
#include "platform/text.h"

namespace lanthe {

enum class FieldKind {
  kInteger,     // decimal, "-" when negative
  kFlagWord,    // "True" / "False"
  kFlagNumber,  // "-1" / "0" (only RDP.FullScreen)
  kText,
};

// What a field becomes when its element is missing from an existing file.
enum class MissingRule {
  kConstant,          // the constant given with the field
  kKeepCurrent,       // the field's current value
  kCitrixClientPath,  // Program Files followed by "\Citrix\ICA Client", asked afresh
  kSystemFolder,      // the system folder, asked afresh
};

struct SettingsField {
  std::u16string_view section;   // empty for elements directly below the root
  std::u16string_view element;   // the name written
  std::u16string_view readName;  // the name asked for when reading (letter case may differ)
  std::string_view recordName;   // "RDP.Port"
  FieldKind kind;
  std::int32_t& (*integer)(TSettings&) = nullptr;
  bool& (*flag)(TSettings&) = nullptr;
  Text& (*text)(TSettings&) = nullptr;
  MissingRule missingRule = MissingRule::kConstant;
  std::int32_t missingInteger = 0;
  bool missingFlag = false;
  std::u16string_view missingText;
  // Elements that came later are written only when their value differs from the one
  // a missing element reads as, so that files using none of them keep their bytes.
  bool writtenOnlyWhenChanged = false;
  // Integers the program keeps within a range (the nearest limit counts).
  bool ranged = false;
  std::int32_t minimum = 0;
  std::int32_t maximum = 0;

  bool IsFlag() const { return kind == FieldKind::kFlagWord || kind == FieldKind::kFlagNumber; }

  // Reading through the accessors, which hand out references for reading and writing
  // alike; reading does not change the record.
  std::int32_t IntegerOf(const TSettings& s) const { return integer(const_cast<TSettings&>(s)); }
  bool FlagOf(const TSettings& s) const { return flag(const_cast<TSettings&>(s)); }
  const Text& TextOf(const TSettings& s) const { return text(const_cast<TSettings&>(s)); }

  // Whether the record's value is the one a missing element reads as.
  bool HoldsMissingValue(const TSettings& s) const;
};

// Every element of the settings file, sections in the order "Citrix", "ICA",
// "XenApp", "RDP", "Autologon" between the top-level values, then the later additions
// and their "StoreFront" section.
std::span<const SettingsField> SettingsFields();

// The section names in file order.
std::span<const std::u16string_view> SettingsSections();

// The field of a record name such as "RDP.Port" (letter case aside); nullptr when
// no element carries it.
const SettingsField* FindSettingsField(std::string_view recordName);

}  // namespace lanthe
