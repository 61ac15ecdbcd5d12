#include "platform/web/html_tables.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace brivo {
namespace {

// The elements this reader tells apart. kBlock stands for the other blocks of a browser's default
// style sheet; kOther for every other element, kNone for nodes that are not elements.
enum class Tag {
  kNone,
  kOther,
  kBlock,
  kTable,
  kCaption,
  kColgroup,
  kCol,
  kTbody,
  kThead,
  kTfoot,
  kTr,
  kTd,
  kTh,
  kBr,
  kP,
  kPre,
  kListing,
  kXmp,
  kPlaintext,
  kScript,
  kStyle,
  kTemplate,
  kNoscript,
  kTextarea,
  kTitle,
  kIframe,
  kNoembed,
  kNoframes,
  kDatalist,
  kRp
};

Tag TagOf(const xmlNode& node) {
  static const std::unordered_map<std::string_view, Tag> kTags = {{"table", Tag::kTable},
                                                                  {"caption", Tag::kCaption},
                                                                  {"colgroup", Tag::kColgroup},
                                                                  {"col", Tag::kCol},
                                                                  {"tbody", Tag::kTbody},
                                                                  {"thead", Tag::kThead},
                                                                  {"tfoot", Tag::kTfoot},
                                                                  {"tr", Tag::kTr},
                                                                  {"td", Tag::kTd},
                                                                  {"th", Tag::kTh},
                                                                  {"br", Tag::kBr},
                                                                  {"p", Tag::kP},
                                                                  {"pre", Tag::kPre},
                                                                  {"listing", Tag::kListing},
                                                                  {"xmp", Tag::kXmp},
                                                                  {"plaintext", Tag::kPlaintext},
                                                                  {"script", Tag::kScript},
                                                                  {"style", Tag::kStyle},
                                                                  {"template", Tag::kTemplate},
                                                                  {"noscript", Tag::kNoscript},
                                                                  {"textarea", Tag::kTextarea},
                                                                  {"title", Tag::kTitle},
                                                                  {"iframe", Tag::kIframe},
                                                                  {"noembed", Tag::kNoembed},
                                                                  {"noframes", Tag::kNoframes},
                                                                  {"datalist", Tag::kDatalist},
                                                                  {"rp", Tag::kRp},
                                                                  {"address", Tag::kBlock},
                                                                  {"article", Tag::kBlock},
                                                                  {"aside", Tag::kBlock},
                                                                  {"blockquote", Tag::kBlock},
                                                                  {"center", Tag::kBlock},
                                                                  {"dd", Tag::kBlock},
                                                                  {"details", Tag::kBlock},
                                                                  {"dir", Tag::kBlock},
                                                                  {"div", Tag::kBlock},
                                                                  {"dl", Tag::kBlock},
                                                                  {"dt", Tag::kBlock},
                                                                  {"fieldset", Tag::kBlock},
                                                                  {"figcaption", Tag::kBlock},
                                                                  {"figure", Tag::kBlock},
                                                                  {"footer", Tag::kBlock},
                                                                  {"form", Tag::kBlock},
                                                                  {"h1", Tag::kBlock},
                                                                  {"h2", Tag::kBlock},
                                                                  {"h3", Tag::kBlock},
                                                                  {"h4", Tag::kBlock},
                                                                  {"h5", Tag::kBlock},
                                                                  {"h6", Tag::kBlock},
                                                                  {"header", Tag::kBlock},
                                                                  {"hgroup", Tag::kBlock},
                                                                  {"hr", Tag::kBlock},
                                                                  {"legend", Tag::kBlock},
                                                                  {"li", Tag::kBlock},
                                                                  {"main", Tag::kBlock},
                                                                  {"menu", Tag::kBlock},
                                                                  {"nav", Tag::kBlock},
                                                                  {"ol", Tag::kBlock},
                                                                  {"section", Tag::kBlock},
                                                                  {"summary", Tag::kBlock},
                                                                  {"ul", Tag::kBlock}};
  // libxml2's HTML parser gives element names in lower case.
  if (node.type != XML_ELEMENT_NODE || node.name == nullptr) return Tag::kNone;
  const auto it = kTags.find(reinterpret_cast<const char*>(node.name));
  return it == kTags.end() ? Tag::kOther : it->second;
}

// Elements whose contents a browser reads as text or keeps out of the document (a template's
// fragment; NOSCRIPT, as a browser with scripting on sees it). libxml2 parses markup inside
// most of them, so tables and rows found there are not the page's.
bool HoldsNoMarkup(Tag tag) {
  switch (tag) {
    case Tag::kTemplate:
    case Tag::kNoscript:
    case Tag::kScript:
    case Tag::kStyle:
    case Tag::kTextarea:
    case Tag::kTitle:
    case Tag::kIframe:
    case Tag::kNoembed:
    case Tag::kNoframes:
    case Tag::kXmp:
    case Tag::kPlaintext:
      return true;
    default:
      return false;
  }
}

// Elements a browser does not render, so their text is not part of innerText.
bool IsUnrendered(const xmlNode& node, Tag tag) {
  switch (tag) {
    case Tag::kNone:
      return false;
    case Tag::kScript:
    case Tag::kStyle:
    case Tag::kTemplate:
    case Tag::kNoscript:
    case Tag::kTextarea:
    case Tag::kIframe:
    case Tag::kNoembed:
    case Tag::kNoframes:
    case Tag::kDatalist:
    case Tag::kRp:
      return true;
    default:
      for (const xmlAttr* a = node.properties; a != nullptr; a = a->next) {
        if (xmlStrEqual(a->name, BAD_CAST "hidden")) return true;
      }
      return false;
  }
}

// How many line breaks an HTML element's box asks for before and after its contents: 2 for a
// paragraph, 1 for the other blocks of a browser's default style sheet, 0 for inline elements.
int BlockBreaks(Tag tag) {
  switch (tag) {
    case Tag::kP:
      return 2;
    case Tag::kBlock:
    case Tag::kCaption:
    case Tag::kListing:
    case Tag::kPlaintext:
    case Tag::kPre:
    case Tag::kTable:
    case Tag::kTr:  // only met in tables nested in a cell; a row ends a line like a block
    case Tag::kXmp:
      return 1;
    default:
      return 0;
  }
}

bool KeepsWhitespace(Tag tag) {
  return tag == Tag::kPre || tag == Tag::kListing || tag == Tag::kXmp || tag == Tag::kPlaintext;
}

bool IsCell(Tag tag) { return tag == Tag::kTd || tag == Tag::kTh; }

bool IsRowGroup(Tag tag) { return tag == Tag::kTbody || tag == Tag::kThead || tag == Tag::kTfoot; }

// Appends the text of one cell the way a browser lays it out: blanks collapse, blanks at the
// start and end of a line vanish, and the line breaks blocks ask for collapse to the largest
// count and vanish at the start and end of the cell.
class CellWriter {
 public:
  explicit CellWriter(std::string* out) : out_(out), start_(out->size()) {}

