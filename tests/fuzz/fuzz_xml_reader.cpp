// The XML reader over arbitrary text: it must accept or reject, never crash, and a
// document it accepted must be written in a form it accepts again, and reads back as
// the settings reader would read the original.
#include <algorithm>
#include <cstdlib>

#include "config/xml.h"
#include "fuzz_input.h"

namespace {

// The settings file's reading rule: content made only of white space reads as empty,
// so such a value written out comes back empty; every other value, and the shape of
// the tree, comes back as it was.
bool ReadBackAsWritten(const lanthe::XmlElement& original, const lanthe::XmlElement& reread) {
  if (original.name != reread.name || original.children.size() != reread.children.size()) return false;
  for (std::size_t i = 0; i < original.children.size(); ++i) {
    if (!ReadBackAsWritten(original.children[i], reread.children[i])) return false;
  }
  if (!original.children.empty()) return true;  // the writer keeps no text beside children
  const lanthe::Text value = original.Value();
  const bool whiteSpaceOnly = std::all_of(value.begin(), value.end(), [](char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
  });
  return reread.Value() == (whiteSpaceOnly ? lanthe::Text() : value);
}

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
  if (!again || !again->root != !document->root) std::abort();
  if (document->root && !ReadBackAsWritten(*document->root, *again->root)) std::abort();
  // Once white-space values have become empty, writing is stable.
  const std::string rewritten = lanthe::SerializeXml(*again, u"  ", codePage);
  const auto third = lanthe::ParseXml(codePage.Decode(rewritten));
  if (!third || lanthe::SerializeXml(*third, u"  ", codePage) != rewritten) std::abort();
  return 0;
}
