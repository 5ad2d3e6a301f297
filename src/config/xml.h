#pragma once
// A small XML reader and writer for the program's own files: the settings file and
// the configuration document that PNAgent keeps in the registry.
//
// The reader is strict where a damaged file must be noticed (text before the first
// tag, a tag without a valid name, an end tag that does not match, text where a tag
// has to follow) and lenient where a file merely stops early: whatever was read up to
// the end counts, open elements are closed, and text that no tag ended is dropped.
// Attributes, processing instructions, document types and comments inside the root
// are read over and not kept; comments before the root are kept for writing back.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/text.h"

namespace lanthe {

struct XmlElement {
  Text name;
  std::vector<XmlElement> children;
  // The element's own text content with character and entity references undone;
  // CDATA sections are taken as they stand.
  Text text;
  // True when the content, as written in the file, holds nothing but white space.
  bool blank = true;

  // The element's value as the settings reader sees it: content made only of white
  // space is empty, anything else is kept whole, leading and trailing blanks included.
  Text Value() const { return blank ? Text() : text; }
};

struct XmlDeclaration {
  Text version = u"1.0";
  std::optional<Text> encoding;
  std::optional<Text> standalone;
};

struct XmlDocument {
  std::optional<XmlDeclaration> declaration;
  std::vector<Text> comments;  // comments before the root element, in file order
  std::optional<XmlElement> root;
};

struct XmlError {
  std::size_t offset = 0;  // position in the text, in UTF-16 code units
  std::string reason;
};

// Parses a whole document. nullopt when the reader rejects it; error then says why.
std::optional<XmlDocument> ParseXml(TextView text, XmlError* error = nullptr);

// Undoes the references of element text: the five named entities, "&#" decimal ";"
// and "&#x" hexadecimal ";" (x in either case) with a code above 0. Any other "&"
// stays as it is.
Text UnescapeXmlText(TextView raw);

// Escapes text for writing: & < > " ' as named entities, every character from U+20AC
// up as "&#x" upper-case hex ";", and every other character that the code page cannot
// represent the same way, so that no character is lost.
Text EscapeXmlText(TextView text, ICodePage& codePage);

// Writes the document: the declaration line, the comments, then the root element,
// every element on a line of its own, indent added per level, CR LF after every line.
// Empty value elements are written "<Name/>". The result is encoded in the code page.
std::string SerializeXml(const XmlDocument& document, TextView indent, ICodePage& codePage);

}  // namespace lanthe
