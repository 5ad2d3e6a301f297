#include "shell/command_line.h"

namespace lanthe {

namespace {

bool IsBlank(char16_t c) { return c <= u' '; }

// Reads one part starting at i; returns false when only blanks were left.
bool NextPart(TextView line, std::size_t& i, Text& part) {
  for (;;) {
    while (i < line.size() && line[i] != 0 && IsBlank(line[i])) ++i;
    if (i + 1 < line.size() && line[i] == u'"' && line[i + 1] == u'"') {
      i += 2;
    } else {
      break;
    }
  }
  if (i >= line.size() || line[i] == 0) return false;
  part.clear();
  while (i < line.size() && !IsBlank(line[i])) {
    if (line[i] == u'"') {
      ++i;
      while (i < line.size() && line[i] != 0 && line[i] != u'"') part.push_back(line[i++]);
      if (i < line.size() && line[i] == u'"') ++i;
    } else {
      part.push_back(line[i++]);
    }
  }
  return true;
}

}  // namespace

std::vector<Text> SplitCommandLine(TextView commandLine) {
  std::vector<Text> parts;
  std::size_t i = 0;
  Text part;
  while (NextPart(commandLine, i, part)) parts.push_back(part);
  return parts;
}

Text FirstParameter(TextView commandLine) {
  const auto parts = SplitCommandLine(commandLine);
  return parts.size() > 1 ? parts[1] : Text();
}

Text ParametersAfterProgram(TextView commandLine) {
  std::size_t i = 0;
  Text program;
  if (!NextPart(commandLine, i, program)) return Text();
  while (i < commandLine.size() && IsBlank(commandLine[i])) ++i;
  return Text(commandLine.substr(i));
}

}  // namespace lanthe
