// Shared set-up of the surface tests: a shown surface with recorded message
// boxes, and mouse gestures on fields and handles in page coordinates.
#pragma once

#include <QScrollArea>
#include <QTest>
#include <QUndoStack>
#include <memory>

#include "designer/ui/design_page.h"
#include "designer/ui/design_surface.h"
#include "tests/support/qt/recording_notice.h"

namespace telvane::test {

class SurfaceFixture {
 public:
  // A surface with a page of `width` x `height` pixels on a Letter sheet.
  void Make(int width = 600, int height = 776) {
    surface = std::make_unique<TDesignSurface>();
    notice = RecordingNotice{};
    surface->SetNotice(notice);
    surface->resize(width + 80, height + 80);
    Page().SetBounds(width, height);
    surface->show();
    QVERIFY(QTest::qWaitForWindowExposed(surface.get()));
  }

  TFaxPanel& Page() { return surface->Designer().Page(); }
  TDesignPage* PageWidget() { return surface->Page(); }
  TFieldWidget* Widget(const TBaseField* field) { return surface->Page()->WidgetOf(field); }
  TStretchHandle* Handle(const TBaseField* field, DragMode kind) {
    for (TStretchHandle* h : Widget(field)->Handles())
      if (h->Kind() == kind) return h;
    return nullptr;
  }

  // An image field with the given bounds, added through the surface.
  TImageField* ImageAt(const QRect& bounds) {
    Page().SetInsertionPoint(bounds.topLeft());
    TImageField* f = surface->AddImageField();
    Page().SetFieldBounds(*f, bounds);
    surface->UndoStack()->clear();
    return f;
  }

  // A left click on a field, as the user selects it.
  void Click(const TBaseField* field, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(Widget(field), Qt::LeftButton, modifiers, QPoint(2, 2));
  }

  // Presses the left button on `widget` at its point `local`, moves the
  // pointer through `path` (page coordinates) and releases it there.
  void Drag(QWidget* widget, QPoint local, std::initializer_list<QPoint> path) {
    QTest::mousePress(widget, Qt::LeftButton, {}, local);
    QPoint last = local;
    for (QPoint p : path) {
      last = widget->mapFrom(PageWidget(), p);
      QTest::mouseMove(widget, last);
    }
    QTest::mouseRelease(widget, Qt::LeftButton, {}, last);
  }

  RecordingNotice notice;
  std::unique_ptr<TDesignSurface> surface;
};

}  // namespace telvane::test
