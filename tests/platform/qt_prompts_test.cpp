// The Qt prompts answered through real dialogs on the offscreen platform, the wait cursor and the
// program folder of a running application. Has its own main: the dialogs need a QApplication.

#include "platform/qt/qt_prompts.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCursor>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "platform/base/native_file.h"
#include "platform/base/program_folder.h"
#include "platform/qt/qt_translation.h"
#include "platform/qt/wait_cursor.h"
#include "testing/temp_dir.h"

namespace brivo {
namespace {

using testing::TempDir;
using testing::WriteFileBytes;

// Runs `answer` on the modal dialog of type T once it is showing. The timer fires only inside the
// dialog's own event loop, so the first try normally finds it; the retries cover a platform that
// shows the window a little later.
template <typename T>
void WhenModal(std::function<void(T*)> answer, int tries_left = 200) {
  QTimer::singleShot(tries_left == 200 ? 0 : 10, [answer, tries_left] {
    if (T* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
      answer(dialog);
    } else if (tries_left > 0) {
      WhenModal<T>(answer, tries_left - 1);
    } else {
      ADD_FAILURE() << "no " << T::staticMetaObject.className() << " appeared";
      // Another dialog in its place would otherwise wait for an answer forever.
      if (auto* other = qobject_cast<QDialog*>(QApplication::activeModalWidget())) other->reject();
    }
  });
}

QString Q(const char* utf8) { return QString::fromUtf8(utf8); }

class QtPromptsTest : public ::testing::Test {
 protected:
  QtPrompts prompts_{nullptr};
};

TEST_F(QtPromptsTest, ConfirmShowsAQuestionWithOkAndCancel) {
  bool checked = false;
  WhenModal<QMessageBox>([&checked](QMessageBox* box) {
    EXPECT_EQ(box->text(), Q("删除 2024001 期？"));
    EXPECT_EQ(box->windowTitle(), Q("双色球"));
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::Ok));
    checked = true;
    box->button(QMessageBox::Ok)->click();
  });
  EXPECT_TRUE(prompts_.Confirm("删除 2024001 期？", "双色球"));
  EXPECT_TRUE(checked);
}

TEST_F(QtPromptsTest, ConfirmIsFalseForCancel) {
  WhenModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Cancel)->click(); });
  EXPECT_FALSE(prompts_.Confirm("Go on?", "Title"));
}

TEST_F(QtPromptsTest, ConfirmReturnKeyMeansOkAndEscapeMeansCancel) {
  WhenModal<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); });
  EXPECT_TRUE(prompts_.Confirm("Go on?", "Title"));
  WhenModal<QMessageBox>([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
  EXPECT_FALSE(prompts_.Confirm("Go on?", "Title"));
}

TEST_F(QtPromptsTest, ConfirmShowsMarkupAsPlainText) {
  WhenModal<QMessageBox>([](QMessageBox* box) {
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    box->button(QMessageBox::Ok)->click();
  });
  EXPECT_TRUE(prompts_.Confirm("<b>01</b> < 02", "Title"));
}

TEST_F(QtPromptsTest, StandardButtonsReadChineseOnceQtsTranslationIsLoaded) {
  ASSERT_TRUE(InstallQtChineseTranslation(*QCoreApplication::instance()));
  WhenModal<QMessageBox>([](QMessageBox* box) {
    EXPECT_EQ(box->button(QMessageBox::Ok)->text(), Q("确定"));
    EXPECT_EQ(box->button(QMessageBox::Cancel)->text(), Q("取消"));
    box->button(QMessageBox::Cancel)->click();
  });
  EXPECT_FALSE(prompts_.Confirm("删除？", "删除期数"));
  WhenModal<QInputDialog>([](QInputDialog* dialog) {
    if (auto* buttons = dialog->findChild<QDialogButtonBox*>()) {
      EXPECT_EQ(buttons->button(QDialogButtonBox::Ok)->text(), Q("确定"));
      EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), Q("取消"));
    } else {
      ADD_FAILURE() << "the input box has no buttons";
    }
    dialog->reject();
  });
  EXPECT_EQ(prompts_.Input("期号", "删除期数", "1"), std::nullopt);
}

TEST_F(QtPromptsTest, WarnShowsAWarningWithOneOkButton) {
  bool checked = false;
  WhenModal<QMessageBox>([&checked](QMessageBox* box) {
    EXPECT_EQ(box->text(), Q("无法打开文件"));
    EXPECT_EQ(box->windowTitle(), Q("错误"));
    EXPECT_EQ(box->icon(), QMessageBox::Warning);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    checked = true;
    box->button(QMessageBox::Ok)->click();
  });
  prompts_.Warn("无法打开文件", "错误");
  EXPECT_TRUE(checked);
}

TEST_F(QtPromptsTest, InputGivesTheTypedText) {
  bool checked = false;
  WhenModal<QInputDialog>([&checked](QInputDialog* dialog) {
    EXPECT_EQ(dialog->windowTitle(), Q("期号"));
    EXPECT_EQ(dialog->labelText(), Q("输入期号："));
    QLineEdit* edit = dialog->findChild<QLineEdit*>();
    QDialogButtonBox* buttons = dialog->findChild<QDialogButtonBox*>();
    if (edit == nullptr || buttons == nullptr) {
      ADD_FAILURE() << "the input box has no line edit or buttons";
      dialog->reject();
      return;
    }
    EXPECT_EQ(edit->text(), Q("2024001"));
    edit->selectAll();
    QTest::keyClicks(edit, Q("2025"));
    // Chinese arrives through the input method, not as key presses.
    QInputMethodEvent commit;
    commit.setCommitString(Q("红球"));
    QApplication::sendEvent(edit, &commit);
    checked = true;
    buttons->button(QDialogButtonBox::Ok)->click();
  });
  EXPECT_EQ(prompts_.Input("输入期号：", "期号", "2024001"),
            std::optional<std::string>("2025红球"));
  EXPECT_TRUE(checked);
}

