#include "config/xml.h"

#include <cstdint>

namespace lanthe {

namespace {

// Deeper nesting than this is no file of ours; refusing it keeps the recursive
// reader's stack small whatever the input.
constexpr int kMaxDepth = 256;

bool IsXmlSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

bool InRange(char16_t c, char16_t low, char16_t high) { return c >= low && c <= high; }

bool IsNameStart(char16_t c) {
  return c == u':' || c == u'_' || InRange(c, u'A', u'Z') || InRange(c, u'a', u'z') ||
         InRange(c, 0xC0, 0xD6) || InRange(c, 0xD8, 0xF6) || InRange(c, 0xF8, 0x2FF) ||
         InRange(c, 0x370, 0x37D) || InRange(c, 0x37F, 0x1FFF) || InRange(c, 0x200C, 0x200D) ||
         InRange(c, 0x2070, 0x218F) || InRange(c, 0x2C00, 0x2FEF) || InRange(c, 0x3001, 0xD7FF) ||
         InRange(c, 0xD800, 0xDFFF) ||  // halves of the characters beyond U+FFFF
         InRange(c, 0xF900, 0xFDCF) || InRange(c, 0xFDF0, 0xFFFD);
}

bool IsNameChar(char16_t c) {
  return IsNameStart(c) || c == u'-' || c == u'.' || InRange(c, u'0', u'9') || c == 0xB7 ||
         InRange(c, 0x300, 0x36F) || InRange(c, 0x203F, 0x2040);
}

bool IsHexDigit(char16_t c) {
  return InRange(c, u'0', u'9') || InRange(c, u'a', u'f') || InRange(c, u'A', u'F');
}

int HexValue(char16_t c) {
  if (InRange(c, u'0', u'9')) return c - u'0';
  if (InRange(c, u'a', u'f')) return c - u'a' + 10;
  return c - u'A' + 10;
}

void AppendCode(Text& out, std::uint32_t code) {
  if (code < 0x10000) {
    out.push_back(static_cast<char16_t>(code));
  } else {
    code -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
  }
}

// Reads "&#...;" or "&#x...;" starting at raw[at] == '&'. Returns the length of the
// reference and sets code, or 0 when it is not a usable character reference.
std::size_t ReadCharacterReference(TextView raw, std::size_t at, std::uint32_t& code) {
  std::size_t i = at + 2;  // past "&#"
  bool hex = false;
  if (i < raw.size() && (raw[i] == u'x' || raw[i] == u'X')) {
    hex = true;
    ++i;
  }
  const std::size_t digitsStart = i;
  std::uint64_t value = 0;
  while (i < raw.size() && (hex ? IsHexDigit(raw[i]) : InRange(raw[i], u'0', u'9'))) {
    value = value * (hex ? 16 : 10) + (hex ? HexValue(raw[i]) : raw[i] - u'0');
    if (value > 0x10FFFF) return 0;
    ++i;
  }
  if (i == digitsStart || i >= raw.size() || raw[i] != u';' || value == 0) return 0;
  code = static_cast<std::uint32_t>(value);
  return i + 1 - at;
}

class Reader {
 public:
  explicit Reader(TextView text) : text_(text) {}

  std::optional<XmlDocument> Parse(XmlError* error) {
    XmlDocument document;
    if (!ParseDocument(document)) {
      if (error) *error = XmlError{pos_, reason_};
      return std::nullopt;
    }
    return document;
  }

 private:
  // Outcome of reading one piece: ok, the input ended early (accepted: what was read
  // counts), or the input is rejected.
  enum class Step { kOk, kEnd, kReject };

  bool AtEnd() const { return pos_ >= text_.size(); }
  bool StartsWith(TextView s) const { return text_.substr(pos_, s.size()) == s; }
  void SkipSpace() {
    while (!AtEnd() && IsXmlSpace(text_[pos_])) ++pos_;
  }

  Step Reject(const char* reason) {
    reason_ = reason;
    return Step::kReject;
  }

