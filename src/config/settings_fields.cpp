#include "config/settings_fields.h"

#include <array>

namespace lanthe {

namespace {

// One row per element. The accessors are captureless lambdas, so the table is a
// constant; the macros only keep each row on one line.
#define LANTHE_INT(member) [](TSettings& s) -> std::int32_t& { return s.member; }
#define LANTHE_FLAG(member) [](TSettings& s) -> bool& { return s.member; }
#define LANTHE_TEXT(member) [](TSettings& s) -> Text& { return s.member; }

constexpr SettingsField Integer(std::u16string_view section, std::u16string_view element,
                                std::string_view recordName, std::int32_t& (*field)(TSettings&),
                                std::int32_t missing) {
  SettingsField f{section, element, element, recordName, FieldKind::kInteger, {}, {}, {}, {}, {}, {}, {}};
  f.integer = field;
  f.missingInteger = missing;
  return f;
}

constexpr SettingsField Flag(std::u16string_view section, std::u16string_view element,
                             std::string_view recordName, bool& (*field)(TSettings&), bool missing,
                             FieldKind kind = FieldKind::kFlagWord) {
  SettingsField f{section, element, element, recordName, kind, {}, {}, {}, {}, {}, {}, {}};
  f.flag = field;
  f.missingFlag = missing;
  return f;
}

constexpr SettingsField String(std::u16string_view section, std::u16string_view element,
                               std::string_view recordName, Text& (*field)(TSettings&),
                               std::u16string_view missing,
                               MissingRule rule = MissingRule::kConstant) {
  SettingsField f{section, element, element, recordName, FieldKind::kText, {}, {}, {}, {}, {}, {}, {}};
  f.text = field;
  f.missingText = missing;
  f.missingRule = rule;
  return f;
}

constexpr SettingsField ReadAs(SettingsField field, std::u16string_view readName) {
  field.readName = readName;
  return field;
}

constexpr SettingsField WrittenOnlyWhenChanged(SettingsField field) {
  field.writtenOnlyWhenChanged = true;
  return field;
}

constexpr SettingsField Within(SettingsField field, std::int32_t minimum, std::int32_t maximum) {
  field.ranged = true;
  field.minimum = minimum;
  field.maximum = maximum;
  return field;
}

const std::array kFields = {
    Integer(u"", u"CurrentShell", "CurrentShell", LANTHE_INT(CurrentShell), 0),
    Integer(u"", u"CitrixLogOff", "CitrixLogOff", LANTHE_INT(CitrixLogOff), 0),
    Flag(u"", u"ShowReconnectDialog", "ShowReconnectDialog", LANTHE_FLAG(ShowReconnectDialog), false),
    Flag(u"", u"ShowShutdownDialog", "ShowShutdownDialog", LANTHE_FLAG(ShowShutdownDialog), false),
    Flag(u"", u"ShowShutdown", "ShowShutdown", LANTHE_FLAG(ShowShutdown), true),
    Flag(u"", u"ShowLogoff", "ShowLogoff", LANTHE_FLAG(ShowLogoff), true),
    Flag(u"", u"ShowRestart", "ShowRestart", LANTHE_FLAG(ShowRestart), true),
    Integer(u"", u"ShutdownDialogDefaultChoice", "ShutdownDialogDefaultChoice",
            LANTHE_INT(ShutdownDialogDefaultChoice), 0),
    Integer(u"", u"ConnectionType", "ConnectionType", LANTHE_INT(ConnectionType), 1),

    String(u"Citrix", u"ClientPath", "Citrix.ClientPath", LANTHE_TEXT(Citrix.ClientPath), u"",
           MissingRule::kCitrixClientPath),
    String(u"Citrix", u"SetupFile", "Citrix.SetupFile", LANTHE_TEXT(Citrix.SetupFile), u"XenAppHosted.msi"),

    String(u"ICA", u"CommandlineParameters", "ICA.CommandlineParameters",
           LANTHE_TEXT(ICA.CommandlineParameters), u""),
    Flag(u"ICA", u"CopyICASettings", "ICA.CopyICASettings", LANTHE_FLAG(ICA.CopyICASettings), false),
    String(u"ICA", u"GlobalAppSrvIniLocation", "ICA.GlobalAppSrvIniLocation",
           LANTHE_TEXT(ICA.GlobalAppSrvIniLocation), u"", MissingRule::kKeepCurrent),
    String(u"ICA", u"Connection", "ICA.Connection", LANTHE_TEXT(ICA.Connection), u""),

    String(u"XenApp", u"CommandlineParameters", "XenApp.CommandlineParameters",
           LANTHE_TEXT(XenApp.CommandlineParameters), u""),
    String(u"XenApp", u"Connection", "XenApp.Connection", LANTHE_TEXT(XenApp.Connection), u""),
    String(u"XenApp", u"ServerURL", "XenApp.ServerURL", LANTHE_TEXT(XenApp.ServerURL), u""),
    Flag(u"XenApp", u"CopyXenAppSettings", "XenApp.CopyXenAppSettings",
         LANTHE_FLAG(XenApp.CopyXenAppSettings), false),

    String(u"RDP", u"CommandlineParameters", "RDP.CommandlineParameters",
           LANTHE_TEXT(RDP.CommandlineParameters), u""),
    String(u"RDP", u"Connection", "RDP.Connection", LANTHE_TEXT(RDP.Connection), u""),
    String(u"RDP", u"ClientPath", "RDP.ClientPath", LANTHE_TEXT(RDP.ClientPath), u"",
           MissingRule::kSystemFolder),
    ReadAs(Flag(u"RDP", u"FullScreen", "RDP.FullScreen", LANTHE_FLAG(RDP.FullScreen), true,
                FieldKind::kFlagNumber),
           u"Fullscreen"),
    Integer(u"RDP", u"Port", "RDP.Port", LANTHE_INT(RDP.Port), 3389),
    Flag(u"RDP", u"UseRDPFile", "RDP.UseRDPFile", LANTHE_FLAG(RDP.UseRDPFile), false),
    String(u"RDP", u"RDPFileLocation", "RDP.RDPFileLocation", LANTHE_TEXT(RDP.RDPFileLocation), u""),

    Flag(u"Autologon", u"CreateUser", "Autologon.CreateUser", LANTHE_FLAG(Autologon.CreateUser), false),
    Flag(u"Autologon", u"EnableAutologon", "Autologon.EnableAutologon",
         LANTHE_FLAG(Autologon.EnableAutologon), false),
    Flag(u"Autologon", u"UseSysinternals", "Autologon.UseSysinternals",
         LANTHE_FLAG(Autologon.UseSysinternals), false),
    String(u"Autologon", u"Username", "Autologon.Username", LANTHE_TEXT(Autologon.Username), u""),
    String(u"Autologon", u"Password", "Autologon.Password", LANTHE_TEXT(Autologon.Password), u""),

    ReadAs(String(u"", u"AutologonExe", "AutologonExe", LANTHE_TEXT(AutologonExe), u"autologon.exe"),
           u"AutoLogonExe"),
    Flag(u"", u"DisableTaskManager", "DisableTaskManager", LANTHE_FLAG(DisableTaskManager), false),
    Flag(u"", u"RemoveWallpaper", "RemoveWallpaper", LANTHE_FLAG(RemoveWallpaper), false),
    Flag(u"", u"UseBackgroundColor", "UseBackgroundColor", LANTHE_FLAG(UseBackgroundColor), false),
    Integer(u"", u"BackgroundColor", "BackgroundColor", LANTHE_INT(BackgroundColor), 0),

    // Later additions, after every earlier element.
    WrittenOnlyWhenChanged(Flag(u"", u"LockSecureScreen", "LockSecureScreen", LANTHE_FLAG(LockSecureScreen), false)),
    WrittenOnlyWhenChanged(Within(Integer(u"", u"WaitForNetwork", "WaitForNetwork", LANTHE_INT(WaitForNetwork),
                                          kWaitForNetworkDefault),
                                  0, kWaitForNetworkMaximum)),
    WrittenOnlyWhenChanged(
        Flag(u"", u"RunStartupPrograms", "RunStartupPrograms", LANTHE_FLAG(RunStartupPrograms), true)),
    WrittenOnlyWhenChanged(
        Flag(u"", u"RestrictKioskUser", "RestrictKioskUser", LANTHE_FLAG(RestrictKioskUser), false)),

    WrittenOnlyWhenChanged(
        String(u"StoreFront", u"StoreURL", "StoreFront.StoreURL", LANTHE_TEXT(StoreFront.StoreURL), u"")),
    WrittenOnlyWhenChanged(
        String(u"StoreFront", u"Resource", "StoreFront.Resource", LANTHE_TEXT(StoreFront.Resource), u"")),
    WrittenOnlyWhenChanged(String(u"StoreFront", u"CommandlineParameters", "StoreFront.CommandlineParameters",
                                  LANTHE_TEXT(StoreFront.CommandlineParameters), u"")),
    WrittenOnlyWhenChanged(Within(Integer(u"StoreFront", u"WaitForClient", "StoreFront.WaitForClient",
                                          LANTHE_INT(StoreFront.WaitForClient), kWaitForClientDefault),
                                  kWaitForClientMinimum, kWaitForClientMaximum)),
};

#undef LANTHE_INT
#undef LANTHE_FLAG
#undef LANTHE_TEXT

constexpr std::array<std::u16string_view, 6> kSections = {u"Citrix", u"ICA",       u"XenApp",
                                                          u"RDP",    u"Autologon", u"StoreFront"};

bool SameAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(static_cast<char16_t>(a[i])) != AsciiUpper(static_cast<char16_t>(b[i]))) return false;
  }
  return true;
}

}  // namespace

bool SettingsField::HoldsMissingValue(const TSettings& s) const {
  switch (kind) {
    case FieldKind::kInteger: return IntegerOf(s) == missingInteger;
    case FieldKind::kFlagWord:
    case FieldKind::kFlagNumber: return FlagOf(s) == missingFlag;
    case FieldKind::kText: return TextOf(s) == missingText;
  }
  return false;
}

std::span<const SettingsField> SettingsFields() { return kFields; }

std::span<const std::u16string_view> SettingsSections() { return kSections; }

const SettingsField* FindSettingsField(std::string_view recordName) {
  for (const auto& field : kFields) {
    if (SameAsciiCase(field.recordName, recordName)) return &field;
  }
  return nullptr;
}

}  // namespace lanthe
