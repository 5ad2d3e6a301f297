// The XML reader over arbitrary text: it must accept or reject, never crash, and a
// document it accepted must be written in a form it accepts again.
#include <cstdlib>

#include "config/xml.h"
#include "fuzz_input.h"

namespace {

bool NamesEncodable(const lanthe::XmlElement& element, lanthe::ICodePage& codePage) {
  std::string bytes;
  if (!codePage.TryEncode(element.name, bytes)) return false;
  for (const auto& child : element.children) {
    if (!NamesEncodable(child, codePage)) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const lanthe::Text text = lanthe::fuzzing::AsUtf16(data, size);
  lanthe::XmlError error;
  const auto document = lanthe::ParseXml(text, &error);
  lanthe::fuzzing::Sink(error.offset);
  if (!document) return 0;
  lanthe::Windows1252CodePage codePage;
  // Element names the code page cannot write are the only thing the writer loses.
  if (document->root && !NamesEncodable(*document->root, codePage)) return 0;
  const std::string written = lanthe::SerializeXml(*document, u"  ", codePage);
  const auto again = lanthe::ParseXml(codePage.Decode(written));
  if (!again) std::abort();
  if (lanthe::SerializeXml(*again, u"  ", codePage) != written) std::abort();
  return 0;
}
