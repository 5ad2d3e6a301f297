#pragma once
// Settings set by policy: an administrator of many kiosks sets any setting of the
// settings file centrally (Group Policy, or an MDM importing the templates) under
// HKEY_LOCAL_MACHINE\Software\Policies\Lanthe. A policy value overrides the file's
// value for the whole run; the file itself is never changed by a policy, so that
// removing the policy brings the file's value back.
//
// A top-level setting is the value named like its element ("CurrentShell"), a grouped
// one the value of that name in the subkey named like its group ("RDP\Connection").
// Integers and flags are REG_DWORD (a flag is true when the value is not 0), texts
// REG_SZ or REG_EXPAND_SZ (expanded). A value of any other type is left alone.

#include <span>
#include <string_view>
#include <vector>

#include "config/settings.h"
#include "config/settings_fields.h"
#include "platform/folders.h"
#include "platform/registry.h"

namespace lanthe {

inline constexpr char16_t kPolicyKey[] = u"Software\\Policies\\Lanthe";
inline constexpr char16_t kSetByPolicy[] = u"Set by policy";

// Whether a setting can be set by policy: every element of the settings file but the
// account's password (a policy value is readable by every user of the machine).
bool HasPolicy(const SettingsField& field);

// The fields that can be set by policy, in the settings file's order.
std::vector<const SettingsField*> PolicyFields();

// The registry path of a field's policy value below HKEY_LOCAL_MACHINE, for messages:
// "Software\Policies\Lanthe\RDP\Connection".
Text PolicyValuePath(const SettingsField& field);

class PolicyOverrides {
 public:
  // Reads every policy value there is and puts it into settings, remembering the
  // values settings held before (the file's). Earlier overrides are forgotten first.
  void Apply(IRegistry& registry, IFolders& folders, TSettings& settings);

  // The settings as the file keeps them: every overridden field back at the value it
  // had before the policy, everything else as in effective.
  TSettings FileSettings(const TSettings& effective) const;
  // Puts every overridden field of settings back to its policy value (after a dialog
  // or the wizard handed back a whole record).
  void Reapply(TSettings& settings) const;

  bool Overridden(std::string_view recordName) const;
  std::span<const SettingsField* const> Fields() const { return fields_; }
  bool empty() const { return fields_.empty(); }

 private:
  std::vector<const SettingsField*> fields_;
  TSettings fileValues_;    // the overridden fields' values before the policy
  TSettings policyValues_;  // the overridden fields' policy values
};

// A control of a dialog and the settings it edits, comma-separated by their record
// names ("ShowShutdown,ShowLogoff"): the control is greyed "Set by policy" when any of
// them is.
struct PolicyControl {
  std::string_view control;
  std::string_view settings;
};

// Whether the control of the table edits a setting set by policy; false without
// policies or for a control that the table does not name.
bool ControlSetByPolicy(const PolicyOverrides* policies, std::span<const PolicyControl> table,
                        std::string_view control);

// Copies one field's value from a record to another.
void CopySettingsField(const SettingsField& field, const TSettings& from, TSettings& to);

}  // namespace lanthe
