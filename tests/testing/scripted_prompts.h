#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/prompts.h"

namespace brivo::testing {

// Prompts answered from a script; every prompt shown is recorded.
class ScriptedPrompts final : public Prompts {
 public:
  struct Shown {
    std::string kind;  // "confirm", "warn", "input", "open", "save"
    std::string text;
    std::string title;
  };

  bool Confirm(const std::string& text, const std::string& title) override {
    shown.push_back({"confirm", text, title});
    return Next().has_value();
  }
  void Warn(const std::string& text, const std::string& title) override {
    shown.push_back({"warn", text, title});
  }
  std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                   const std::string&) override {
    shown.push_back({"input", prompt, title});
    return Next();
  }
  // The open-file dialog is recorded with its starting folder as its text.
  std::optional<std::string> OpenFile(const std::string& title, const std::string& folder,
                                      const std::string&) override {
    shown.push_back({"open", folder, title});
    return Next();
  }
  // The save-file dialog is recorded with the path it proposes as its text.
  std::optional<std::string> SaveFile(const std::string& title, const std::string& path,
                                      const std::string&) override {
    shown.push_back({"save", path, title});
    return Next();
  }

  // The texts of the warnings shown since the last call; the record of prompts starts anew.
  std::vector<std::string> TakeWarnings() {
    std::vector<std::string> warnings;
    for (const Shown& s : shown) {
      if (s.kind == "warn") warnings.push_back(s.text);
    }
    shown.clear();
    return warnings;
  }

  // Answers in order: a text (OK with it) or nullopt (Cancel). Unscripted prompts are cancelled.
  std::deque<std::optional<std::string>> answers;
  std::vector<Shown> shown;

 private:
  std::optional<std::string> Next() {
    if (answers.empty()) return std::nullopt;
    std::optional<std::string> a = answers.front();
    answers.pop_front();
    return a;
  }
};

}  // namespace brivo::testing
