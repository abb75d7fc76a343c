// Trigger delivery: the receivers of a dispatcher and how fired triggers
// reach them.
#include "comm/port/dispatcher.h"

#include <algorithm>
#include <exception>
#include <string>
#include <thread>

#include "base/error_codes.h"
#include "comm/port/receiver_list.h"

namespace telvane {
namespace {

// Window receivers that do not answer in this time are skipped.
constexpr int kWindowSendTimeoutMs = 3000;

// The dispatcher whose trigger delivery the current thread is running.
thread_local const TApdBaseDispatcher* tDelivering = nullptr;

const char* MessageName(std::uint32_t msg) {
  switch (msg) {
    case kMsgTriggerAvail: return "Avail";
    case kMsgTriggerData: return "Data";
    case kMsgTriggerTimer: return "Timer";
    case kMsgTriggerStatus: return "Status";
    default: return "Message";
  }
}

}  // namespace

bool TApdBaseDispatcher::DeliveringHere() const { return tDelivering == this; }

bool TApdBaseDispatcher::InDelivery() const {
  return tDelivering == this || std::this_thread::get_id() == dispatchThreadId_.load();
}

void TApdBaseDispatcher::Deliver(const std::vector<FiredTrigger>& fired) {
  if (fired.empty()) return;
  auto receivers = Receivers()->Snapshot();
  for (const FiredTrigger& f : fired) {
    TriggerMessage m{f.msg, f.handle, handle_, f.data};
    if (f.msg == kMsgTriggerAvail) {
      m.param = InBuffUsed();
      if (m.param == 0) continue;  // already read by an earlier receiver
    } else {
      // A trigger removed earlier in this walk is not delivered.
      std::lock_guard guard(lock_);
      if (!triggers_->Exists(f.handle)) continue;
    }
    if (log_)
      log_->Add(MessageName(f.msg),
                f.msg == kMsgTriggerStatus ? EventLog::StatusTypeName(f.handle & 7) : "",
                static_cast<std::uint32_t>(m.param));
    bool shared = f.msg == kMsgTriggerAvail || f.msg == kMsgTriggerData;
    if (shared) {
      std::lock_guard guard(inLock_);
      sharedReading_ = true;
      delivered_ = 0;
      taken_ = 0;
    }
    for (const auto& r : receivers) {
      if (r->removed) continue;
      if (shared) {
        std::lock_guard guard(inLock_);
        peek_ = taken_;
      }
      auto call = [this, &r, &m, shared] {
        // Looked at again where the receiver runs: a window receiver
        // deregistered on the main thread while its call waited in the queue
        // must not run, its owner may be gone.
        if (r->removed) return;
        const TApdBaseDispatcher* outer = tDelivering;
        tDelivering = this;
        try {
          r->fn(m);
        } catch (const std::exception& e) {
          if (log_) log_->Add("Error", std::string("Receiver: ") + e.what(), m.msg);
        } catch (...) {
          if (log_) log_->Add("Error", "Receiver", m.msg);
        }
        tDelivering = outer;
        if (shared) {
          // Counted before the receiver's thread goes on, so that a read it
          // makes next, outside the delivery, starts after this input.
          std::lock_guard guard(inLock_);
          delivered_ = std::max(delivered_, peek_);
        }
      };
      switch (r->kind) {
        case Receiver::kMethod:
          if (r->main)
            r->main->Send(call, -1, &sendCancel_);
          else
            call();
          break;
        case Receiver::kProc:
          call();
          break;
        case Receiver::kWindow:
          if (!r->main->Send(call, kWindowSendTimeoutMs, &sendCancel_) && !stop_ && log_)
            log_->Add("Timeout", "Window", m.msg);
          break;
      }
    }
    if (shared) {
      {
        std::lock_guard guard(inLock_);
        sharedReading_ = false;
        inRing_.Discard(std::max(delivered_, taken_));
        peek_ = delivered_ = taken_ = 0;
      }
      UpdateThrottle();
    }
  }
}

std::shared_ptr<ReceiverList> TApdBaseDispatcher::Receivers() const {
  std::lock_guard guard(lock_);
  return receivers_;
}

int TApdBaseDispatcher::RegisterMethodTriggerHandler(TriggerReceiver fn, IMainThreadDispatcher* sync) {
  return Receivers()->Add(Receiver::kMethod, std::move(fn), sync);
}

int TApdBaseDispatcher::RegisterProcTriggerHandler(TriggerReceiver fn) {
  return Receivers()->Add(Receiver::kProc, std::move(fn), nullptr);
}

int TApdBaseDispatcher::RegisterWndTriggerHandler(IMainThreadDispatcher& main, TriggerReceiver fn) {
  return Receivers()->Add(Receiver::kWindow, std::move(fn), &main);
}

int TApdBaseDispatcher::DeregisterTriggerHandler(int id) {
  return Receivers()->Remove(id) ? ecOK : ecBadArgument;
}

}  // namespace telvane