  void Text(const char* text, bool keep_whitespace) {
    for (const char* c = text; *c != '\0'; ++c) {
      if (!keep_whitespace && IsBlank(*c)) {
        if (!line_start_) pending_space_ = true;
        continue;
      }
      Flush();
      out_->push_back(*c);
      line_start_ = *c == '\n';
    }
  }

  // A <br>, or the tab between the cells of a nested table: unlike block breaks, they stay.
  void Literal(char c) {
    pending_space_ = false;
    Flush();
    out_->push_back(c);
    line_start_ = true;
  }

  void RequireBreaks(int count) {
    if (count == 0) return;
    pending_space_ = false;
    pending_breaks_ = std::max(pending_breaks_, count);
    line_start_ = true;
  }

 private:
  // NBSP is not among these: browsers keep it as a character.
  static bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
  }

  void Flush() {
    if (pending_breaks_ > 0) {
      if (out_->size() > start_) out_->append(static_cast<std::size_t>(pending_breaks_), '\n');
      pending_breaks_ = 0;
    } else if (pending_space_) {
      out_->push_back(' ');
    }
    pending_space_ = false;
  }

  std::string* out_;
  std::size_t start_;
  int pending_breaks_ = 0;
  bool pending_space_ = false;
  bool line_start_ = true;
};

