#include "app/platform/quiet_qt_messages.h"

#include <QString>
#include <QtGlobal>

namespace telvane {
namespace {

QtMessageHandler g_previous = nullptr;

void DropRuntimeFolderWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: ")) &&
      message.contains(QLatin1String("XDG_RUNTIME_DIR")))
    return;
  if (g_previous) g_previous(type, context, message);
}

}  // namespace

void QuietQtRuntimeWarnings() {
  static const bool installed = [] {
    g_previous = qInstallMessageHandler(DropRuntimeFolderWarnings);
    return true;
  }();
  (void)installed;
}

}  // namespace telvane
