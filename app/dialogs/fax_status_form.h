// TApdFaxStatus: the "Fax Status" window that both fax components keep up to
// date during a call. It appears with a session's first status, shows what
// the user needs to follow the call and disappears with its last status; its
// Cancel button cancels the call.
#pragma once

#include <QDialog>
#include <QString>
#include <chrono>
#include <functional>

#include "comm/components/fax_status_display.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace telvane {

class TApdAbstractFax;

// Counts the seconds of the connection: it starts when the session gets the
// connection parameters or the remote ID (4840, 4841) and stops when the
// session finishes, is cancelled or gets a hang-up code (4843, 4842, 4828).
// A later connection (a second call of a receive session) starts it anew.
class CallTimer {
 public:
  using Clock = std::chrono::steady_clock;

  void Reset() { *this = CallTimer(); }
  void Progress(int code, Clock::time_point now);
  bool Running() const { return running_; }
  // Whole seconds counted so far (0 before the connection).
  int Seconds(Clock::time_point now) const;

 private:
  bool running_ = false;
  Clock::time_point start_{};
  Clock::time_point stop_{};
};

// Minutes, ":" and two-digit seconds; minutes are not limited ("1:15",
// "125:00").
QString FormatElapsed(int seconds);

// The texts of the window for one status of a fax component.
struct FaxStatusTexts {
  QString numberCaption;  // "电话号码" (send) or "本机标识" (receive)
  QString number;         // the number dialled, or the own station ID
  QString remoteId;
  QString status;         // the progress text, or the error text after an error
  QString speed;          // bits per second
  QString resolution;
  QString width;          // "1728" or "2048"
  QString pages;          // "current / total"
  QString bytes;          // bytes of the current page
  QString dialAttempt;    // empty for a receive
};
FaxStatusTexts ReadFaxStatus(const TApdAbstractFax& fax);

class TApdFaxStatus : public QDialog, public TApdAbstractFaxStatus {
  Q_OBJECT
 public:
  explicit TApdFaxStatus(QWidget* parent = nullptr);
  ~TApdFaxStatus() override;

  // `first` shows the window, `last` hides it again and lets go of the fax.
  // A window the user closes stays closed until the next session.
  void UpdateDisplay(TApdAbstractFax& fax, bool first, bool last) override;

  // The fax the window shows (between a first and a last status), or nullptr.
  TApdAbstractFax* Fax() const { return fax_; }

  // The clock of the elapsed time.
  std::function<CallTimer::Clock::time_point()> Now = [] { return CallTimer::Clock::now(); };
  // What the Cancel button does to the fax shown; CancelFax() by default.
  std::function<void(TApdAbstractFax&)> cancelFax;

  QLabel* NumberCaption;
  QLabel* NumberValue;
  QLabel* RemoteIdValue;
  QLabel* StatusValue;
  QLabel* SpeedValue;
  QLabel* ResolutionValue;
  QLabel* WidthValue;
  QLabel* PagesValue;
  QLabel* BytesValue;
  QLabel* DialAttemptValue;
  QLabel* ElapsedValue;
  QProgressBar* PageProgress;
  QPushButton* CancelButton;

 protected:
  // Centres the window on the screen.
  void showEvent(QShowEvent* event) override;

 private:
  void ShowPageProgress(const TApdAbstractFax& fax);

  TApdAbstractFax* fax_ = nullptr;
  CallTimer timer_;
};

}  // namespace telvane