// Iterative, so that deeply nested markup cannot exhaust the call stack.
void AppendCellText(const xmlNode& cell, std::string* out) {
  struct Frame {
    Tag tag;
    const xmlNode* next;
    bool had_cell = false;
  };
  CellWriter writer(out);
  int keep_whitespace = 0;
  std::vector<Frame> stack = {{TagOf(cell), cell.children}};
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next == nullptr) {
      const Tag done = frame.tag;
      stack.pop_back();
      if (stack.empty()) break;
      writer.RequireBreaks(BlockBreaks(done));
      if (KeepsWhitespace(done)) --keep_whitespace;
      continue;
    }
    const xmlNode& child = *frame.next;
    frame.next = child.next;
    switch (child.type) {
      case XML_TEXT_NODE:
      case XML_CDATA_SECTION_NODE:
        if (child.content != nullptr) {
          writer.Text(reinterpret_cast<const char*>(child.content), keep_whitespace > 0);
        }
        break;
      case XML_ELEMENT_NODE: {
        const Tag tag = TagOf(child);
        if (IsUnrendered(child, tag)) break;
        if (tag == Tag::kBr) {
          writer.Literal('\n');
          break;
        }
        if (IsCell(tag)) {
          if (frame.had_cell) writer.Literal('\t');
          frame.had_cell = true;
        }
        writer.RequireBreaks(BlockBreaks(tag));
        if (KeepsWhitespace(tag)) ++keep_whitespace;
        stack.push_back({tag, child.children});  // invalidates frame
        break;
      }
      default:
        break;
    }
  }
}

struct Row {
  std::vector<const xmlNode*> cells;
};

// A table's row group as a browser builds it: a TBODY, written or implied, or a THEAD or TFOOT.
struct RowGroup {
  bool is_body = false;
  std::vector<Row> rows;
};

// One part of a table in document order: a row group, or an element outside the cells that may
// hold tables of its own (a CAPTION, a table written straight into the table).
struct TablePart {
  const RowGroup* group = nullptr;
  const xmlNode* other = nullptr;
};

// The parts of a table as a browser's parser makes them. libxml2 parses as HTML 4 did and leaves
// rows where the markup puts them: straight in the TABLE, in a stray FORM or DIV, even in such a
// wrapper inside another row. A browser gathers each run of rows outside a TBODY, THEAD or TFOOT
// into a TBODY of its own, and cells outside a row into a row; it moves stray elements out of the
// table but keeps their rows and cells. The groups go to `groups`, where they stay put.
std::vector<TablePart> TableParts(const xmlNode& table, std::deque<RowGroup>* groups) {
  std::vector<TablePart> parts;
  RowGroup* group = nullptr;
  Row* row = nullptr;
  const auto open_group = [&](bool is_body) {
    group = &groups->emplace_back();
    group->is_body = is_body;
    parts.push_back({group, nullptr});
    row = nullptr;
  };
  struct Frame {
    Tag tag;
    const xmlNode* next;
  };
  std::vector<Frame> stack = {{Tag::kTable, table.children}};
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next == nullptr) {
      const Tag done = frame.tag;
      stack.pop_back();
      if (IsRowGroup(done)) {
        group = nullptr;
        row = nullptr;
      } else if (done == Tag::kTr) {
        row = nullptr;
      }
      continue;
    }
    const xmlNode& node = *frame.next;
    frame.next = node.next;
    const Tag tag = TagOf(node);
    if (tag == Tag::kNone || HoldsNoMarkup(tag)) continue;
    if (IsCell(tag)) {
      if (group == nullptr) open_group(true);
      if (row == nullptr) row = &group->rows.emplace_back();
      row->cells.push_back(&node);
      continue;  // what it holds is the cell's
    }
    if (tag == Tag::kTable || tag == Tag::kCaption) {
      parts.push_back({nullptr, &node});
      group = nullptr;
      row = nullptr;
      continue;
    }
    if (IsRowGroup(tag)) {
      open_group(tag == Tag::kTbody);
    } else if (tag == Tag::kTr) {
      if (group == nullptr) open_group(true);
      row = &group->rows.emplace_back();
    } else if (tag == Tag::kColgroup || tag == Tag::kCol) {
      group = nullptr;
      row = nullptr;
    }
    stack.push_back({tag, node.children});  // invalidates frame
  }
  return parts;
}

