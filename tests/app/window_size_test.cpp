// The main window's size: shrunk as far as it goes or maximised, every caption stays whole.

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>

#include "app/frm_main_fixture.h"

namespace brivo {
namespace {

class WindowSizeTest : public FrmMainTest {
 protected:
  // Every shown widget with a caption that is narrower or lower than its caption needs.
  std::vector<std::string> CutCaptions() {
    std::vector<std::string> cut;
    auto check = [&](QWidget* w, QSize needed, const QString& caption) {
      if (!w->isVisibleTo(window_.get())) return;
      if (w->width() < needed.width() || w->height() < needed.height()) {
        cut.push_back(caption.toStdString() + " " + std::to_string(w->width()) + "x" +
                      std::to_string(w->height()) + " < " + std::to_string(needed.width()) + "x" +
                      std::to_string(needed.height()));
      }
    };
    for (auto* b : window_->findChildren<QAbstractButton*>()) check(b, b->sizeHint(), b->text());
    for (auto* l : window_->findChildren<QLabel*>()) check(l, l->sizeHint(), l->text());
    for (auto* g : window_->findChildren<QGroupBox*>()) {
      check(g, g->minimumSizeHint(), g->title());
    }
    return cut;
  }
};

TEST_F(WindowSizeTest, ShrunkAsFarAsItGoesEveryCaptionStaysWhole) {
  History(testing::RealHistory(60));
  FrmMain& w = Open();
  // The minimum comes from the layout; Qt keeps the window at it and hands it to the window
  // manager, which keeps a user from dragging the window smaller.
  EXPECT_EQ(w.minimumSize(), w.minimumSizeHint());
  w.resize(1, 1);
  QApplication::processEvents();
  EXPECT_EQ(w.size(), w.minimumSize());
  EXPECT_EQ(CutCaptions(), std::vector<std::string>{});
  // Maximised on a large screen.
  w.resize(1920, 1080);
  QApplication::processEvents();
  EXPECT_EQ(CutCaptions(), std::vector<std::string>{});
}

}  // namespace
}  // namespace brivo
