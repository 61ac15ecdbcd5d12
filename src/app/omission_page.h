#pragma once

#include <QWidget>
#include <vector>

#include "app/analysis_inputs.h"
#include "search/omission.h"

class QLabel;
class QPushButton;

namespace brivo {

// The page 遗漏统计: the omission table of the result kind and scope over the issue range.
class OmissionPage : public QWidget {
  Q_OBJECT

 public:
  // REQUIRES: `inputs` outlives the page.
  explicit OmissionPage(const AnalysisInputs& inputs, QWidget* parent = nullptr);

  FlexGrid* grid() const { return grid_; }
  void Command5_Click();
  // Enables or disables 遗漏统计 while the window runs a long command.
  void SetCommandsEnabled(bool enabled);
  // Re-sorts the table by a column (0 值 .. 7 平均遗漏) and shows it again.
  void SortBy(int column);

 private:
  void Fill();

  const AnalysisInputs& inputs_;
  QPushButton* command5_ = nullptr;
  QLabel* summary_ = nullptr;
  FlexGrid* grid_ = nullptr;
  std::vector<search::OmissionRow> rows_;
  store::Kind kind_ = store::Kind::kHm;
  int sx_ini_ = 1;
};

}  // namespace brivo
