#include "platform/qt/wait_cursor.h"

#include <QApplication>
#include <QCursor>

namespace brivo {
namespace {

// Cursors belong to a GUI application; code run without one (tools, core tests) just waits.
bool HasGuiApplication() {
  return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

}  // namespace

WaitCursor::WaitCursor() {
  if (HasGuiApplication()) QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

WaitCursor::~WaitCursor() {
  if (HasGuiApplication()) QApplication::restoreOverrideCursor();
}

}  // namespace brivo
