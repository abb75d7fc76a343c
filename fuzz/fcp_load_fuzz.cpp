// Fuzz target: loading .fcp cover page designs. A file that is refused must
// leave the design in memory as it was; a file that loads must save and load
// again to the same bytes, and draw without fault.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdint>
#include <cstdlib>

#include "designer/cover_renderer.h"
#include "designer/fax_designer.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // Text fields measure their fonts, which needs the GUI application.
  static QGuiApplication* app = new QGuiApplication(*argc, *argv);
  (void)app;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace telvane;
  TFaxDesigner design;
  design.Page().AddTextField().SetText(QStringLiteral("kept"));
  const QByteArray before = design.SaveToStream();

  const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const FcpResult result = design.LoadFromStream(input);
  if (!result.Ok()) {
    if (result.Message().isEmpty() || design.SaveToStream() != before) std::abort();
    return 0;
  }
  const QByteArray saved = design.SaveToStream();
  TFaxDesigner again;
  if (!again.LoadFromStream(saved).Ok() || again.SaveToStream() != saved) std::abort();

  QImage canvas(96, 128, QImage::Format_RGB32);
  canvas.fill(Qt::white);
  QPainter painter(&canvas);
  DrawContext context;
  context.Scale = 96.0 / design.PageWidthPixels();
  design.Page().DrawToCanvas(painter, context);
  return 0;
}