std::string BodyText(const RowGroup& body) {
  std::string text;
  for (std::size_t r = 0; r < body.rows.size(); ++r) {
    if (r > 0) text.push_back('\n');
    bool first_cell = true;
    for (const xmlNode* cell : body.rows[r].cells) {
      if (IsUnrendered(*cell, TagOf(*cell))) continue;
      if (!first_cell) text.push_back('\t');
      first_cell = false;
      AppendCellText(*cell, &text);
    }
  }
  return text;
}

// Control characters and noncharacters, which a browser's decoder shows as U+FFFD and libxml2
// would drop. The blanks (TAB, LF, FF, CR) are not among them.
bool ShownAsReplacement(char32_t c) {
  return (c < 0x20 && c != '\t' && c != '\n' && c != '\f' && c != '\r') ||
         (c >= 0x7F && c <= 0x9F) || (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE;
}

// The bytes as libxml2 should read them: valid UTF-8, with each invalid sequence one U+FFFD as
// a browser decodes it (libxml2 would read the rest of the page as Latin-1), no NUL (a browser
// drops it from text; libxml2 takes it for the end), FF as a space (libxml2 drops it), and the
// line ends of a browser's input stream (CR LF and CR become LF).
std::string CleanUtf8(std::string_view bytes) {
  static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
  std::string out;
  out.reserve(bytes.size());
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      ++i;
      if (lead == '\r') {
        out.push_back('\n');
        if (i < bytes.size() && bytes[i] == '\n') ++i;
      } else if (lead == '\f') {
        out.push_back(' ');
      } else if (ShownAsReplacement(lead)) {
        if (lead != 0) out.append(kReplacement);
      } else {
        out.push_back(static_cast<char>(lead));
      }
      continue;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    char32_t c = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      c = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      c = lead & 0x0Fu;
      if (lead == 0xE0) low = 0xA0;   // overlong
      if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      c = lead & 0x07u;
      if (lead == 0xF0) low = 0x90;   // overlong
      if (lead == 0xF4) high = 0x8F;  // beyond U+10FFFF
    }
    std::size_t end = i + 1;
    while (length > 0 && end < i + length && end < bytes.size()) {
      const auto next = static_cast<unsigned char>(bytes[end]);
      if (next < low || next > high) break;
      c = (c << 6) | (next & 0x3Fu);
      low = 0x80;
      high = 0xBF;
      ++end;
    }
    // On a broken sequence, the byte that broke it starts the next one.
    const bool whole = length > 0 && end == i + length;
    out.append(whole && !ShownAsReplacement(c) ? bytes.substr(i, length) : kReplacement);
    i = end;
  }
  return out;
}

void IgnoreMessage(void*, const char*, ...) {}

// Messages raised without a parser context (an encoding converter's, say) go to libxml2's
// generic handler, which prints them; this thread's handler says nothing while a page is read.
class QuietGenericErrors {
 public:
  QuietGenericErrors() : context_(xmlGenericErrorContext), handler_(xmlGenericError) {
    xmlSetGenericErrorFunc(nullptr, &IgnoreMessage);
  }
  ~QuietGenericErrors() {
    xmlSetGenericErrorFunc(context_, handler_);
    // Each parse error is also copied to this thread's last error; free that copy now.
    xmlResetLastError();
  }
  QuietGenericErrors(const QuietGenericErrors&) = delete;
  QuietGenericErrors& operator=(const QuietGenericErrors&) = delete;

 private:
  void* context_;
  xmlGenericErrorFunc handler_;
};

// libxml2 looks a misplaced end tag up among all open elements, so a hostile page of thousands of
// open elements and stray end tags costs it quadratic time. Each such look-up is also an error;
// the page is refused once the errors have cost more open elements than this, which no real page
// comes near (a results page makes a few dozen errors among fewer than 20 open elements).
constexpr long long kMostErrorCost = 100'000'000;

struct ErrorMeter {
  long long cost = 0;
  bool refused = false;
};

