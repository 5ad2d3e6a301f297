#include "lockdown/startup_task.h"

namespace lanthe {

namespace {

// A path may hold "&".
Text Escaped(TextView text) {
  Text out;
  for (const char16_t c : text) {
    switch (c) {
      case u'&': out += u"&amp;"; break;
      case u'<': out += u"&lt;"; break;
      case u'>': out += u"&gt;"; break;
      case u'"': out += u"&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

Text Schtasks(TextView systemFolder) {
  if (systemFolder.empty()) return u"schtasks.exe";
  Text program(systemFolder);
  if (program.back() != u'\\') program += u'\\';
  return u"\"" + program + u"schtasks.exe\"";
}

}  // namespace

Text ApplyTaskDefinition(TextView configProgram) {
  // Batteries do not hold a thin client's lockdown back (a laptop as a kiosk); an apply
  // that hangs ends after ten minutes, and the next start tries again.
  return u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
         u"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">\r\n"
         u"  <RegistrationInfo>\r\n"
         u"    <Author>Lanthe</Author>\r\n"
         u"    <Description>Applies the kiosk's settings at every start of Windows.</Description>\r\n"
         u"  </RegistrationInfo>\r\n"
         u"  <Triggers>\r\n"
         u"    <BootTrigger>\r\n"
         u"      <Enabled>true</Enabled>\r\n"
         u"    </BootTrigger>\r\n"
         u"  </Triggers>\r\n"
         u"  <Principals>\r\n"
         u"    <Principal id=\"System\">\r\n"
         u"      <UserId>S-1-5-18</UserId>\r\n"
         u"      <RunLevel>HighestAvailable</RunLevel>\r\n"
         u"    </Principal>\r\n"
         u"  </Principals>\r\n"
         u"  <Settings>\r\n"
         u"    <MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>\r\n"
         u"    <DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>\r\n"
         u"    <StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>\r\n"
         u"    <ExecutionTimeLimit>PT10M</ExecutionTimeLimit>\r\n"
         u"    <Enabled>true</Enabled>\r\n"
         u"  </Settings>\r\n"
         u"  <Actions Context=\"System\">\r\n"
         u"    <Exec>\r\n"
         u"      <Command>" +
         Escaped(configProgram) +
         u"</Command>\r\n"
         u"      <Arguments>apply</Arguments>\r\n"
         u"    </Exec>\r\n"
         u"  </Actions>\r\n"
         u"</Task>\r\n";
}

std::string ApplyTaskDefinitionFile(TextView configProgram) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t c : ApplyTaskDefinition(configProgram)) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

Text CreateApplyTaskCommand(TextView systemFolder, TextView definitionFile) {
  return Schtasks(systemFolder) + u" /create /tn \"" + kApplyTaskName + u"\" /xml \"" + Text(definitionFile) +
         u"\" /f";
}

Text DeleteApplyTaskCommand(TextView systemFolder) {
  return Schtasks(systemFolder) + u" /delete /tn \"" + kApplyTaskName + u"\" /f";
}

}  // namespace lanthe
