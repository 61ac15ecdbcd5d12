#include "app/analysis_inputs.h"

#include <QLabel>

#include "app/failure_reason.h"
#include "platform/base/log.h"

namespace brivo {

void AnalysisInputs::Fail(const std::string& what, const Status& status, QLabel* summary) const {
  if (failed) {
    failed(what, status);
  } else {
    LogWarning(status.ToString());
    summary->setText(QString::fromStdString(what + FailureReason(status)));
  }
}

QString ValueText(std::int64_t value, store::Kind kind, int sx_ini) {
  if (kind == store::Kind::kSx) {
    const std::string name = store::AnimalName(static_cast<int>(value), sx_ini);
    if (!name.empty()) return QString::fromStdString(name);
  }
  return QString::number(value);
}

QString KindName(store::Kind kind) {
  static const store::ByKind<const char*> names = {
      {"号码", "生肖", "头数", "尾数", "合数", "段数"}};
  return QString::fromUtf8(names[kind]);
}

QString ScopeName(search::ResultScope scope) {
  const char* const names[3] = {"红蓝", "红球", "蓝球"};
  return QString::fromUtf8(names[static_cast<int>(scope)]);
}

QString Decimals(double x, int places) {
  const QString text = QString::number(x, 'f', places);
  return text.toDouble() == 0 ? QString::number(0.0, 'f', places) : text;
}

}  // namespace brivo
