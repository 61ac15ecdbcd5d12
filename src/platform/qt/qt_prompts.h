#pragma once

#include "platform/base/prompts.h"

class QWidget;

namespace brivo {

// The prompts as Qt dialogs over the given parent window.
class QtPrompts final : public Prompts {
 public:
  explicit QtPrompts(QWidget* parent) : parent_(parent) {}
  bool Confirm(const std::string& text, const std::string& title) override;
  void Warn(const std::string& text, const std::string& title) override;
  std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                   const std::string& default_text) override;
  std::optional<std::string> OpenFile(const std::string& title, const std::string& folder,
                                      const std::string& filter) override;
  std::optional<std::string> SaveFile(const std::string& title, const std::string& path,
                                      const std::string& filter) override;

 private:
  QWidget* parent_;
};

}  // namespace brivo
