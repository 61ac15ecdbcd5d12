#include "app/grid_double_click.h"

#include <QEvent>
#include <QHeaderView>
#include <QMouseEvent>

#include "app/flex_grid.h"

namespace brivo {
namespace {

class DoubleClickFilter : public QObject {
 public:
  DoubleClickFilter(QObject* parent, std::function<void()> act)
      : QObject(parent), act_(std::move(act)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
      act_();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> act_;
};

}  // namespace

void OnDoubleClick(FlexGrid* grid, std::function<void()> act) {
  auto* filter = new DoubleClickFilter(grid, std::move(act));
  grid->viewport()->installEventFilter(filter);
  grid->horizontalHeader()->viewport()->installEventFilter(filter);
}

}  // namespace brivo