// The parser's error handler: prints nothing, and counts.
void CountError(void* context, const char*, ...) {
  auto* parser = static_cast<htmlParserCtxtPtr>(context);
  auto* meter = static_cast<ErrorMeter*>(parser->_private);
  meter->cost += parser->nameNr + 1;
  if (meter->cost > kMostErrorCost && !meter->refused) {
    meter->refused = true;
    xmlStopParser(parser);
  }
}

struct ParserFree {
  void operator()(htmlParserCtxt* parser) const { htmlFreeParserCtxt(parser); }
};
struct DocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using DocPtr = std::unique_ptr<xmlDoc, DocFree>;

// The page's tree, or none if libxml2 could not or should not read it.
DocPtr ParsePage(const std::string& utf8) {
  // libxml2 asks for this once, before any thread parses; it is never undone.
  static const bool initialised = (xmlInitParser(), true);
  (void)initialised;
  if (utf8.size() > static_cast<std::size_t>(INT_MAX)) return nullptr;
  QuietGenericErrors quiet;
  const std::unique_ptr<htmlParserCtxt, ParserFree> parser(htmlNewParserCtxt());
  if (parser == nullptr || parser->sax == nullptr) return nullptr;
  ErrorMeter meter;
  parser->_private = &meter;
  // In place of HTML_PARSE_NOERROR, which would leave errors uncounted.
  parser->sax->error = &CountError;
  parser->sax->fatalError = &CountError;
  // HUGE lifts libxml2's limit of 256 open elements, past which it would drop the rest of the
  // page; the walks below are iterative and bound their own cost. IGNORE_ENC keeps a meta tag
  // from changing the encoding: the text is UTF-8 already.
  int options = HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOWARNING |
                HTML_PARSE_NOIMPLIED | HTML_PARSE_COMPACT | HTML_PARSE_IGNORE_ENC;
  options |= XML_PARSE_HUGE;
  DocPtr doc(htmlCtxtReadMemory(parser.get(), utf8.data(), static_cast<int>(utf8.size()), nullptr,
                                "UTF-8", options));
  if (meter.refused) return nullptr;
  return doc;
}

// Each body's text holds the texts of the bodies nested in it, so n nested tables would cost n²
// in time and memory; bodies deeper than any real page nests them are left to their outer ones.
constexpr int kMostBodiesAround = 128;

}  // namespace

std::vector<std::string> TableBodyTexts(std::string_view html) {
  std::vector<std::string> texts;
  const DocPtr doc = ParsePage(CleanUtf8(html));
  if (doc == nullptr) return texts;
  // A node whose subtree is searched for tables, or a row group whose text is due.
  struct Pending {
    const xmlNode* node;
    const RowGroup* group;
    int bodies_around;
  };
  std::deque<RowGroup> groups;
  std::vector<Pending> pending;
  // Reversed, so that the stack hands them out in document order.
  const auto push_children = [&pending](const xmlNode* first, int bodies_around) {
    const std::size_t at = pending.size();
    for (const xmlNode* child = first; child != nullptr; child = child->next) {
      pending.push_back({child, nullptr, bodies_around});
    }
    std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(at), pending.end());
  };
  push_children(doc->children, 0);
  while (!pending.empty()) {
    const auto [node, group, bodies_around] = pending.back();
    pending.pop_back();
    if (group != nullptr) {
      if (group->is_body && bodies_around < kMostBodiesAround) texts.push_back(BodyText(*group));
      continue;
    }
    const Tag tag = TagOf(*node);
    if (tag == Tag::kNone || HoldsNoMarkup(tag)) continue;
    if (tag != Tag::kTable) {
      push_children(node->children, bodies_around);
      continue;
    }
    const std::vector<TablePart> parts = TableParts(*node, &groups);
    for (auto part = parts.rbegin(); part != parts.rend(); ++part) {
      if (part->other != nullptr) {
        pending.push_back({part->other, nullptr, bodies_around});
        continue;
      }
      const int inside = bodies_around + (part->group->is_body ? 1 : 0);
      for (auto row = part->group->rows.rbegin(); row != part->group->rows.rend(); ++row) {
        for (auto cell = row->cells.rbegin(); cell != row->cells.rend(); ++cell) {
          pending.push_back({*cell, nullptr, inside});
        }
      }
      pending.push_back({nullptr, part->group, bodies_around});
    }
  }
  return texts;
}

}  // namespace brivo
