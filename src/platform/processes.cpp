#include "platform/processes.h"

namespace lanthe {

bool ProcessNameMatches(TextView executableField, TextView name) {
  const auto separator = executableField.find_last_of(u"\\:");
  const TextView fileName =
      separator == TextView::npos ? executableField : executableField.substr(separator + 1);
  return EqualsIgnoreAsciiCase(fileName, name) || EqualsIgnoreAsciiCase(executableField, name);
}

}  // namespace lanthe
