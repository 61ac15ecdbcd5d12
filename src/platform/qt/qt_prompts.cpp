#include "platform/qt/qt_prompts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QString>

namespace brivo {
namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

bool QtPrompts::Confirm(const std::string& text, const std::string& title) {
  QMessageBox box(QMessageBox::Question, Q(title), Q(text), QMessageBox::Ok | QMessageBox::Cancel,
                  parent_);
  // The program's texts are never markup; a stray "<" must not turn one into rich text.
  box.setTextFormat(Qt::PlainText);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Cancel);
  return box.exec() == QMessageBox::Ok;
}

void QtPrompts::Warn(const std::string& text, const std::string& title) {
  QMessageBox box(QMessageBox::Warning, Q(title), Q(text), QMessageBox::Ok, parent_);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

std::optional<std::string> QtPrompts::Input(const std::string& prompt, const std::string& title,
                                            const std::string& default_text) {
  bool ok = false;
  const QString answer =
      QInputDialog::getText(parent_, Q(title), Q(prompt), QLineEdit::Normal, Q(default_text), &ok);
  if (!ok) return std::nullopt;
  return answer.toStdString();
}

std::optional<std::string> QtPrompts::OpenFile(const std::string& title, const std::string& folder,
                                               const std::string& filter) {
  const QString path = QFileDialog::getOpenFileName(parent_, Q(title), Q(folder), Q(filter));
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

std::optional<std::string> QtPrompts::SaveFile(const std::string& title, const std::string& path,
                                               const std::string& filter) {
  // The dialog asks before it replaces a file.
  const QString chosen = QFileDialog::getSaveFileName(parent_, Q(title), Q(path), Q(filter));
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.toStdString();
}

}  // namespace brivo