TEST_F(QtPromptsTest, InputAcceptedUnchangedGivesTheDefault) {
  WhenModal<QInputDialog>([](QInputDialog* dialog) { QTest::keyClick(dialog, Qt::Key_Return); });
  EXPECT_EQ(prompts_.Input("Prompt", "Title", "abc"), std::optional<std::string>("abc"));
}

TEST_F(QtPromptsTest, InputIsNulloptForCancel) {
  WhenModal<QInputDialog>([](QInputDialog* dialog) {
    if (QLineEdit* edit = dialog->findChild<QLineEdit*>()) QTest::keyClicks(edit, Q("typed"));
    dialog->reject();
  });
  EXPECT_EQ(prompts_.Input("Prompt", "Title", "abc"), std::nullopt);
}

TEST_F(QtPromptsTest, OpenFileGivesTheChosenFile) {
  TempDir dir;
  const std::string file = dir.File("历史.db");
  WriteFileBytes(file, "x");
  bool checked = false;
  WhenModal<QFileDialog>([&checked, &file, &dir](QFileDialog* dialog) {
    EXPECT_EQ(dialog->windowTitle(), Q("打开历史文件"));
    EXPECT_EQ(QDir(dialog->directory()).canonicalPath(),
              QDir(QString::fromStdString(dir.path().string())).canonicalPath());
    EXPECT_EQ(dialog->nameFilters(), QStringList{Q("History (*.db)")});
    dialog->selectFile(QString::fromStdString(file));
    QDialogButtonBox* buttons = dialog->findChild<QDialogButtonBox*>();
    if (buttons == nullptr || buttons->button(QDialogButtonBox::Open) == nullptr) {
      ADD_FAILURE() << "the file dialog has no Open button";
      dialog->reject();
      return;
    }
    checked = true;
    buttons->button(QDialogButtonBox::Open)->click();
  });
  const std::optional<std::string> chosen =
      prompts_.OpenFile("打开历史文件", dir.path().string(), "History (*.db)");
  ASSERT_TRUE(chosen.has_value());
  EXPECT_TRUE(std::filesystem::equivalent(NativePath(*chosen), NativePath(file))) << *chosen;
  EXPECT_TRUE(checked);
}

TEST_F(QtPromptsTest, OpenFileIsNulloptForCancel) {
  TempDir dir;
  WhenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
  EXPECT_EQ(prompts_.OpenFile("Open", dir.path().string(), "All (*)"), std::nullopt);
}

TEST_F(QtPromptsTest, SaveFileProposesTheNameAndGivesThePathOrNulloptForCancel) {
  TempDir dir;
  const std::string file = dir.File("图表.png");
  WhenModal<QFileDialog>([&dir](QFileDialog* dialog) {
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(QDir(dialog->directory()).canonicalPath(),
              QDir(QString::fromStdString(dir.path().string())).canonicalPath());
    EXPECT_EQ(dialog->selectedFiles().value(0).section('/', -1), Q("图表.png"));
    QDialogButtonBox* buttons = dialog->findChild<QDialogButtonBox*>();
    if (buttons == nullptr || buttons->button(QDialogButtonBox::Save) == nullptr) {
      ADD_FAILURE() << "the file dialog has no Save button";
      dialog->reject();
      return;
    }
    buttons->button(QDialogButtonBox::Save)->click();
  });
  const std::optional<std::string> chosen = prompts_.SaveFile("保存", file, "PNG (*.png)");
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(std::filesystem::path(*chosen).filename(), std::filesystem::path(file).filename());
  WhenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
  EXPECT_EQ(prompts_.SaveFile("保存", file, "PNG (*.png)"), std::nullopt);
}

TEST(WaitCursorTest, ShowsTheWaitCursorWhileAlive) {
  ASSERT_EQ(QApplication::overrideCursor(), nullptr);
  {
    WaitCursor wait;
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  }
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(WaitCursorTest, NestedGuardsGiveThePointerBackOnlyAtTheEnd) {
  {
    WaitCursor outer;
    {
      WaitCursor inner;
      EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  }
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(DefaultProgramFolderTest, IsTheExecutableFolderWhenWritable) {
  const std::string app_folder = QCoreApplication::applicationDirPath().toStdString();
  if (!IsWritableFolder(app_folder)) {
    GTEST_SKIP() << "the test executable's folder " << app_folder << " is not writable";
  }
  EXPECT_EQ(DefaultProgramFolder(), app_folder);
}

}  // namespace
}  // namespace brivo

int main(int argc, char** argv) {
  // Test discovery runs this executable outside CTest's environment, with no display.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef _WIN32
  // Windows' own file dialog cannot be driven from a test; Qt's is the one on every other system.
  QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
#endif
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  return RUN_ALL_TESTS();
}
