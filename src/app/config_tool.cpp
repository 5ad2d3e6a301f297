#include "app/config_tool.h"

#include <algorithm>

#include "config/pnagent_store.h"
#include "config/settings.h"
#include "config/settings_fields.h"
#include "app/kiosk_status.h"
#include "config/policy_overrides.h"
#include "config/settings_file.h"
#include "lockdown/winlogon.h"
#include "lockdown/workstation.h"

namespace lanthe {

namespace {

constexpr char kUsage[] =
    "usage: lanthe-config show [--effective] FILE\n"
    "       lanthe-config write FILE [Name=Value ...]\n"
    "       lanthe-config roundtrip IN OUT\n"
    "       lanthe-config check FILE\n"
    "       lanthe-config pnagent FILE\n"
    "       lanthe-config policies\n"
    "       lanthe-config status [--json] [FILE]\n"
    "       lanthe-config apply [FILE]\n"
    "       lanthe-config --version\n";

std::string Utf8(TextView text) { return TextToUtf8(text); }

std::string Quoted(TextView text) { return "\"" + Utf8(text) + "\""; }

void AppendJsonString(std::string& out, TextView text) {
  out += '"';
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                      text[i + 1] <= 0xDFFF;
    if (pair) {
      out += Utf8(text.substr(i, 2));
      ++i;
    } else if (c == u'"') {
      out += "\\\"";
    } else if (c == u'\\') {
      out += "\\\\";
    } else if (c == u'\n') {
      out += "\\n";
    } else if (c == u'\r') {
      out += "\\r";
    } else if (c == u'\t') {
      out += "\\t";
    } else if (c < 0x20 || (c >= 0xD800 && c <= 0xDFFF)) {
      static constexpr char kDigits[] = "0123456789abcdef";
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(c >> shift) & 0xF];
    } else {
      out += Utf8(text.substr(i, 1));
    }
  }
  out += '"';
}

// The settings as one JSON object; with overrides, a last member "PolicyOverrides"
// names each overridden setting and the policy value it came from.
std::string SettingsJson(const TSettings& settings, const PolicyOverrides* overrides = nullptr) {
  std::string out = "{";
  std::u16string_view openSection;
  bool first = true;
  for (const auto& field : SettingsFields()) {
    if (field.section != openSection) {
      if (!openSection.empty()) out += "}";
      if (!field.section.empty()) {
        out += ",\"" + Utf8(field.section) + "\":{";
        first = true;
      }
      openSection = field.section;
    }
    if (!first) out += ",";
    first = false;
    out += "\"" + Utf8(field.element) + "\":";
    const Text value = SettingsValueText(field, settings);
    switch (field.kind) {
      case FieldKind::kInteger: out += Utf8(value); break;
      case FieldKind::kFlagWord:
      case FieldKind::kFlagNumber: out += field.FlagOf(settings) ? "true" : "false"; break;
      case FieldKind::kText: AppendJsonString(out, value); break;
    }
  }
  if (!openSection.empty()) out += "}";
  if (overrides) {
    out += ",\"PolicyOverrides\":{";
    bool firstOverride = true;
    for (const SettingsField* field : overrides->Fields()) {
      if (!firstOverride) out += ",";
      firstOverride = false;
      out += "\"" + std::string(field->recordName) + "\":";
      AppendJsonString(out, u"HKEY_LOCAL_MACHINE\\" + PolicyValuePath(*field));
    }
    out += "}";
  }
  out += "}\n";
  return out;
}

