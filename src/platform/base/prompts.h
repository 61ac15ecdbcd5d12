#pragma once

#include <optional>
#include <string>

// The program's message boxes, input boxes and file dialogs, behind one interface so that tests
// answer them without a person.
namespace brivo {

class Prompts {
 public:
  virtual ~Prompts() = default;
  // An OK/Cancel box with a question icon; true for OK.
  virtual bool Confirm(const std::string& text, const std::string& title) = 0;
  // A box with one OK button and a warning icon, for a failure the user must know about.
  virtual void Warn(const std::string& text, const std::string& title) = 0;
  // An input box with a prompt, a title and a default answer; nullopt for Cancel.
  virtual std::optional<std::string> Input(const std::string& prompt, const std::string& title,
                                           const std::string& default_text) = 0;
  // The open-file dialog; nullopt when cancelled.
  virtual std::optional<std::string> OpenFile(const std::string& title, const std::string& folder,
                                              const std::string& filter) = 0;
  // The save-file dialog, opened on `path` (its folder and proposed name); the path chosen,
  // nullopt when cancelled.
  virtual std::optional<std::string> SaveFile(const std::string& title, const std::string& path,
                                              const std::string& filter) = 0;
};

}  // namespace brivo
