// Notifications to the owning component on the main thread.
#include "comm/fax/fax_owner.h"

namespace telvane {

bool FaxMessenger::Send(const std::function<void()>& fn) {
  if (!main_) {
    fn();
    return true;
  }
  return main_->Send(fn, kSendTimeoutMs, &cancel_);
}

bool FaxMessenger::Next(std::string& phone, std::string& faxFile, std::string& coverFile) {
  // The owner writes into copies: a reply that comes too late must not touch
  // strings the engine has moved on from.
  auto reply = std::make_shared<std::array<std::string, 3>>();
  (*reply)[0] = phone;
  (*reply)[1] = faxFile;
  (*reply)[2] = coverFile;
  IFaxOwner& owner = owner_;
  if (!Send([reply, &owner] { owner.FaxNext((*reply)[0], (*reply)[1], (*reply)[2]); })) return false;
  phone = (*reply)[0];
  faxFile = (*reply)[1];
  coverFile = (*reply)[2];
  return true;
}

bool FaxMessenger::Status(FaxStatusKind kind, int progress) {
  IFaxOwner& owner = owner_;
  return Send([&owner, kind, progress] { owner.FaxStatus(kind, progress); });
}

bool FaxMessenger::Log(int logCode) {
  IFaxOwner& owner = owner_;
  return Send([&owner, logCode] { owner.FaxLog(logCode); });
}

bool FaxMessenger::Name(std::string& fileName) {
  auto reply = std::make_shared<std::string>(fileName);
  IFaxOwner& owner = owner_;
  if (!Send([reply, &owner] { owner.FaxName(*reply); })) return false;
  fileName = *reply;
  return true;
}

bool FaxMessenger::Accept(const std::string& remoteId, bool& accept) {
  auto reply = std::make_shared<bool>(accept);
  IFaxOwner& owner = owner_;
  if (!Send([reply, &owner, remoteId] { owner.FaxAccept(remoteId, *reply); })) return false;
  accept = *reply;
  return true;
}

bool FaxMessenger::Error(int code) {
  IFaxOwner& owner = owner_;
  return Send([&owner, code] { owner.FaxError(code); });
}

void FaxMessenger::Finish(int code) {
  IFaxOwner& owner = owner_;
  if (main_)
    main_->Post([&owner, code, alive = alive_] {
      if (*alive) owner.FaxFinish(code);
    });
  else
    owner.FaxFinish(code);
}

}  // namespace telvane
