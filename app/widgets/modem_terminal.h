// ModemTerminal: the terminal on the monitor page that shows what the modem
// sends, drawn from a TtyScreen in a fixed-pitch font. Text is selected by
// dragging the mouse and copied to the clipboard; a caret marks where the next
// character goes. Bytes are fed from the port's background thread.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <mutex>

#include "app/widgets/tty_screen.h"

namespace telvane {

class ModemTerminal : public QWidget {
 public:
  explicit ModemTerminal(QWidget* parent = nullptr);
  ~ModemTerminal() override;

  // Queues received bytes for the screen. Safe from any thread while the
  // widget lives; the screen changes on the widget's own thread, in order.
  // Bytes fed while the terminal is not active are dropped.
  void Feed(const QByteArray& bytes);

  // Inactive at first; the main window activates the terminal when a
  // session begins.
  bool Active() const { return active_.load(); }
  void SetActive(bool active) { active_.store(active); }

  // Puts the selected text (rows joined by CR LF) on the clipboard. Nothing
  // happens without a selection.
  void CopyToClipboard();
  // Blanks the screen and drops the selection and any bytes not yet shown.
  void Clear();

  // The selected text as CopyToClipboard gives it.
  QString SelectedText() const;
  const TtyScreen& Screen() const { return screen_; }

  // One character cell in pixels.
  QSize CellSize() const { return cellSize_; }
  // The cell under a point of the widget, clamped to the screen.
  ScreenCell CellAt(const QPoint& point) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  // Writes what Feed queued onto the screen (the widget's thread).
  void ShowPending();

  TtyScreen screen_;
  QSize cellSize_;
  int ascent_ = 0;
  std::atomic<bool> active_{false};

  std::mutex pendingLock_;
  QByteArray pending_;  // guarded by pendingLock_

  ScreenCell dragAnchor_;
  QTimer caretTimer_;
  bool caretOn_ = true;
};

}  // namespace telvane
