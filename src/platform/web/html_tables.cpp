#include "platform/web/html_tables.h"

#include <gumbo.h>

#include <algorithm>
#include <cstddef>

namespace brivo {
namespace {

bool IsHtml(const GumboNode& node, GumboTag tag) {
  return node.type == GUMBO_NODE_ELEMENT && node.v.element.tag == tag &&
         node.v.element.tag_namespace == GUMBO_NAMESPACE_HTML;
}

const GumboNode& Child(const GumboVector& children, unsigned int i) {
  return *static_cast<const GumboNode*>(children.data[i]);
}

// Elements a browser does not render, so their text is not part of innerText. NOSCRIPT is among
// them because a browser with scripting on sees its contents as plain text, not as markup.
bool IsUnrendered(const GumboNode& node) {
  if (node.type == GUMBO_NODE_TEMPLATE) return true;
  if (node.type != GUMBO_NODE_ELEMENT) return false;
  const GumboElement& el = node.v.element;
  if (el.tag == GUMBO_TAG_SCRIPT || el.tag == GUMBO_TAG_STYLE) return true;
  if (el.tag_namespace != GUMBO_NAMESPACE_HTML) return false;
  switch (el.tag) {
    case GUMBO_TAG_TEMPLATE:
    case GUMBO_TAG_NOSCRIPT:
    case GUMBO_TAG_TEXTAREA:
    case GUMBO_TAG_IFRAME:
    case GUMBO_TAG_NOEMBED:
    case GUMBO_TAG_NOFRAMES:
    case GUMBO_TAG_DATALIST:
    case GUMBO_TAG_RP:
      return true;
    default:
      return gumbo_get_attribute(&el.attributes, "hidden") != nullptr;
  }
}

// How many line breaks an HTML element's box asks for before and after its contents: 2 for a
// paragraph, 1 for the other blocks of a browser's default style sheet, 0 for inline elements.
int BlockBreaks(const GumboNode& node) {
  if (node.type != GUMBO_NODE_ELEMENT || node.v.element.tag_namespace != GUMBO_NAMESPACE_HTML) {
    return 0;
  }
  switch (node.v.element.tag) {
    case GUMBO_TAG_P:
      return 2;
    case GUMBO_TAG_ADDRESS:
    case GUMBO_TAG_ARTICLE:
    case GUMBO_TAG_ASIDE:
    case GUMBO_TAG_BLOCKQUOTE:
    case GUMBO_TAG_CAPTION:
    case GUMBO_TAG_CENTER:
    case GUMBO_TAG_DD:
    case GUMBO_TAG_DETAILS:
    case GUMBO_TAG_DIR:
    case GUMBO_TAG_DIV:
    case GUMBO_TAG_DL:
    case GUMBO_TAG_DT:
    case GUMBO_TAG_FIELDSET:
    case GUMBO_TAG_FIGCAPTION:
    case GUMBO_TAG_FIGURE:
    case GUMBO_TAG_FOOTER:
    case GUMBO_TAG_FORM:
    case GUMBO_TAG_H1:
    case GUMBO_TAG_H2:
    case GUMBO_TAG_H3:
    case GUMBO_TAG_H4:
    case GUMBO_TAG_H5:
    case GUMBO_TAG_H6:
    case GUMBO_TAG_HEADER:
    case GUMBO_TAG_HGROUP:
    case GUMBO_TAG_HR:
    case GUMBO_TAG_LEGEND:
    case GUMBO_TAG_LI:
    case GUMBO_TAG_LISTING:
    case GUMBO_TAG_MAIN:
    case GUMBO_TAG_MENU:
    case GUMBO_TAG_NAV:
    case GUMBO_TAG_OL:
    case GUMBO_TAG_PLAINTEXT:
    case GUMBO_TAG_PRE:
    case GUMBO_TAG_SECTION:
    case GUMBO_TAG_SUMMARY:
    case GUMBO_TAG_TABLE:
    case GUMBO_TAG_TR:  // only met in tables nested in a cell; a row ends a line like a block
    case GUMBO_TAG_UL:
    case GUMBO_TAG_XMP:
      return 1;
    default:
      return 0;
  }
}

bool KeepsWhitespace(const GumboNode& node) {
  return IsHtml(node, GUMBO_TAG_PRE) || IsHtml(node, GUMBO_TAG_LISTING) ||
         IsHtml(node, GUMBO_TAG_XMP) || IsHtml(node, GUMBO_TAG_PLAINTEXT);
}

bool IsCell(const GumboNode& node) {
  return IsHtml(node, GUMBO_TAG_TD) || IsHtml(node, GUMBO_TAG_TH);
}

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
void AppendCellText(const GumboNode& cell, std::string* out) {
  struct Frame {
    const GumboNode* node;
    unsigned int next = 0;
    bool had_cell = false;
  };
  CellWriter writer(out);
  int keep_whitespace = 0;
  std::vector<Frame> stack = {{&cell}};
  while (!stack.empty()) {
    Frame& frame = stack.back();
    const GumboVector& children = frame.node->v.element.children;
    if (frame.next == children.length) {
      const GumboNode& done = *frame.node;
      stack.pop_back();
      if (stack.empty()) break;
      writer.RequireBreaks(BlockBreaks(done));
      if (KeepsWhitespace(done)) --keep_whitespace;
      continue;
    }
    const GumboNode& child = Child(children, frame.next++);
    switch (child.type) {
      case GUMBO_NODE_TEXT:
      case GUMBO_NODE_WHITESPACE:
      case GUMBO_NODE_CDATA:
        writer.Text(child.v.text.text, keep_whitespace > 0);
        break;
      case GUMBO_NODE_ELEMENT:
        if (IsUnrendered(child)) break;
        if (IsHtml(child, GUMBO_TAG_BR)) {
          writer.Literal('\n');
          break;
        }
        if (IsCell(child)) {
          if (frame.had_cell) writer.Literal('\t');
          frame.had_cell = true;
        }
        writer.RequireBreaks(BlockBreaks(child));
        if (KeepsWhitespace(child)) ++keep_whitespace;
        stack.push_back({&child});  // invalidates frame
        break;
      default:
        break;
    }
  }
}

std::string BodyText(const GumboNode& body) {
  std::string text;
  bool first_row = true;
  const GumboVector& rows = body.v.element.children;
  for (unsigned int r = 0; r < rows.length; ++r) {
    const GumboNode& row = Child(rows, r);
    if (!IsHtml(row, GUMBO_TAG_TR)) continue;
    if (!first_row) text.push_back('\n');
    first_row = false;
    bool first_cell = true;
    const GumboVector& cells = row.v.element.children;
    for (unsigned int c = 0; c < cells.length; ++c) {
      const GumboNode& cell = Child(cells, c);
      if (!IsCell(cell) || IsUnrendered(cell)) continue;
      if (!first_cell) text.push_back('\t');
      first_cell = false;
      AppendCellText(cell, &text);
    }
  }
  return text;
}

// Each body's text holds the texts of the bodies nested in it, so n nested tables would cost n²
// in time and memory; bodies deeper than any real page nests them are left to their outer ones.
constexpr int kMostBodiesAround = 128;

}  // namespace

std::vector<std::string> TableBodyTexts(std::string_view html) {
  GumboOptions options = kGumboDefaultOptions;
  options.max_errors = 0;  // nobody reads them; garbage pages would pile up thousands
  GumboOutput* output =
      gumbo_parse_with_options(&options, html.empty() ? "" : html.data(), html.size());
  std::vector<std::string> texts;
  if (output == nullptr) return texts;
  struct Pending {
    const GumboNode* node;
    int bodies_around;
  };
  std::vector<Pending> pending = {{output->document, 0}};
  while (!pending.empty()) {
    const auto [node, bodies_around] = pending.back();
    pending.pop_back();
    const bool is_body = IsHtml(*node, GUMBO_TAG_TBODY);
    if (is_body && bodies_around < kMostBodiesAround) texts.push_back(BodyText(*node));
    // Template contents and NOSCRIPT are no part of a scripting browser's document tree.
    if (node->type == GUMBO_NODE_TEMPLATE || IsHtml(*node, GUMBO_TAG_NOSCRIPT)) continue;
    if (node->type != GUMBO_NODE_DOCUMENT && node->type != GUMBO_NODE_ELEMENT) continue;
    const GumboVector& children =
        node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
    // Reversed, so that the stack hands them out in document order.
    for (unsigned int i = children.length; i > 0; --i) {
      pending.push_back({&Child(children, i - 1), bodies_around + (is_body ? 1 : 0)});
    }
  }
  gumbo_destroy_output(&options, output);
  return texts;
}

}  // namespace brivo