// A value given on the command line of "write": strict, so that a typing error is
// reported instead of written.
bool AssignValue(const SettingsField& field, TextView value, TSettings& settings, std::string& err) {
  switch (field.kind) {
    case FieldKind::kInteger: {
      std::int64_t number = 0;
      std::size_t i = 0;
      const bool negative = !value.empty() && value[0] == u'-';
      if (!value.empty() && (value[0] == u'-' || value[0] == u'+')) i = 1;
      bool digits = i < value.size();
      for (; digits && i < value.size(); ++i) {
        if (value[i] < u'0' || value[i] > u'9') {
          digits = false;
        } else {
          number = number * 10 + (value[i] - u'0');
          if (number > 2147483648LL) digits = false;
        }
      }
      if (negative) number = -number;
      if (!digits || number > 2147483647LL || number < -2147483648LL) {
        err += "lanthe-config: " + std::string(field.recordName) + " needs a whole number, not " +
               Quoted(value) + "\n";
        return false;
      }
      field.integer(settings) = static_cast<std::int32_t>(number);
      return true;
    }
    case FieldKind::kFlagWord:
    case FieldKind::kFlagNumber:
      if (EqualsIgnoreAsciiCase(value, u"true") || value == u"1") {
        field.flag(settings) = true;
      } else if (EqualsIgnoreAsciiCase(value, u"false") || value == u"0") {
        field.flag(settings) = false;
      } else {
        err += "lanthe-config: " + std::string(field.recordName) + " needs true or false, not " +
               Quoted(value) + "\n";
        return false;
      }
      return true;
    case FieldKind::kText:
      field.text(settings) = Text(value);
      return true;
  }
  return false;
}

class ConfigTool {
 public:
  ConfigTool(ConfigToolContext& context, std::string& out, std::string& err)
      : context_(context), out_(out), err_(err) {}

  int Run(const std::vector<Text>& arguments) {
    if (arguments.empty()) return Usage();
    const Text& command = arguments[0];
    const std::size_t count = arguments.size();
    if (command == u"show" && count == 2) return Show(arguments[1], false);
    if (command == u"show" && count == 3 && arguments[1] == u"--effective") return Show(arguments[2], true);
    if (command == u"write" && count >= 2) return Write(arguments[1], {arguments.begin() + 2, arguments.end()});
    if (command == u"roundtrip" && count == 3) return Roundtrip(arguments[1], arguments[2]);
    if (command == u"check" && count == 2) return Check(arguments[1]);
    if (command == u"pnagent" && count == 2) return PNAgent(arguments[1]);
    if (command == u"policies" && count == 1) return Policies();
    if (command == u"status") {
      const bool json = count >= 2 && arguments[1] == u"--json";
      const std::size_t rest = count - (json ? 2 : 1);
      if (rest <= 1) return Status(json, rest == 1 ? std::optional<Text>(arguments[count - 1]) : std::nullopt);
    }
    if (command == u"apply" && count <= 2) return Apply(count == 2 ? std::optional<Text>(arguments[1]) : std::nullopt);
    if (command == u"--version" && count == 1) {
      out_ += "lanthe-config " + context_.version + "\n";
      return ConfigToolExit::kOk;
    }
    if ((command == u"help" || command == u"--help" || command == u"-h") && count == 1) {
      out_ += kUsage;
      return ConfigToolExit::kOk;
    }
    return Usage();
  }

 private:
  int Usage() {
    err_ += kUsage;
    return ConfigToolExit::kUsage;
  }

  // The record as start-up leaves it with FILE as the settings file, before loading:
  // the defaults, with the folder holding FILE as the program directory.
  TSettings Defaults(const Text& absoluteFile) {
    TSettings settings;
    SetDefaultSettings(settings, context_.folders, absoluteFile, u"");
    return settings;
  }

  SettingsFile NewFile() { return SettingsFile(context_.files, context_.codePage, context_.folders); }

  int Rejected(const Text& path, const XmlError* error) {
    err_ += Utf8(u"Error Loading File: " + path) + "\n";
    if (error && !error->reason.empty()) {
      err_ += "lanthe-config: " + error->reason + " (at character " + std::to_string(error->offset) + ")\n";
    }
    return ConfigToolExit::kFailed;
  }

  // effective: with the machine's policies over the file, as the program runs with
  // them (where there is no registry, the same as without).
  // Every policy value Lanthe reads, one line each: the value's path below
  // HKEY_LOCAL_MACHINE, a tab, its type (REG_DWORD or REG_SZ), a tab, the setting.
  int Policies() {
    for (const SettingsField* field : PolicyFields()) {
      out_ += Utf8(PolicyValuePath(*field)) + "\t" + (field->kind == FieldKind::kText ? "REG_SZ" : "REG_DWORD") +
              "\t" + std::string(field->recordName) + "\n";
    }
    return ConfigToolExit::kOk;
  }

