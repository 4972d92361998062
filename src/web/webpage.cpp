#include "web/webpage.h"

#include <cstdio>
#include <fstream>

#include "host/error.h"
#include "web/pagebytes.h"
#include "web/webplan.h"
#include "web/webresources.h"

namespace quenvar {

namespace {

// The code points of UTF-8 text; a byte that starts no valid sequence
// stands for U+FFFD.
std::u32string CodePoints(const std::string& text) {
  std::u32string out;
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    const int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    char32_t c = length == 1   ? lead
                 : length == 2 ? lead & 0x1F
                 : length == 3 ? lead & 0x0F
                               : lead & 0x07;
    bool valid = length > 0 && i + std::size_t(length) <= text.size();
    for (int k = 1; valid && k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + std::size_t(k)]);
      valid = (next & 0xC0) == 0x80;
      c = (c << 6) | (next & 0x3F);
    }
    valid = valid && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF) &&
            !(length == 3 && c < 0x800) && !(length == 4 && c < 0x10000);
    out += valid ? c : U'\uFFFD';
    i += valid ? std::size_t(length) : 1;
  }
  return out;
}

// A JSON string in ASCII (the page is read as windows-1252); '<' is escaped
// so that no "</script" can end the element the settings stand in.
std::string JsonString(const std::string& text) {
  std::string out = "\"";
  auto unit = [&out](unsigned u) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
    out += escaped;
  };
  for (char32_t c : CodePoints(text)) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c >= 0x10000) {
      unit(0xD800 + ((c - 0x10000) >> 10));
      unit(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else if (c < 0x20 || c >= 0x7F || c == '<' || c == '>' || c == '&') {
      unit(unsigned(c));
    } else {
      out += char(c);
    }
  }
  return out + "\"";
}

// HTML text in ASCII: markup characters and everything beyond ASCII as
// character references.
std::string HtmlText(const std::string& text) {
  std::string out;
  for (char32_t c : CodePoints(text)) {
    if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else if (c == '&')
      out += "&amp;";
    else if (c < 0x20 || c >= 0x7F)
      out += "&#" + std::to_string(unsigned(c)) + ";";
    else
      out += char(c);
  }
  return out;
}

std::string JsonRect(const TRect& r) {
  return "[" + std::to_string(r.Left) + "," + std::to_string(r.Top) + "," +
         std::to_string(r.Right) + "," + std::to_string(r.Bottom) + "]";
}

std::string JsonDraw(const TWebDraw& d) {
  static const char* const kKinds[] = {"opaque", "blend", "operation"};
  static const char* const kMotions[] = {"still", "turn", "tile"};
  static const char* const kResamplers[] = {"none", "nearest", "linear", "box"};
  return "{\"picture\":" + std::to_string(d.picture) + ",\"dst\":" + JsonRect(d.dst) +
         ",\"area\":" + JsonRect(d.area) + ",\"resampler\":\"" + kResamplers[d.resampler] +
         "\",\"kind\":\"" + kKinds[d.kind] + "\",\"operation\":" + std::to_string(d.operation) +
         ",\"master\":" + std::to_string(d.master) + ",\"motion\":\"" + kMotions[d.motion] +
         "\",\"turnStep\":" + std::to_string(d.turnStep) + ",\"tileStep\":[" +
         std::to_string(d.tileStepX) + "," + std::to_string(d.tileStepY) + "]}";
}

std::string JsonPlan(const TWebPlan& plan) {
  std::string json =
      "{\"name\":" + JsonString(plan.name) + ",\"width\":" + std::to_string(plan.width) +
      ",\"height\":" + std::to_string(plan.height) + ",\"fps\":" + std::to_string(plan.fps) +
      ",\"gridCallsPerFrame\":" + std::to_string(plan.gridCallsPerFrame) + ",\"pictures\":[";
  for (std::size_t i = 0; i < plan.pictures.size(); ++i)
    json += (i ? ",{\"width\":" : "{\"width\":") + std::to_string(plan.pictures[i].width) +
            ",\"height\":" + std::to_string(plan.pictures[i].height) + "}";
  json += "],\"draws\":[";
  for (std::size_t i = 0; i < plan.draws.size(); ++i)
    json += (i ? "," : "") + JsonDraw(plan.draws[i]);
  return json + "]}";
}

std::string ScriptElement(const std::string& type, const std::string& id, const std::string& text) {
  return "<script type=\"" + type + "\" id=\"" + id + "\">" + text + "</script>\n";
}

}  // namespace

std::string BuildWebPage(const TWebPlan& plan) {
  std::string page =
      "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"windows-1252\">\n"
      "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
      HtmlText(plan.name) + "</title>\n<style>\n" + web::kPageStyle +
      "</style>\n</head>\n<body>\n"
      "<div id=\"stage\"><canvas id=\"view\" width=\"" +
      std::to_string(plan.width) + "\" height=\"" + std::to_string(plan.height) +
      "\"></canvas></div>\n"
      "<p id=\"status\">Space: pause or play &middot; F or double click: full screen</p>\n"
      "<output id=\"digest\"></output><output id=\"bench\"></output><output "
      "id=\"pixels\"></output>\n";
  page += ScriptElement("application/json", "project", JsonPlan(plan));
  for (std::size_t i = 0; i < plan.pictures.size(); ++i)
    page += ScriptElement("text/plain", "picture-" + std::to_string(i),
                          EmbedPageBytes(plan.pictures[i].png));
  page += ScriptElement("x-shader/x-vertex", "quad-vert", web::kQuadVertex);
  page += ScriptElement("x-shader/x-fragment", "canvas-frag", web::kCanvasFragment);
  page += ScriptElement("x-shader/x-fragment", "layer-frag", web::kLayerFragment);
  page += ScriptElement("x-shader/x-fragment", "show-frag", web::kShowFragment);
  page += "<script>\n" + std::string(web::kPngScript) + web::kPlayerScript + "</script>\n";
  return page + "</body>\n</html>\n";
}

void ExportWebPage(const TProject& project, const std::string& path, int fps) {
  const std::string page = BuildWebPage(PlanWebPage(project, fps));
  const std::string temp = path + ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(page.data(), std::streamsize(page.size()));
    out.close();
    if (!out) {
      std::remove(temp.c_str());
      throw Error("Can't write file " + path);
    }
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    std::remove(temp.c_str());
    throw Error("Can't write file " + path);
  }
}

}  // namespace quenvar
