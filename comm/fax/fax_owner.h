// The notifications a fax engine gives the component that owns it, and the
// messenger that carries them to the main thread.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <string>

#include "comm/core/main_thread_dispatcher.h"

namespace telvane {

// Message numbers of the engine's requests and notifications.
inline constexpr unsigned kMsgFaxAbort = 0x7EA0;
inline constexpr unsigned kMsgFaxNext = 0x7EA1;
inline constexpr unsigned kMsgFaxStatus = 0x7EA2;
inline constexpr unsigned kMsgFaxLog = 0x7EA3;
inline constexpr unsigned kMsgFaxName = 0x7EA4;
inline constexpr unsigned kMsgFaxAccept = 0x7EA5;
inline constexpr unsigned kMsgFaxError = 0x7EA6;
inline constexpr unsigned kMsgFaxFinish = 0x7EA7;

// Which status notification of a session this is.
enum FaxStatusKind { fsMiddle = 0, fsFirst = 1, fsLast = 2 };

// Implemented by the owning component; every call runs on the main thread.
class IFaxOwner {
 public:
  virtual ~IFaxOwner() = default;
  // The next fax of a sender; empty phone number and fax file end the list.
  virtual void FaxNext(std::string& phone, std::string& faxFile, std::string& coverFile) = 0;
  // Progress and the rest of the session record are readable through the engine.
  virtual void FaxStatus(FaxStatusKind kind, int progress) = 0;
  virtual void FaxLog(int logCode) = 0;
  // The file a received fax is written to; empty refuses with -6010.
  virtual void FaxName(std::string& fileName) = 0;
  // Whether a call from `remoteId` is taken (true unless the owner says no).
  virtual void FaxAccept(const std::string& remoteId, bool& accept) = 0;
  virtual void FaxError(int code) = 0;
  // The session ended; posted, so it arrives after every other notification.
  virtual void FaxFinish(int code) = 0;
};

// Carries notifications to the owner: sent to the main thread with a
// 1000 ms time-out that gives up when the owner hangs; the finish
// notification is posted. Without a dispatcher the owner is called directly.
class FaxMessenger {
 public:
  static constexpr int kSendTimeoutMs = 1000;

  FaxMessenger(IFaxOwner& owner, IMainThreadDispatcher* main) : owner_(owner), main_(main) {}
  // A finish still queued for the main thread is dropped: its owner may be
  // gone with the engine (a window closed in mid-session).
  ~FaxMessenger() { *alive_ = false; }
  FaxMessenger(const FaxMessenger&) = delete;
  FaxMessenger& operator=(const FaxMessenger&) = delete;

  // False when the owner did not answer in time (the outputs then keep the
  // values they came in with).
  bool Next(std::string& phone, std::string& faxFile, std::string& coverFile);
  bool Status(FaxStatusKind kind, int progress);
  bool Log(int logCode);
  bool Name(std::string& fileName);
  bool Accept(const std::string& remoteId, bool& accept);
  bool Error(int code);
  void Finish(int code);
  // Lets a closing port stop a wait for the main thread.
  SendCancel& Cancel() { return cancel_; }

 private:
  bool Send(const std::function<void()>& fn);

  IFaxOwner& owner_;
  IMainThreadDispatcher* main_;
  SendCancel cancel_;
  // Whether the messenger (and with it the owner) still exists.
  std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
};

}  // namespace telvane
