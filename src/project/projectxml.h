#pragma once
// Typed access to project.xml: one binding class per element type over a
// parsed document. A missing child element reads as an empty element; a
// missing text attribute reads as ""; an integer attribute that is missing,
// empty or not a decimal number throws quenvar::Error naming it.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include <pugixml.hpp>

namespace quenvar {

class TXMLElementBinding {
 public:
  explicit TXMLElementBinding(pugi::xml_node node) : node_(node) {}
  // Tests for an attribute by its exact, case-sensitive name.
  bool HasAttribute(const char* attribute) const;
  std::string TextAttribute(const char* attribute) const;
  std::int32_t IntegerAttribute(const char* attribute) const;
  pugi::xml_node Node() const { return node_; }

 protected:
  // The first child of that name, or an empty node.
  pugi::xml_node Child(const char* name) const { return node_.child(name); }

 private:
  pugi::xml_node node_;
};

struct TXMLZylType : TXMLElementBinding {
  using TXMLElementBinding::TXMLElementBinding;
  std::string Version() const { return TextAttribute("version"); }
};

struct TXMLInfoType : TXMLElementBinding {
  using TXMLElementBinding::TXMLElementBinding;
  std::string Name() const { return TextAttribute("name"); }
  std::string Author() const { return TextAttribute("author"); }
  std::string Created() const { return TextAttribute("created"); }
};

struct TXMLCanvasType : TXMLElementBinding {
  using TXMLElementBinding::TXMLElementBinding;
  std::int32_t Height() const { return IntegerAttribute("height"); }
  std::int32_t Width() const { return IntegerAttribute("width"); }
  std::int32_t Interlaced() const { return IntegerAttribute("Interlaced"); }
  std::int32_t Zoom() const { return IntegerAttribute("zoom"); }
};

struct TXMLDisplayType : TXMLElementBinding {
  using TXMLElementBinding::TXMLElementBinding;
  std::int32_t Height() const { return IntegerAttribute("height"); }
  std::int32_t Width() const { return IntegerAttribute("width"); }
};

struct TXMLThumbnailType : TXMLElementBinding {
  using TXMLElementBinding::TXMLElementBinding;
  std::string File() const { return TextAttribute("file"); }
};

struct TXMLLayerType : TXMLElementBinding {
  using TXMLElementBinding::TXMLElementBinding;
  std::string Name() const { return TextAttribute("name"); }
  std::string Filename() const { return TextAttribute("filename"); }
  std::string Blendmode() const { return TextAttribute("blendmode"); }
  std::int32_t Speed() const { return IntegerAttribute("speed"); }
  std::int32_t Posx() const { return IntegerAttribute("posx"); }
  std::int32_t Posy() const { return IntegerAttribute("posy"); }
  std::int32_t Mx() const { return IntegerAttribute("mx"); }
  std::int32_t My() const { return IntegerAttribute("my"); }
  std::int32_t Px() const { return IntegerAttribute("px"); }
  std::int32_t Py() const { return IntegerAttribute("py"); }
  std::int32_t X() const { return IntegerAttribute("x"); }
  std::int32_t Y() const { return IntegerAttribute("y"); }
  std::int32_t X2() const { return IntegerAttribute("x2"); }
  std::int32_t Y2() const { return IntegerAttribute("y2"); }
  std::int32_t Interlaced() const { return IntegerAttribute("interlaced"); }
  std::int32_t Opacity() const { return IntegerAttribute("opacity"); }
  // Tiled motion; a missing or other value is the plain turn.
  bool TileWrap() const { return TextAttribute("wrap") == "tile"; }
};

struct TXMLLayersType : TXMLElementBinding {
  using TXMLElementBinding::TXMLElementBinding;
  // Only layer children count.
  int Count() const;
  TXMLLayerType Layer(int index) const;
  // Every layer child in order, found in one pass.
  std::vector<TXMLLayerType> Items() const;
};

struct TXMLProjectType : TXMLElementBinding {
  using TXMLElementBinding::TXMLElementBinding;
  TXMLZylType Zyl() const { return TXMLZylType(Child("zyl")); }
  TXMLInfoType Info() const { return TXMLInfoType(Child("info")); }
  TXMLCanvasType Canvas() const { return TXMLCanvasType(Child("canvas")); }
  TXMLDisplayType Display() const { return TXMLDisplayType(Child("display")); }
  TXMLThumbnailType Thumbnail() const { return TXMLThumbnailType(Child("thumbnail")); }
  TXMLLayersType Layers() const { return TXMLLayersType(Child("layers")); }
  std::string Comment() const;
};

// A parsed project.xml.
class TProjectDocument {
 public:
  // Parses the bytes; throws quenvar::Error when they are not a well-formed
  // document.
  explicit TProjectDocument(std::span<const std::uint8_t> bytes);
  // The document element; throws quenvar::Error unless it is named project.
  TXMLProjectType Project() const;

 private:
  pugi::xml_document doc_;
};

// Text made safe for a double-quoted attribute value: markup characters and
// control characters become references, so it parses back to the same text.
std::string EscapeXmlAttribute(const std::string& text);
// The same for element text; line breaks stay as they are.
std::string EscapeXmlText(const std::string& text);

}  // namespace quenvar
