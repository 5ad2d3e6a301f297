// The integer and flag readers of the settings file over arbitrary text. An integer
// that was read is written in a form that reads back the same.
#include <cstdlib>

#include "config/settings_file.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const lanthe::Text text = lanthe::fuzzing::AsUtf16(data, size);
  const auto integer = lanthe::ParseSettingsInteger(text);
  if (integer && lanthe::ParseSettingsInteger(lanthe::IntToText(*integer)) != integer) std::abort();
  const auto flag = lanthe::ParseSettingsFlag(text);
  lanthe::fuzzing::Sink(flag);
  return 0;
}