  // The kiosk's state, one line per check ("ok", "problem" or "unknown"; only a problem
  // fails); FILE defaults to the settings.xml beside the tool, which lies beside lanthe.exe.
  int Status(bool json, const std::optional<Text>& file) {
    if (!context_.platform) {
      err_ += "lanthe-config: status looks at a Windows kiosk and runs there only\n";
      return ConfigToolExit::kUsage;
    }
    const Text path =
        file ? context_.absolutePath(*file) : DirectoryOf(context_.folders.ExecutablePath()) + u"settings.xml";
    TSettings settings = Defaults(path);
    SettingsFile settingsFile = NewFile();
    const SettingsLoadOutcome outcome = settingsFile.Load(path, settings);
    PolicyOverrides overrides;
    overrides.Apply(context_.platform->registry, context_.folders, settings);
    std::vector<StatusLine> lines;
    if (context_.version.empty()) {
      lines.push_back({"version", StatusState::kUnknown, u"this build carries no version"});
    } else {
      lines.push_back({"version", StatusState::kOk, u"Lanthe " + Utf8ToText(context_.version)});
    }
    if (outcome == SettingsLoadOutcome::kMissing) {
      lines.push_back({"settings", StatusState::kProblem,
                       u"no settings file " + path + u": write one with \"lanthe-config write\""});
    } else if (outcome == SettingsLoadOutcome::kRejected) {
      lines.push_back({"settings", StatusState::kProblem,
                       u"the settings file " + path + u" is damaged: \"lanthe-config check\" says why"});
    } else {
      lines.push_back({"settings", StatusState::kOk, u"the settings file " + path + u" is read"});
    }
    for (auto& line : KioskStatus(settings, overrides, settings.ProgramDir + u"lanthe.exe", *context_.platform)) {
      lines.push_back(std::move(line));
    }
    const auto name = [](StatusState state) {
      return state == StatusState::kOk ? "ok" : state == StatusState::kProblem ? "problem" : "unknown";
    };
    bool problems = false;
    // One line of JSON, the version first: a management agent (Intune) keeps only the
    // first 2,048 characters of a script's output, and a healthy kiosk's fit.
    if (json) {
      out_ += "{\"version\":";
      AppendJsonString(out_, Utf8ToText(context_.version));
      out_ += ",\"checks\":[";
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const StatusLine& line = lines[i];
      problems = problems || line.state == StatusState::kProblem;
      if (json) {
        if (i > 0) out_ += ",";
        out_ += "{\"check\":\"" + line.check + "\",\"status\":\"" + name(line.state) + "\",\"text\":";
        AppendJsonString(out_, line.text);
        out_ += "}";
      } else {
        // "ok", "problem" and "unknown" in one column.
        out_ += (std::string(name(line.state)) + "         ").substr(0, 9) + line.check + ": " + Utf8(line.text) + "\n";
      }
    }
    if (json) out_ += std::string("],\"problems\":") + (problems ? "true" : "false") + "}\n";
    return problems ? ConfigToolExit::kFailed : ConfigToolExit::kOk;
  }