  bool ParseDocument(XmlDocument& document) {
    SkipSpace();
    if (StartsWith(u"<?xml") && (pos_ + 5 >= text_.size() || IsXmlSpace(text_[pos_ + 5]) ||
                                 text_[pos_ + 5] == u'?')) {
      XmlDeclaration declaration;
      const Step step = ParseDeclaration(declaration);
      if (step == Step::kReject) return false;
      if (step == Step::kEnd) return true;
      document.declaration = declaration;
    }
    // What stands before the root: comments (kept), processing instructions and a
    // document type (read over).
    for (;;) {
      SkipSpace();
      if (AtEnd()) return true;
      Step step = Step::kOk;
      if (StartsWith(u"<!--")) {
        Text comment;
        step = ParseComment(&comment);
        if (step == Step::kOk) document.comments.push_back(std::move(comment));
      } else if (StartsWith(u"<?")) {
        step = SkipProcessingInstruction();
      } else if (StartsWith(u"<!DOCTYPE")) {
        step = SkipDocumentType();
      } else if (StartsWith(u"<")) {
        break;
      } else {
        step = Reject("text before the first tag");
      }
      if (step == Step::kReject) return false;
      if (step == Step::kEnd) return true;
    }
    XmlElement root;
    const Step step = ParseElement(root, 1);
    if (step == Step::kReject) return false;
    if (!root.name.empty()) document.root = std::move(root);
    if (step == Step::kEnd) return true;
    // After the root only white space, comments and processing instructions.
    for (;;) {
      SkipSpace();
      if (AtEnd()) return true;
      Step after = Step::kOk;
      if (StartsWith(u"<!--")) {
        after = ParseComment(nullptr);
      } else if (StartsWith(u"<?")) {
        after = SkipProcessingInstruction();
      } else {
        after = Reject("text after the root element");
      }
      if (after == Step::kReject) return false;
      if (after == Step::kEnd) return true;
    }
  }

  Step ParseDeclaration(XmlDeclaration& declaration) {
    pos_ += 5;  // "<?xml"
    bool sawVersion = false;
    for (;;) {
      SkipSpace();
      if (AtEnd()) return Step::kEnd;
      if (StartsWith(u"?>")) {
        pos_ += 2;
        break;
      }
      Text name;
      Text value;
      const Step step = ParseAttribute(name, value);
      if (step != Step::kOk) return step;
      if (name == u"version" && IsPlainValue(value, true)) {
        declaration.version = value;
        sawVersion = true;
      } else if (name == u"encoding" && IsPlainValue(value, false)) {
        declaration.encoding = value;
      } else if (name == u"standalone" && (value == u"yes" || value == u"no")) {
        declaration.standalone = value;
      } else {
        return Reject("a malformed XML declaration");
      }
    }
    if (!sawVersion) return Reject("an XML declaration without a version");
    return Step::kOk;
  }

  // Declaration values are written back between double quotes, so only plain
  // names are taken: version digits and dots, encoding names.
  static bool IsPlainValue(const Text& value, bool version) {
    if (value.empty()) return false;
    for (char16_t c : value) {
      const bool plain = InRange(c, u'0', u'9') || c == u'.' ||
                         (!version && (InRange(c, u'A', u'Z') || InRange(c, u'a', u'z') ||
                                       c == u'-' || c == u'_'));
      if (!plain) return false;
    }
    return true;
  }

  Step ParseName(Text& name) {
    if (AtEnd()) return Step::kEnd;
    if (!IsNameStart(text_[pos_])) return Reject("a tag without a valid name");
    const std::size_t start = pos_;
    while (!AtEnd() && IsNameChar(text_[pos_])) ++pos_;
    name.assign(text_.substr(start, pos_ - start));
    return Step::kOk;
  }

  Step ParseAttribute(Text& name, Text& value) {
    Step step = ParseName(name);
    if (step != Step::kOk) return step;
    SkipSpace();
    if (AtEnd()) return Step::kEnd;
    if (text_[pos_] != u'=') return Reject("an attribute without a value");
    ++pos_;
    SkipSpace();
    if (AtEnd()) return Step::kEnd;
    const char16_t quote = text_[pos_];
    if (quote != u'"' && quote != u'\'') return Reject("an attribute value without quotes");
    ++pos_;
    const std::size_t end = text_.find(quote, pos_);
    if (end == TextView::npos) {
      pos_ = text_.size();
      return Step::kEnd;
    }
    value.assign(text_.substr(pos_, end - pos_));
    pos_ = end + 1;
    return Step::kOk;
  }

  Step SkipUntil(TextView terminator) {
    const std::size_t end = text_.find(terminator, pos_);
    if (end == TextView::npos) {
      pos_ = text_.size();
      return Step::kEnd;
    }
    pos_ = end + terminator.size();
    return Step::kOk;
  }

  Step ParseComment(Text* comment) {
    pos_ += 4;  // "<!--"
    const std::size_t start = pos_;
    const Step step = SkipUntil(u"-->");
    if (step == Step::kOk && comment) comment->assign(text_.substr(start, pos_ - 3 - start));
    return step;
  }

