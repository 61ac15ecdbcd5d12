#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringDecoder>

#include "platform/base/gb_text.h"

namespace brivo {

std::optional<char32_t> DecodeGbCharacter(std::string_view sequence) {
  // A Qt without ICU has no GB18030 decoder: the character is then lost to U+FFFD.
  QStringDecoder decoder("GB18030", QStringConverter::Flag::Stateless);
  if (!decoder.isValid()) return std::nullopt;
  const QString text =
      decoder(QByteArray(sequence.data(), static_cast<qsizetype>(sequence.size())));
  const QList<uint> code_points = text.toUcs4();
  if (decoder.hasError() || code_points.size() != 1 || code_points[0] == 0xFFFD) {
    return std::nullopt;
  }
  return static_cast<char32_t>(code_points[0]);
}

}  // namespace brivo