  // An administrator's apply with no window and no message box (an Intune remediation,
  // a start-up task as SYSTEM, an elevated prompt): one line per step on standard
  // output, what has to be acted on on standard error and in the Event Log. FILE
  // defaults to the settings.xml beside the tool, with the machine's policies over it.
  int Apply(const std::optional<Text>& file) {
    if (!context_.platform) {
      err_ += "lanthe-config: apply changes a Windows kiosk and runs there only\n";
      return ConfigToolExit::kUsage;
    }
    Platform& platform = *context_.platform;
    if (!platform.identity.IsAdministrator() || !platform.identity.IsElevated()) {
      err_ += "lanthe-config: apply needs full administrator rights: run it in an elevated prompt, or as SYSTEM\n";
      return ConfigToolExit::kUsage;
    }
    const Text path =
        file ? context_.absolutePath(*file) : DirectoryOf(context_.folders.ExecutablePath()) + u"settings.xml";
    TSettings settings = Defaults(path);
    SettingsFile settingsFile = NewFile();
    XmlError error;
    switch (settingsFile.Load(path, settings, &error)) {
      case SettingsLoadOutcome::kMissing:
        err_ += Utf8(u"lanthe-config: no settings file " + path) + "\n";
        return ConfigToolExit::kFailed;
      case SettingsLoadOutcome::kRejected: return Rejected(path, &error);
      default: break;
    }
    PolicyOverrides overrides;
    overrides.Apply(platform.registry, context_.folders, settings);
    // The program beside the tool is the shell it writes, and the events' message file.
    const Text program = DirectoryOf(context_.folders.ExecutablePath()) + u"lanthe.exe";
    std::optional<Text> shell;
    if (settings.CurrentShell == CurrentShell::kLanthe) shell = ShellCommandFor(program);
    if (settings.CurrentShell == CurrentShell::kExplorer) shell = Text(u"Explorer.exe");
    ConsoleReport report(out_, err_, platform.events);
    const bool held = WorkstationLockdown(platform, report).ApplyAll(settings, shell, program);
    return held && !report.told ? ConfigToolExit::kOk : ConfigToolExit::kFailed;
  }

  // The lockdown's steps as lines: "ok  <step>: ..." on standard output, "problem  <step>:
  // ..." on standard error and as an event.
  struct ConsoleReport final : ILockdownReport {
    ConsoleReport(std::string& out, std::string& err, IEventLog& events) : out(out), err(err), events(events) {}
    void Done(TextView step, TextView what) override { out += "ok       " + Utf8(step) + ": " + Utf8(what) + "\n"; }
    void Tell(TextView step, LockdownNotice notice, TextView text) override {
      told = true;
      err += "problem  " + Utf8(step) + ": " + Utf8(text) + "\n";
      events.Report(notice == LockdownNotice::kAccount || notice == LockdownNotice::kFailed ? EventType::kError
                                                                                           : EventType::kWarning,
                    notice == LockdownNotice::kProgramFolderWritable ? EventId::kProgramFolderWritable
                                                                     : EventId::kApplyFailed,
                    text);
    }
    std::string& out;
    std::string& err;
    IEventLog& events;
    bool told = false;
  };

  int Show(const Text& file, bool effective) {
    const Text path = context_.absolutePath(file);
    TSettings settings = Defaults(path);
    SettingsFile settingsFile = NewFile();
    const bool rejected = settingsFile.Load(path, settings) == SettingsLoadOutcome::kRejected;
    if (!effective || !context_.platform) {
      if (rejected) return Rejected(path, nullptr);
      out_ += SettingsJson(settings);
      return ConfigToolExit::kOk;
    }
    // A damaged file counts as the program counts it: its defaults, with the policies.
    if (rejected) {
      err_ += Utf8(u"Error Loading File: " + path) + "\n";
      settings = Defaults(path);
    }
    PolicyOverrides overrides;
    overrides.Apply(context_.platform->registry, context_.folders, settings);
    out_ += SettingsJson(settings, &overrides);
    return rejected ? ConfigToolExit::kFailed : ConfigToolExit::kOk;
  }

  int Save(SettingsFile& settingsFile, const TSettings& settings, const Text& path) {
    settingsFile.Rebuild(settings);
    if (!settingsFile.Write(path)) {
      err_ += Utf8(u"Unable to save settings to file: " + path) + "\n";
      return ConfigToolExit::kFailed;
    }
    return ConfigToolExit::kOk;
  }

