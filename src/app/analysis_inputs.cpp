#include "app/analysis_inputs.h"

namespace brivo {

QString ValueText(std::int64_t value, store::Kind kind, int sx_ini) {
  if (kind == store::Kind::kSx) {
    const std::string name = store::AnimalName(static_cast<int>(value), sx_ini);
    if (!name.empty()) return QString::fromStdString(name);
  }
  return QString::number(value);
}

QString Decimals(double x, int places) {
  const QString text = QString::number(x, 'f', places);
  return text.toDouble() == 0 ? QString::number(0.0, 'f', places) : text;
}

}  // namespace brivo
