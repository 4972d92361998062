#include "project/projectxml.h"

#include <cstring>
#include <limits>

#include "host/error.h"

namespace quenvar {

namespace {

std::string Describe(const pugi::xml_node& node, const char* attribute) {
  return std::string("attribute \"") + attribute + "\" of element \"" + (node ? node.name() : "") +
         "\"";
}

// A decimal integer with an optional sign, surrounded by nothing else.
bool ParseInt32(const char* text, std::int32_t& out) {
  const char* p = text;
  bool negative = false;
  if (*p == '-' || *p == '+') negative = (*p++ == '-');
  if (*p == '\0') return false;
  std::int64_t value = 0;
  for (; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
    value = value * 10 + (*p - '0');
    if (value > std::int64_t(std::numeric_limits<std::int32_t>::max()) + 1) return false;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<std::int32_t>::max()) return false;
  out = std::int32_t(value);
  return true;
}

void AppendReference(std::string& out, unsigned char c) {
  out += "&#";
  out += std::to_string(unsigned(c));
  out += ';';
}

}  // namespace

bool TXMLElementBinding::HasAttribute(const char* attribute) const {
  return bool(node_.attribute(attribute));
}

std::string TXMLElementBinding::TextAttribute(const char* attribute) const {
  return node_.attribute(attribute).value();
}

std::int32_t TXMLElementBinding::IntegerAttribute(const char* attribute) const {
  pugi::xml_attribute a = node_.attribute(attribute);
  if (!a) throw Error("Missing " + Describe(node_, attribute));
  std::int32_t value = 0;
  if (!ParseInt32(a.value(), value))
    throw Error("\"" + std::string(a.value()) + "\" is not a valid integer value for " +
                Describe(node_, attribute));
  return value;
}

int TXMLLayersType::Count() const {
  int count = 0;
  for (pugi::xml_node n = Node().child("layer"); n; n = n.next_sibling("layer")) ++count;
  return count;
}

TXMLLayerType TXMLLayersType::Layer(int index) const {
  pugi::xml_node n = Node().child("layer");
  for (int i = 0; n && i < index; ++i) n = n.next_sibling("layer");
  return TXMLLayerType(n);
}

std::vector<TXMLLayerType> TXMLLayersType::Items() const {
  std::vector<TXMLLayerType> items;
  for (pugi::xml_node n = Node().child("layer"); n; n = n.next_sibling("layer"))
    items.emplace_back(n);
  return items;
}

std::string TXMLProjectType::Comment() const {
  return Child("comment").text().get();
}

TProjectDocument::TProjectDocument(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) throw Error("project.xml is missing or empty");
  pugi::xml_parse_result result =
      doc_.load_buffer(bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_utf8);
  if (!result)
    throw Error("project.xml is not a valid XML document: " + std::string(result.description()) +
                " at offset " + std::to_string(result.offset));
}

TXMLProjectType TProjectDocument::Project() const {
  pugi::xml_node root = doc_.document_element();
  if (std::strcmp(root.name(), "project") != 0)
    throw Error("project.xml has the document element \"" + std::string(root.name()) +
                "\" instead of \"project\"");
  return TXMLProjectType(root);
}

namespace {

// Element text needs only &, < and > escaped; attribute values also need the
// quote, and their line breaks and tabs as references, or a parser reads
// them back as blanks.
std::string EscapeXml(const std::string& text, bool attribute) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    const unsigned char c = static_cast<unsigned char>(ch);
    if (ch == '&')
      out += "&amp;";
    else if (ch == '<')
      out += "&lt;";
    else if (ch == '>')
      out += "&gt;";
    else if (attribute && ch == '"')
      out += "&quot;";
    else if (attribute && c < 0x20)
      AppendReference(out, c);
    else
      out += ch;
  }
  return out;
}

}  // namespace

std::string EscapeXmlAttribute(const std::string& text) {
  return EscapeXml(text, true);
}

std::string EscapeXmlText(const std::string& text) {
  return EscapeXml(text, false);
}

}  // namespace quenvar