  int Write(const Text& file, const std::vector<Text>& assignments) {
    const Text path = context_.absolutePath(file);
    TSettings settings = Defaults(path);
    bool ok = true;
    for (const auto& assignment : assignments) {
      const auto equals = assignment.find(u'=');
      if (equals == Text::npos) {
        err_ += "lanthe-config: " + Quoted(assignment) + " is not of the form Name=Value\n";
        ok = false;
        continue;
      }
      const std::string name = Utf8(TextView(assignment).substr(0, equals));
      const SettingsField* field = FindSettingsField(name);
      if (!field) {
        err_ += "lanthe-config: no setting called " + Quoted(TextView(assignment).substr(0, equals)) +
                " is kept in the settings file\n";
        ok = false;
        continue;
      }
      ok = AssignValue(*field, TextView(assignment).substr(equals + 1), settings, err_) && ok;
    }
    if (!ok) return ConfigToolExit::kUsage;
    SettingsFile settingsFile = NewFile();
    return Save(settingsFile, settings, path);
  }

  int Roundtrip(const Text& in, const Text& outFile) {
    const Text inPath = context_.absolutePath(in);
    TSettings settings = Defaults(inPath);
    SettingsFile settingsFile = NewFile();
    if (settingsFile.Load(inPath, settings) == SettingsLoadOutcome::kRejected) return Rejected(inPath, nullptr);
    return Save(settingsFile, settings, context_.absolutePath(outFile));
  }

  int Check(const Text& file) {
    const Text path = context_.absolutePath(file);
    TSettings settings = Defaults(path);
    SettingsFile settingsFile = NewFile();
    XmlError error;
    switch (settingsFile.Load(path, settings, &error)) {
      case SettingsLoadOutcome::kMissing:
        err_ += Utf8(u"No configuration file found: " + path) + "\n";
        return ConfigToolExit::kFailed;
      case SettingsLoadOutcome::kRejected: return Rejected(path, &error);
      case SettingsLoadOutcome::kLoaded: break;
    }
    std::vector<std::string> findings;
    const auto& document = settingsFile.Document();
    if (document.root) CheckElements(*document.root, settings, findings);
    for (const auto& finding : findings) out_ += finding + "\n";
    return findings.empty() ? ConfigToolExit::kOk : ConfigToolExit::kFailed;
  }

  static std::string Where(std::u16string_view section) {
    return section.empty() ? std::string("the root") : "section " + Utf8(section);
  }

  // Elements of one level that nothing reads, and names given more than once.
  static void CheckNames(const std::vector<XmlElement>& children, std::u16string_view section,
                         std::vector<std::string>& findings) {
    std::vector<Text> reported;
    for (const auto& child : children) {
      bool known = false;
      for (const auto& field : SettingsFields()) {
        known = known || (field.section == section && EqualsIgnoreAsciiCase(child.name, field.readName));
      }
      if (section.empty()) {
        for (const auto name : SettingsSections()) known = known || EqualsIgnoreAsciiCase(child.name, name);
      }
      if (!known) {
        findings.push_back("unknown element " + Quoted(child.name) + " in " + Where(section) +
                           ": it is not read");
        continue;
      }
      const auto count = std::count_if(children.begin(), children.end(), [&](const XmlElement& other) {
        return EqualsIgnoreAsciiCase(other.name, child.name);
      });
      const bool alreadyReported = std::any_of(reported.begin(), reported.end(), [&](const Text& name) {
        return EqualsIgnoreAsciiCase(name, child.name);
      });
      if (count > 1 && !alreadyReported) {
        reported.push_back(child.name);
        findings.push_back("element " + Quoted(child.name) + " appears " + std::to_string(count) +
                           " times in " + Where(section) + ": only the last one counts");
      }
    }
  }

