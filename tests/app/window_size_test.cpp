// The main window's size and place: shrunk as far as it goes or maximised, every caption stays
// whole; opened within the screen's work area and where it was left.

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QScreen>
#include <QStatusBar>
#include <QStyleOptionFrame>

#include "app/chinese_font.h"
#include "app/frm_main_fixture.h"
#include "app/window_placement.h"
#include "testing/offscreen_screens.h"

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
    // The boxes of one or two digits show them whole: the text area inside the frame and margins.
    for (auto* box : window_->findChildren<QLineEdit*>()) {
      if (box->inputMask().isEmpty()) continue;
      QStyleOptionFrame option;
      option.initFrom(box);
      option.lineWidth = box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box);
      const QRect text = box->style()
                             ->subElementRect(QStyle::SE_LineEditContents, &option, box)
                             .marginsRemoved(box->textMargins());
      const QFontMetrics metrics = box->fontMetrics();
      const QString digits(box->inputMask().section(';', 0, 0).size(), '0');
      // QLineEdit keeps 2 pixels left and right and 1 above and below the text.
      check(box,
            QSize(metrics.horizontalAdvance(digits) + 4, metrics.height() + 2) + box->size() -
                text.size(),
            box->objectName());
    }
    return cut;
  }
  static std::string Text(const QRect& r) {
    return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) +
           "x" + std::to_string(r.height());
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

// Where the window opens on a laptop's screen, a scaled one, a desktop's and two side by side,
// with and without a place kept from the last time: its frame within the work area, the status
// bar above the screen's lower edge, and every caption and box whole.
TEST_F(WindowSizeTest, OpensWithinTheWorkAreaAndWhereItWasLeft) {
  using testing::OffscreenScreen;
  const QRect full_hd(0, 0, 1920, 1080);
  const QRect laptop(0, 0, 1366, 768);
  const QRect kept(2300, 100, 1200, 760);  // on the right one of two full-HD screens
  struct Row {
    const char* name;
    std::vector<OffscreenScreen> screens;
    std::optional<WindowPlacement> kept;
    bool maximised;
    QRect normal;  // the normal geometry; empty: the preferred size centred, or what fits
  };
  const Row rows[] = {
      {"1366x768", {{"laptop", laptop}}, std::nullopt, true, {}},
      {"1920x1080 at 150 %", {{"scaled", full_hd, 1.5}}, std::nullopt, true, {}},
      {"1920x1080", {{"desktop", full_hd}}, std::nullopt, false, {}},
      {"kept on the second screen",
       {{"left", full_hd}, {"right", full_hd.translated(1920, 0)}},
       WindowPlacement{kept, false},
       false,
       kept},
      {"kept maximised",
       {{"desktop", full_hd}},
       WindowPlacement{QRect(90, 80, 1300, 820), true},
       true,
       QRect(90, 80, 1300, 820)},
      {"kept on a screen that is gone",
       {{"left", full_hd}},
       WindowPlacement{kept, false},
       false,
       {}},
      {"kept across the screen's edge",
       {{"laptop", laptop}},
       WindowPlacement{QRect(300, 40, 1280, 700), false},
       true,
       {}},
  };
  History(testing::RealHistory(60));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    testing::OffscreenScreens screens(row.screens);
    settings_ = MakeSettingsStore(dir_.File(std::string(row.name) + ".ini"));
    if (row.kept) SaveWindowPlacement(*row.kept, settings_.get());
    FrmMain& w = Build();
    w.ShowPlaced();
    QApplication::processEvents();
    const QRect area = w.screen()->availableGeometry();
    const OffscreenScreen& primary = row.screens.front();
    EXPECT_EQ(QGuiApplication::primaryScreen()->geometry().size(),
              primary.geometry.size() / primary.scale);
    EXPECT_TRUE(area.contains(w.frameGeometry()))
        << Text(w.frameGeometry()) << " on " << Text(area);
    const QRect status(w.statusBar()->mapToGlobal(QPoint()), w.statusBar()->size());
    EXPECT_TRUE(area.contains(status)) << Text(status) << " on " << Text(area);
    EXPECT_EQ(w.isMaximized(), row.maximised);
    if (!row.normal.isEmpty()) {
      EXPECT_EQ(w.normalGeometry(), row.normal) << Text(w.normalGeometry());
    } else if (!row.maximised) {
      EXPECT_EQ(w.normalGeometry().size(), QSize(1280, 800));
      EXPECT_EQ(w.normalGeometry().center(), area.center());
    }
    EXPECT_EQ(CutCaptions(), std::vector<std::string>{});
    window_.reset();
  }
}

TEST_F(WindowSizeTest, ComesBackWhereItWasClosed) {
  testing::OffscreenScreens screens({{"desktop", QRect(0, 0, 1920, 1080)}});
  History(testing::RealHistory(60));
  FrmMain& first = Build();
  first.ShowPlaced();
  first.setGeometry(QRect(150, 60, 1240, 700));
  QApplication::processEvents();
  first.close();
  EXPECT_EQ(Stored("intWinLeft"), "150");
  EXPECT_EQ(Stored("intWinTop"), "60");
  EXPECT_EQ(Stored("intWinWidth"), "1240");
  EXPECT_EQ(Stored("intWinHeight"), "700");
  EXPECT_EQ(Stored("bolWinMax"), "False");
  FrmMain& second = Build();
  second.ShowPlaced();
  QApplication::processEvents();
  EXPECT_EQ(second.geometry(), QRect(150, 60, 1240, 700));
  second.showMaximized();
  QApplication::processEvents();
  second.close();
  EXPECT_EQ(Stored("bolWinMax"), "True");
  EXPECT_EQ(Stored("intWinWidth"), "1240");  // the size it comes back to from maximised
}

}  // namespace
}  // namespace brivo

namespace brivo {
namespace {

// The captions' font: on Windows Microsoft YaHei or SimSun, which a stock Windows has; elsewhere
// the free font Debian ships, then the same.
TEST(ChineseFontFamilyTest, TheBestThatTheMachineHas) {
#ifdef _WIN32
  const bool windows = true;
#else
  const bool windows = false;
#endif
  struct Row {
    const char* name;
    QStringList installed;
    QString chosen;
  };
  const Row rows[] = {
      {"stock Windows", {"Segoe UI", "Microsoft YaHei", "SimSun"}, "Microsoft YaHei"},
      {"an older Windows", {"Tahoma", "SimSun"}, "SimSun"},
      {"Debian", {"DejaVu Sans", "WenQuanYi Micro Hei"}, "WenQuanYi Micro Hei"},
      {"Wine with the host's fonts and Windows' own",
       {"WenQuanYi Micro Hei", "Microsoft YaHei", "SimSun"},
       windows ? "Microsoft YaHei" : "WenQuanYi Micro Hei"},
      {"no Chinese font", {"Arial"}, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ChineseFontFamily([&](const QString& f) { return row.installed.contains(f); }),
              row.chosen);
  }
}

}  // namespace
}  // namespace brivo
