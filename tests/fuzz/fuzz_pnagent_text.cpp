// The PNAgent text form and configuration document over arbitrary input: text that
// converts to bytes gives, written back, text that converts to the same bytes.
#include <cstdlib>

#include "config/pnagent_store.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace lanthe;
  const Text text = fuzzing::AsUtf16(data, size);
  if (const auto bytes = PNAgentTextToBytes(text)) {
    if (PNAgentTextToBytes(PNAgentBytesToText(*bytes)) != bytes) std::abort();
  }
  const auto lines = PNAgentTextToLines(text);
  fuzzing::Sink(lines.ok);
  const std::vector<std::uint8_t> document(data, data + size);
  fuzzing::Sink(FindPNAgentDesktopName(document).size());
  return 0;
}
