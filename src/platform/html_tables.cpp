#include "platform/html_tables.h"

#include <gumbo.h>

namespace brivo {
namespace {

bool IsCollapsible(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }

// The text of a cell as innerText renders it: blanks collapsed, <br> a line break.
void AppendCellText(const GumboNode* node, std::string* out) {
  if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE ||
      node->type == GUMBO_NODE_CDATA) {
    for (const char* p = node->v.text.text; *p != '\0'; ++p) {
      if (IsCollapsible(*p)) {
        if (!out->empty() && out->back() != ' ' && out->back() != '\n') out->push_back(' ');
      } else {
        out->push_back(*p);
      }
    }
    return;
  }
  if (node->type != GUMBO_NODE_ELEMENT) return;
  const GumboTag tag = node->v.element.tag;
  if (tag == GUMBO_TAG_SCRIPT || tag == GUMBO_TAG_STYLE || tag == GUMBO_TAG_TEMPLATE) return;
  if (tag == GUMBO_TAG_BR) {
    while (!out->empty() && out->back() == ' ') out->pop_back();
    out->push_back('\n');
    return;
  }
  const GumboVector& children = node->v.element.children;
  for (unsigned i = 0; i < children.length; ++i) {
    AppendCellText(static_cast<const GumboNode*>(children.data[i]), out);
  }
}

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \n");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \n") - first + 1);
}

// A table body's rows (its own, not those of tables nested in its cells), cells joined by a
// tab, rows by a line feed.
std::string BodyText(const GumboNode* body) {
  std::string text;
  bool first_row = true;
  const GumboVector& rows = body->v.element.children;
  for (unsigned r = 0; r < rows.length; ++r) {
    const auto* row = static_cast<const GumboNode*>(rows.data[r]);
    if (row->type != GUMBO_NODE_ELEMENT || row->v.element.tag != GUMBO_TAG_TR) continue;
    if (!first_row) text.push_back('\n');
    first_row = false;
    bool first_cell = true;
    const GumboVector& cells = row->v.element.children;
    for (unsigned c = 0; c < cells.length; ++c) {
      const auto* cell = static_cast<const GumboNode*>(cells.data[c]);
      if (cell->type != GUMBO_NODE_ELEMENT ||
          (cell->v.element.tag != GUMBO_TAG_TD && cell->v.element.tag != GUMBO_TAG_TH)) {
        continue;
      }
      if (!first_cell) text.push_back('\t');
      first_cell = false;
      std::string cell_text;
      AppendCellText(cell, &cell_text);
      text += Trimmed(cell_text);
    }
  }
  return text;
}

// Every TBODY in document order, outer ones before those nested in their cells. An explicit
// stack keeps deep documents from exhausting the call stack.
void CollectBodies(const GumboNode* root, std::vector<std::string>* out) {
  std::vector<const GumboNode*> pending = {root};
  while (!pending.empty()) {
    const GumboNode* node = pending.back();
    pending.pop_back();
    if (node->type != GUMBO_NODE_ELEMENT && node->type != GUMBO_NODE_DOCUMENT) continue;
    const GumboVector& children =
        node->type == GUMBO_NODE_DOCUMENT ? node->v.document.children : node->v.element.children;
    if (node->type == GUMBO_NODE_ELEMENT) {
      const GumboTag tag = node->v.element.tag;
      if (tag == GUMBO_TAG_SCRIPT || tag == GUMBO_TAG_STYLE || tag == GUMBO_TAG_TEMPLATE) continue;
      if (tag == GUMBO_TAG_TBODY) out->push_back(BodyText(node));
    }
    for (unsigned i = children.length; i > 0; --i) {
      pending.push_back(static_cast<const GumboNode*>(children.data[i - 1]));
    }
  }
}

}  // namespace

std::vector<std::string> TableBodyTexts(std::string_view html) {
  std::vector<std::string> bodies;
  GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, html.data(), html.size());
  if (output == nullptr) return bodies;
  CollectBodies(output->document, &bodies);
  gumbo_destroy_output(&kGumboDefaultOptions, output);
  return bodies;
}

}  // namespace brivo