  Step SkipProcessingInstruction() {
    pos_ += 2;  // "<?"
    Text target;
    const Step step = ParseName(target);
    if (step != Step::kOk) return step;
    if (EqualsIgnoreAsciiCase(target, u"xml")) return Reject("a misplaced XML declaration");
    return SkipUntil(u"?>");
  }

  // "<!DOCTYPE ... >", with an internal subset in square brackets and quoted
  // literals that may hold ">".
  Step SkipDocumentType() {
    pos_ += 9;
    int brackets = 0;
    while (!AtEnd()) {
      const char16_t c = text_[pos_++];
      if (c == u'"' || c == u'\'') {
        const std::size_t end = text_.find(c, pos_);
        if (end == TextView::npos) break;
        pos_ = end + 1;
      } else if (c == u'[') {
        ++brackets;
      } else if (c == u']') {
        --brackets;
      } else if (c == u'>' && brackets <= 0) {
        return Step::kOk;
      }
    }
    pos_ = text_.size();
    return Step::kEnd;
  }

  // Reads an element whose "<" is at pos_. On an early end the element is kept with
  // what was read, unless the end came inside its start tag.
  Step ParseElement(XmlElement& element, int depth) {
    if (depth > kMaxDepth) return Reject("elements nested too deeply");
    ++pos_;  // "<"
    Text name;
    Step step = ParseName(name);
    if (step != Step::kOk) return step;
    for (;;) {
      SkipSpace();
      if (AtEnd()) return Step::kEnd;
      if (StartsWith(u"/>")) {
        pos_ += 2;
        element.name = std::move(name);
        return Step::kOk;
      }
      if (text_[pos_] == u'>') {
        ++pos_;
        break;
      }
      Text attribute;
      Text value;
      step = ParseAttribute(attribute, value);
      if (step != Step::kOk) return step;
    }
    element.name = std::move(name);
    return ParseContent(element, depth);
  }

  Step ParseContent(XmlElement& element, int depth) {
    Text raw;  // the text of one run between tags, references still in place
    for (;;) {
      const std::size_t lt = text_.find(u'<', pos_);
      if (lt == TextView::npos) {
        // No tag ends this text: the value element's end tag is missing.
        pos_ = text_.size();
        return Step::kEnd;
      }
      raw.assign(text_.substr(pos_, lt - pos_));
      AddText(element, raw, true);
      pos_ = lt;
      Step step = Step::kOk;
      if (StartsWith(u"</")) {
        pos_ += 2;
        Text name;
        step = ParseName(name);
        if (step != Step::kOk) return step;
        if (AtEnd()) return Step::kEnd;  // the end tag itself was cut off
        if (name != element.name) return Reject("an end tag that does not match its start tag");
        SkipSpace();
        if (AtEnd()) return Step::kEnd;
        if (text_[pos_] != u'>') return Reject("a malformed end tag");
        ++pos_;
        return Step::kOk;
      }
      if (StartsWith(u"<!--")) {
        step = ParseComment(nullptr);
      } else if (StartsWith(u"<![CDATA[")) {
        pos_ += 9;
        const std::size_t start = pos_;
        step = SkipUntil(u"]]>");
        if (step == Step::kOk) AddText(element, text_.substr(start, pos_ - 3 - start), false);
      } else if (StartsWith(u"<?")) {
        step = SkipProcessingInstruction();
      } else if (StartsWith(u"<!")) {
        step = Reject("a markup declaration inside an element");
      } else {
        XmlElement child;
        step = ParseElement(child, depth + 1);
        if (!child.name.empty()) element.children.push_back(std::move(child));
      }
      if (step != Step::kOk) return step;
    }
  }

  static void AddText(XmlElement& element, TextView raw, bool withReferences) {
    if (raw.empty()) return;
    for (char16_t c : raw) {
      if (!IsXmlSpace(c)) {
        element.blank = false;
        break;
      }
    }
    if (withReferences) {
      element.text += UnescapeXmlText(raw);
    } else {
      element.text += raw;
    }
  }

