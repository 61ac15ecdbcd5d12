#pragma once

// The main window under test: its own folder, settings file, clock and scripted prompts.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <filesystem>

#include "app/flex_grid.h"
#include "app/frm_main.h"
#include "platform/base/native_file.h"
#include "store/history_db.h"
#include "store/history_ops.h"
#include "testing/history_builder.h"
#include "testing/recording_launcher.h"
#include "testing/scripted_prompts.h"
#include "testing/temp_dir.h"

// Readable failure messages for Qt texts.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

namespace brivo {

class FrmMainTest : public ::testing::Test {
 protected:
  std::string HistoryPath() const {
    return store::ProgramFile(program_folder_, store::kHistoryFileName);
  }
  void History(const std::vector<testing::TestDraw>& draws) {
    ASSERT_TRUE(testing::BuildHistory(HistoryPath(), draws).ok());
  }
  FrmMain& Open() {
    FrmMain& window = Build();
    window.show();  // clicks reach only widgets that are shown
    return window;
  }
  // The window built but not yet shown.
  FrmMain& Build() {
    window_.reset();
    AppContext context;
    context.program_folder = program_folder_;
    context.settings = settings_.get();
    context.clock = &clock_;
    context.prompts = &prompts_;
    context.launcher = &launcher_;
    context.fetcher = fetcher_;
    window_ = std::make_unique<FrmMain>(context);
    return *window_;
  }
  template <typename W>
  W* Find(const char* name) {
    W* widget = window_->findChild<W*>(QString::fromUtf8(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  QString TextOf(const char* name) { return Find<QLineEdit>(name)->text(); }
  bool Checked(const char* name) { return Find<QRadioButton>(name)->isChecked(); }
  // Clicks the button's indicator: its middle may lie beyond its caption.
  void Click(const char* name) {
    QRadioButton* button = Find<QRadioButton>(name);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
  }
  // Runs the text import of the file, the question answered with OK.
  void ImportFile(const std::string& file) {
    prompts_.answers = {std::string("ok"), file};
    window_->cmdRdLst_Click();
  }
  std::string Stored(const char* key) { return settings_->Get(key).value_or("<missing>"); }
  std::array<std::int16_t, 8> Pattern() { return window_->state().pattern; }
  // The own value of a kind letter at a position of the k-th newest draw of `draws`.
  static int Number(const std::vector<testing::TestDraw>& draws, std::size_t newest_k,
                    int position) {
    return draws[draws.size() - newest_k].numbers[static_cast<std::size_t>(position - 1)];
  }

  testing::TempDir dir_;
  std::string program_folder_ = Utf8Path(dir_.path());  // UTF-8, as the program names it
  std::unique_ptr<SettingsStore> settings_ = [this] {
    auto store = MakeSettingsStore(dir_.File("settings.ini"));
    // No test reaches a public host: the update's sources are a closed port on loopback
    // unless a test names others.
    store->Set("txtUpdateSources", "page=http://127.0.0.1:1");
    return store;
  }();
  FixedClock clock_{2026};
  testing::ScriptedPrompts prompts_;
  testing::RecordingLauncher launcher_;
  PageFetcher* fetcher_ = nullptr;  // null: the window's own
  std::unique_ptr<FrmMain> window_;
};

}  // namespace brivo
