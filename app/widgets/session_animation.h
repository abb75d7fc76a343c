// A small animation that runs while a fax session is in progress: a sheet of
// paper sliding through a fax machine's slot. It costs nothing while stopped.
#pragma once

#include <QTimer>
#include <QWidget>

namespace telvane {

class SessionAnimation : public QWidget {
 public:
  explicit SessionAnimation(QWidget* parent = nullptr);

  void Start();
  void Stop();
  bool Running() const { return timer_.isActive(); }
  int Frame() const { return frame_; }
  QSize sizeHint() const override { return {48, 32}; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  static constexpr int kFrames = 12;
  QTimer timer_;
  int frame_ = 0;
};

}  // namespace telvane