  static void CheckCode(const SettingsField& field, std::int32_t value, std::vector<std::string>& findings) {
    const std::string name(field.recordName);
    const std::string shown = std::to_string(value);
    if (field.ranged && (value < field.minimum || value > field.maximum)) {
      findings.push_back(name + ": " + shown + " is outside " + std::to_string(field.minimum) + " to " +
                         std::to_string(field.maximum) + ": " +
                         std::to_string(value < field.minimum ? field.minimum : field.maximum) + " is used");
    } else if (name == "ConnectionType" && (value < 0 || value > 3)) {
      findings.push_back(name + ": " + shown +
                         " is no connection type (0 Remote Desktop, 1 Custom ICA, 2 XenApp, 3 StoreFront): "
                         "no client starts");
    } else if (name == "CurrentShell" && value != 0 && value != 1) {
      findings.push_back(name + ": " + shown + " is no shell (0 Explorer, 1 Lanthe): " +
                         (value > 1 ? "the shell becomes Lanthe, but no session starts"
                                    : "the shell is left as it is"));
    } else if (name == "CitrixLogOff" && value != 1 && value != 2) {
      findings.push_back(name + ": " + shown + " is no automatic action (1 power off, 2 log off): nothing happens");
    } else if (name == "ShutdownDialogDefaultChoice" && (value < 2 || value > 4)) {
      findings.push_back(name + ": " + shown +
                         " is no choice (2 log off, 3 restart, 4 shut down): the first choice is preselected");
    }
  }

  static void CheckValue(const SettingsField& field, const XmlElement& element, const TSettings& settings,
                         std::vector<std::string>& findings) {
    const std::string name(field.recordName);
    const Text value = element.Value();
    if (!element.children.empty()) {
      findings.push_back(name + ": holds elements of its own, which are not read");
    }
    switch (field.kind) {
      case FieldKind::kInteger:
        if (!ParseSettingsInteger(value)) {
          findings.push_back(name + ": " + Quoted(element.text) + " is not a whole number: it reads as -1");
        } else {
          CheckCode(field, field.IntegerOf(settings), findings);
        }
        return;
      case FieldKind::kFlagWord:
      case FieldKind::kFlagNumber:
        if (!ParseSettingsFlag(value)) {
          findings.push_back(name + ": " + Quoted(element.text) +
                             " is neither a number nor True or False: it reads as False");
        }
        return;
      case FieldKind::kText:
        if (element.blank && !element.text.empty()) {
          findings.push_back(name + ": holds only white space, which reads as empty text");
        }
        return;
    }
  }

  static void CheckElements(const XmlElement& root, const TSettings& settings, std::vector<std::string>& findings) {
    CheckNames(root.children, u"", findings);
    for (const auto section : SettingsSections()) {
      if (const XmlElement* element = FindXmlChild(root.children, section)) {
        CheckNames(element->children, section, findings);
      }
    }
    for (const auto& field : SettingsFields()) {
      const std::vector<XmlElement>* list = &root.children;
      if (!field.section.empty()) {
        const XmlElement* section = FindXmlChild(root.children, field.section);
        if (!section) continue;
        list = &section->children;
      }
      if (const XmlElement* element = FindXmlChild(*list, field.readName)) {
        CheckValue(field, *element, settings, findings);
      }
    }
  }

  int PNAgent(const Text& file) {
    const Text path = context_.absolutePath(file);
    const auto bytes = context_.files.ReadFile(path);
    if (!bytes) {
      err_ += "lanthe-config: cannot read " + Quoted(path) + "\n";
      return ConfigToolExit::kFailed;
    }
    const Text line = FirstLine(DecodeTextFile(*bytes, context_.codePage));
    if (line.empty()) {
      err_ += "lanthe-config: " + Quoted(path) + " holds no PNAgent configuration\n";
      return ConfigToolExit::kFailed;
    }
    const PNAgentLines decoded = PNAgentTextToLines(line);
    for (const auto& text : decoded.lines) out_ += Utf8(text) + "\n";
    if (!decoded.ok) {
      err_ += "lanthe-config: " + Quoted(path) + " holds an item that is not a hexadecimal number\n";
      return ConfigToolExit::kFailed;
    }
    return ConfigToolExit::kOk;
  }

  ConfigToolContext& context_;
  std::string& out_;
  std::string& err_;
};

}  // namespace

int RunConfigTool(const std::vector<Text>& arguments, ConfigToolContext& context, std::string& out,
                  std::string& err) {
  return ConfigTool(context, out, err).Run(arguments);
}

}  // namespace lanthe