  TextView text_;
  std::size_t pos_ = 0;
  std::string reason_;
};

void AppendHexReference(Text& out, char16_t c) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  Text digits;
  unsigned value = c;
  do {
    digits.insert(digits.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  if (digits.size() < 2) digits.insert(digits.begin(), u'0');
  out += u"&#x";
  out += digits;
  out += u';';
}

// Names and comments cannot carry references: a character the code page lacks
// becomes "?".
std::string EncodeLossy(TextView text, ICodePage& codePage) {
  std::string out;
  if (codePage.TryEncode(text, out)) return out;
  out.clear();
  std::string one;
  for (char16_t c : text) {
    const char16_t single[1] = {c};
    if (codePage.TryEncode(TextView(single, 1), one)) {
      out += one;
    } else {
      out += '?';
    }
  }
  return out;
}

void WriteElement(std::string& out, const XmlElement& element, TextView indent, int level,
                  ICodePage& codePage) {
  std::string prefix;
  const std::string indentBytes = EncodeLossy(indent, codePage);
  for (int i = 0; i < level; ++i) prefix += indentBytes;
  const std::string name = EncodeLossy(element.name, codePage);
  out += prefix;
  if (!element.children.empty()) {
    out += "<" + name + ">\r\n";
    for (const auto& child : element.children) WriteElement(out, child, indent, level + 1, codePage);
    out += prefix + "</" + name + ">\r\n";
    return;
  }
  const Text value = element.Value();
  if (value.empty()) {
    out += "<" + name + "/>\r\n";
    return;
  }
  std::string escaped;
  // After escaping every character is representable, so this cannot fail.
  codePage.TryEncode(EscapeXmlText(value, codePage), escaped);
  out += "<" + name + ">" + escaped + "</" + name + ">\r\n";
}

}  // namespace

std::optional<XmlDocument> ParseXml(TextView text, XmlError* error) {
  return Reader(text).Parse(error);
}

Text UnescapeXmlText(TextView raw) {
  if (raw.find(u'&') == TextView::npos) return Text(raw);
  static constexpr struct {
    TextView entity;
    char16_t character;
  } kNamed[] = {{u"&amp;", u'&'}, {u"&lt;", u'<'}, {u"&gt;", u'>'}, {u"&apos;", u'\''},
                {u"&quot;", u'"'}};
  Text out;
  out.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size();) {
    if (raw[i] != u'&') {
      out.push_back(raw[i++]);
      continue;
    }
    bool replaced = false;
    for (const auto& named : kNamed) {
      if (raw.substr(i, named.entity.size()) == named.entity) {
        out.push_back(named.character);
        i += named.entity.size();
        replaced = true;
        break;
      }
    }
    if (!replaced && raw.substr(i, 2) == u"&#") {
      std::uint32_t code = 0;
      if (const std::size_t length = ReadCharacterReference(raw, i, code)) {
        AppendCode(out, code);
        i += length;
        replaced = true;
      }
    }
    if (!replaced) out.push_back(raw[i++]);
  }
  return out;
}

Text EscapeXmlText(TextView text, ICodePage& codePage) {
  std::string probe;
  const bool allRepresentable = codePage.TryEncode(text, probe);
  Text out;
  out.reserve(text.size());
  for (char16_t c : text) {
    switch (c) {
      case u'&': out += u"&amp;"; continue;
      case u'<': out += u"&lt;"; continue;
      case u'>': out += u"&gt;"; continue;
      case u'"': out += u"&quot;"; continue;
      case u'\'': out += u"&apos;"; continue;
      default: break;
    }
    if (c >= 0x20AC) {
      AppendHexReference(out, c);
      continue;
    }
    if (!allRepresentable && c >= 0x80) {
      const char16_t single[1] = {c};
      if (!codePage.TryEncode(TextView(single, 1), probe)) {
        AppendHexReference(out, c);
        continue;
      }
    }
    out.push_back(c);
  }
  return out;
}

std::string SerializeXml(const XmlDocument& document, TextView indent, ICodePage& codePage) {
  std::string out;
  const XmlDeclaration declaration = document.declaration.value_or(
      XmlDeclaration{u"1.0", Text(u"iso-8859-1"), std::nullopt});
  out += "<?xml version=\"" + EncodeLossy(declaration.version, codePage) + "\"";
  if (declaration.encoding) out += " encoding=\"" + EncodeLossy(*declaration.encoding, codePage) + "\"";
  if (declaration.standalone == u"yes") out += " standalone=\"yes\"";
  out += "?>\r\n";
  for (const auto& comment : document.comments) out += "<!--" + EncodeLossy(comment, codePage) + "-->\r\n";
  if (document.root) WriteElement(out, *document.root, indent, 0, codePage);
  return out;
}

}  // namespace lanthe
