// The option controls' handlers, the pattern refresh and the default start issue.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTabBar>
#include <limits>

#include "app/analysis_inputs.h"
#include "app/frm_main.h"

namespace brivo {
namespace {

// The integer in a box: an optional "-" and digits, within 16 bits.
std::optional<std::int16_t> PatternValue(const QString& text) {
  static const QRegularExpression kInteger("^-?[0-9]+$");
  if (!kInteger.match(text).hasMatch()) return std::nullopt;
  bool ok = false;
  const int value = text.toInt(&ok);
  if (!ok || value < std::numeric_limits<std::int16_t>::min() ||
      value > std::numeric_limits<std::int16_t>::max()) {
    return std::nullopt;
  }
  return static_cast<std::int16_t>(value);
}

}  // namespace

void FrmMain::SaveInt(const char* key, int value) {
  if (!starting_up_) context_.settings->SetInt(key, value);
}

void FrmMain::SaveBool(const char* key, bool value) {
  if (!starting_up_) context_.settings->SetBool(key, value);
}

void FrmMain::SelectOption(QRadioButton* button, int index, void (FrmMain::*handler)(int)) {
  button->setChecked(true);
  (this->*handler)(index);
}

void FrmMain::Option1_Click(int index) {
  if (index == 1) state_.bolZyw = true;
  if (index == 0) state_.bolZyw = false;
  check2_->setVisible(state_.bolZyw);
  if (index == 3) state_.bolSq = true;
  if (index == 2) state_.bolSq = false;
  SaveBool(keys::kBolZyw, state_.bolZyw);
  SaveBool(keys::kBolSq, state_.bolSq);
  PatternRefresh();
  DefaultStartIssue();
}

void FrmMain::Option2_Click(int /*index*/) { PatternRefresh(); }

void FrmMain::Option3_Click(int index) {
  state_.intLei = index;
  PatternRefresh();
  SaveInt(keys::kIntLei, state_.intLei);
}

void FrmMain::Option4_Click(int index) {
  state_.intXianshiLei = index;
  state_.result_letter = store::kKindLetters[state_.ResultKind()];
  SaveInt(keys::kIntXianshiLei, state_.intXianshiLei);
}

void FrmMain::Option5_Click(int index) {
  state_.intConsqSort = index;
  SaveInt(keys::kIntConsqSort, state_.intConsqSort);
}

void FrmMain::Option6_Click(int index) {
  state_.bolZhpm = index != 0;
  SaveBool(keys::kBolZhpm, state_.bolZhpm);
}

int FrmMain::LookBackDigit() const {
  const QString text = mask_ed_box2_->text();
  bool ok = false;
  const int digit = text.toInt(&ok);
  return ok && text.size() == 1 ? digit : -1;
}

void FrmMain::MaskEdBox2_LostFocus() {
  const int digit = LookBackDigit();
  if (digit < kMinPreQi || digit > kMaxPreQi) {
    // An empty box or 0 would look back nowhere: keep the distance the search had.
    mask_ed_box2_->setText(QString::number(state_.intPreQi));
    ShowHint(QString::fromUtf8("前N期的N应为1到9的数字，仍为%1").arg(state_.intPreQi));
    return;
  }
  state_.intPreQi = digit;
  SaveInt(keys::kIntPreQi, state_.intPreQi);
  PatternRefresh();
  DefaultStartIssue();
}

void FrmMain::Check2_LostFocus() { SaveInt(keys::kIntIdfTm, check2_->isChecked() ? 1 : 0); }

void FrmMain::Combo1_LostFocus() {
  bool ok = false;
  const int size = combo1_->currentText().trimmed().toInt(&ok);
  if (!ok || size < kMinZhWSetup || size > kMaxZhWSetup) {
    combo1_->setEditText(QString::number(state_.intZhWSetup));
    ShowHint(QString::fromUtf8("组合位数应为1到6，仍为%1").arg(state_.intZhWSetup));
    return;
  }
  state_.intZhWSetup = size;
  SaveInt(keys::kIntZhWSetup, state_.intZhWSetup);
}

void FrmMain::Text22_LostFocus(int index) { TakeManualBox(index); }

void FrmMain::TakeManualBox(int index) {
  const QString text = text22_[index]->text();
  if (auto value = PatternValue(text)) {
    state_.pattern[index] = *value;
    return;
  }
  // What the box shows is what is searched: a text that is no number gives way to the value in
  // use.
  text22_[index]->setText(QString::number(state_.pattern[index]));
  if (!text.isEmpty()) {
    ShowHint(QString::fromUtf8("%1的“%2”不是整数，仍按%3检索")
                 .arg(index == 7 ? QString::fromUtf8("蓝球") : QString::fromUtf8("红%1").arg(index),
                      text)
                 .arg(state_.pattern[index]));
  }
}

void FrmMain::TakeManualPattern() {
  for (int i = 1; i <= 7; ++i) TakeManualBox(i);
}

void FrmMain::TabStrip1_Click() {
  const bool manual = tab_strip1_->currentIndex() == 1;
  tab_pages_->setCurrentIndex(manual ? 1 : 0);
  state_.manual_tab = manual;
  if (manual) {
    TakeManualPattern();
  } else {
    // The pattern record may have changed while the manual tab was shown (a draw typed, another
    // kind or basis chosen): the automatic boxes show it anew, and the search uses what they show.
    PatternRefresh();
  }
}

void FrmMain::PatternRefresh() {
  if (!session_.is_open()) return;
  LoadPattern();
}

void FrmMain::LoadPattern() {
  if (tab_strip1_->currentIndex() == 0) {
    state_.manual_tab = false;
    PatternValues values{};
    if (!session_
             .PatternRecord(state_.PatternBasis(), state_.intPreQi, state_.SearchKind(), &values)
             .ok()) {
      return;  // an empty history, or one shorter than the look-back distance
    }
    for (int i = 1; i <= 7; ++i) {
      const std::int16_t v = values[i];
      state_.pattern[i] = v;
      text2_[i]->setText(ValueText(v, state_.SearchKind(), state_.SxIni));
    }
  } else {
    state_.manual_tab = true;
    TakeManualPattern();
  }
}

void FrmMain::DefaultStartIssue() {
  const int distance = state_.bolSq ? 1 : LookBackDigit();
  if (distance < 0) return;  // the look-back box holds no digit yet
  std::int64_t start = 0;
  if (session_.DefaultStartIssue(distance, &start).ok()) text3_[0]->setText(QString::number(start));
}

void FrmMain::DefaultIssueRange() {
  DefaultStartIssue();
  if (const std::int64_t newest = session_.NewestIssue(); newest > 0) {
    text3_[1]->setText(QString::number(newest));
  }
}

}  // namespace brivo
