// The status-light controller: triggers for the lamps, the three handlers it
// puts in front of the port's own, and the port's open and close notices.
#include "comm/status/sl_controller.h"

#include "base/error_codes.h"
#include "base/exceptions.h"

namespace telvane {
namespace {

using Slot = TLightSet::Slot;

void CheckTimeout(int ticks) {
  if (ticks < 0) throw EBadArgument();
}

}  // namespace

TApdSLController::TApdSLController() : lights_([this](IStatusLamp* previous) { LightsChanged(previous); }) {}

TApdSLController::~TApdSLController() {
  // Never raises: stopping only gives handlers back and drops triggers.
  SetComPort(nullptr);
}

void TApdSLController::Show(IStatusLamp* lamp, bool lit) {
  // A lamp is only touched when its state changes, so that it is not
  // repainted for nothing.
  if (lamp && lamp->Lit() != lit) lamp->SetLit(lit);
}

// --- Properties ---

void TApdSLController::SetErrorOffTimeout(int ticks) {
  CheckTimeout(ticks);
  errorOffTimeout_ = ticks;
}

void TApdSLController::SetBreakOffTimeout(int ticks) {
  CheckTimeout(ticks);
  breakOffTimeout_ = ticks;
}

void TApdSLController::SetRXDOffTimeout(int ticks) {
  CheckTimeout(ticks);
  rxdOffTimeout_ = ticks;
}

void TApdSLController::SetTXDOffTimeout(int ticks) {
  CheckTimeout(ticks);
  txdOffTimeout_ = ticks;
}

void TApdSLController::SetRingOffTimeout(int ticks) {
  CheckTimeout(ticks);
  ringOffTimeout_ = ticks;
}

void TApdSLController::SetComPort(TApdComPort* port) {
  if (port == port_) return;
  bool wish = monitoring_ || pending_;
  if (port_) {
    port_->DeregisterUserCallback(portCallback_);
    portCallback_ = 0;
    StopWatching();
  }
  pending_ = false;
  port_ = port;
  if (!port_) {
    RefreshLamps();
    return;
  }
  portCallback_ =
      port_->RegisterUserCallback([this](TApdComPort&, bool opened) { PortNotice(opened); });
  if (wish) SetMonitoring(true);
}

void TApdSLController::PortInserted(TApdComPort& port) {
  if (!port_) SetComPort(&port);
}

void TApdSLController::PortRemoved(TApdComPort& port) {
  if (&port == port_) SetComPort(nullptr);
}

// --- Monitoring ---

void TApdSLController::SetMonitoring(bool on) {
  // The wish kept for a closed port counts as the current value, so that
  // turning monitoring off before the port opens cancels the wish.
  if (on == (monitoring_ || pending_)) return;
  if (!port_) throw EPortNotAssigned();
  if (!on) pending_ = false;
  if (!port_->Open()) {
    pending_ = on;
    if (on || !monitoring_) return;
  }
  if (on)
    StartWatching();
  else
    StopWatching();
}

void TApdSLController::PortNotice(bool opened) {
  if (opened) {
    if (!pending_) return;
    pending_ = false;
    if (!monitoring_) StartWatching();
  } else {
    // Called just before the port closes: its triggers go with it, and
    // watching starts again when it is next opened.
    pending_ = monitoring_;
    if (monitoring_) StopWatching();
  }
}

void TApdSLController::StartWatching() {
  TApdComPort& port = *port_;
  savedAvail_ = port.OnTriggerAvail;
  savedStatus_ = port.OnTriggerStatus;
  savedTimer_ = port.OnTriggerTimer;
  port.OnTriggerAvail = [this](TApdComPort& sender, int count) { TriggerAvail(sender, count); };
  port.OnTriggerStatus = [this](TApdComPort& sender, int handle) { TriggerStatus(sender, handle); };
  port.OnTriggerTimer = [this](TApdComPort& sender, int handle) { TriggerTimer(sender, handle); };
  monitoring_ = true;
  try {
    CreateTriggers();
    RefreshLamps();
  } catch (...) {
    StopWatching();
    throw;
  }
}

void TApdSLController::StopWatching() {
  if (monitoring_) {
    monitoring_ = false;
    port_->OnTriggerAvail = std::move(savedAvail_);
    port_->OnTriggerStatus = std::move(savedStatus_);
    port_->OnTriggerTimer = std::move(savedTimer_);
    savedAvail_ = nullptr;
    savedStatus_ = nullptr;
    savedTimer_ = nullptr;
    RemoveTriggers();
  }
  RefreshLamps();
}

void TApdSLController::CreateTriggers() {
  bool cts = Lamp(TLightSet::kCTS), dsr = Lamp(TLightSet::kDSR), dcd = Lamp(TLightSet::kDCD);
  bool ring = Lamp(TLightSet::kRing);
  TApdComPort& port = *port_;

  if (cts || dsr || dcd || ring) {
    modemTrigger_ = port.AddStatusTrigger(stModem);
    if (ring) ringOffTimer_ = port.AddTimerTrigger();
  }
  if (Lamp(TLightSet::kError)) {
    errorTrigger_ = port.AddStatusTrigger(stLine);
    errorOffTimer_ = port.AddTimerTrigger();
  }
  if (Lamp(TLightSet::kBreak)) {
    breakTrigger_ = port.AddStatusTrigger(stLine);
    breakOffTimer_ = port.AddTimerTrigger();
  }
  if (Lamp(TLightSet::kRXD)) rxdOffTimer_ = port.AddTimerTrigger();
  if (Lamp(TLightSet::kTXD)) {
    outSentTrigger_ = port.AddStatusTrigger(stOutSent);
    txdOffTimer_ = port.AddTimerTrigger();
  }

  modemMask_ = static_cast<std::uint8_t>((cts ? kSLMaskCTS : 0) | (dsr ? kSLMaskDSR : 0) |
                                         (dcd ? kSLMaskDCD : 0) | (ring ? kSLMaskRing : 0));

  if (modemTrigger_) port.SetStatusTrigger(modemTrigger_, modemMask_, true);
  if (errorTrigger_) port.SetStatusTrigger(errorTrigger_, kSLLineErrors, true);
  if (breakTrigger_) port.SetStatusTrigger(breakTrigger_, kSLLineBreak, true);
  if (outSentTrigger_) port.SetStatusTrigger(outSentTrigger_, kSLNewOutput, true);
}

void TApdSLController::RemoveTriggers() {
  TApdBaseDispatcher* d = port_ ? port_->Dispatcher() : nullptr;
  for (int* h : {&modemTrigger_, &errorTrigger_, &breakTrigger_, &outSentTrigger_, &errorOffTimer_,
                 &breakOffTimer_, &rxdOffTimer_, &txdOffTimer_, &ringOffTimer_}) {
    // On a closed port the triggers went with the dispatcher. A handle the
    // dispatcher no longer knows is already gone, which is all that is wanted
    // here; this also runs just before the port closes, where raising would
    // keep the port from closing.
    if (d && *h) d->RemoveTrigger(*h);
    *h = 0;
  }
  modemMask_ = 0;
}

void TApdSLController::RefreshLamps() {
  bool watching = port_ && monitoring_;
  for (std::size_t i = 0; i < TLightSet::kSlotCount; ++i) {
    auto slot = static_cast<Slot>(i);
    IStatusLamp* lamp = Lamp(slot);
    if (!lamp) continue;
    bool lit = false;
    if (watching) {
      if (slot == TLightSet::kCTS) lit = port_->CTS();
      if (slot == TLightSet::kDSR) lit = port_->DSR();
      if (slot == TLightSet::kDCD) lit = port_->DCD();
    }
    Show(lamp, lit);
  }
}

void TApdSLController::LightsChanged(IStatusLamp* previous) {
  if (!monitoring_) return;
  Show(previous, false);
  // New lamps need their triggers and old ones lose theirs.
  try {
    RemoveTriggers();
    CreateTriggers();
    RefreshLamps();
  } catch (...) {
    StopWatching();
    throw;
  }
}

// --- Handlers ---

void TApdSLController::TriggerAvail(TApdComPort& sender, int count) {
  IStatusLamp* rxd = Lamp(TLightSet::kRXD);
  if (rxd && rxdOffTimer_ && !rxd->Lit()) {
    rxd->SetLit(true);
    sender.SetTimerTrigger(rxdOffTimer_, rxdOffTimeout_, true);
  }
  // A copy: the previous handler may stop the monitoring, which puts it back.
  if (auto previous = savedAvail_) previous(sender, count);
}

void TApdSLController::TriggerStatus(TApdComPort& sender, int handle) {
  if (handle == modemTrigger_ && handle) {
    if (IStatusLamp* l = Lamp(TLightSet::kDCD)) Show(l, sender.DCD());
    if (IStatusLamp* l = Lamp(TLightSet::kCTS)) Show(l, sender.CTS());
    if (IStatusLamp* l = Lamp(TLightSet::kDSR)) Show(l, sender.DSR());
    IStatusLamp* ri = Lamp(TLightSet::kRing);
    if (ri && ringOffTimer_ && sender.Ring() && !ri->Lit()) {
      ri->SetLit(true);
      sender.SetTimerTrigger(ringOffTimer_, ringOffTimeout_, true);
    }
    sender.SetStatusTrigger(modemTrigger_, modemMask_, true);
  } else if (handle == errorTrigger_ && handle) {
    // The error trigger stays disarmed until the lamp goes out, so further
    // errors do not keep the lamp lit.
    Show(Lamp(TLightSet::kError), true);
    sender.SetTimerTrigger(errorOffTimer_, errorOffTimeout_, true);
    sender.LineError();
  } else if (handle == breakTrigger_ && handle) {
    Show(Lamp(TLightSet::kBreak), true);
    sender.SetTimerTrigger(breakOffTimer_, breakOffTimeout_, true);
    sender.LineBreak();
  } else if (handle == outSentTrigger_ && handle) {
    Show(Lamp(TLightSet::kTXD), true);
    sender.SetTimerTrigger(txdOffTimer_, txdOffTimeout_, true);
  }
  if (auto previous = savedStatus_) previous(sender, handle);
}

void TApdSLController::TriggerTimer(TApdComPort& sender, int handle) {
  if (handle == errorOffTimer_ && handle) {
    Show(Lamp(TLightSet::kError), false);
    sender.SetStatusTrigger(errorTrigger_, kSLLineErrors, true);
  } else if (handle == breakOffTimer_ && handle) {
    Show(Lamp(TLightSet::kBreak), false);
    sender.SetStatusTrigger(breakTrigger_, kSLLineBreak, true);
  } else if (handle == rxdOffTimer_ && handle) {
    // RXD stays lit while received data waits to be read.
    if (sender.InBuffUsed() > 0)
      sender.SetTimerTrigger(rxdOffTimer_, rxdOffTimeout_, true);
    else
      Show(Lamp(TLightSet::kRXD), false);
  } else if (handle == txdOffTimer_ && handle) {
    if (sender.OutBuffUsed() > 0) {
      sender.SetTimerTrigger(txdOffTimer_, txdOffTimeout_, true);
    } else {
      Show(Lamp(TLightSet::kTXD), false);
      sender.SetStatusTrigger(outSentTrigger_, kSLNewOutput, true);
    }
  } else if (handle == ringOffTimer_ && handle) {
    Show(Lamp(TLightSet::kRing), false);
  }
  if (auto previous = savedTimer_) previous(sender, handle);
}

}  // namespace telvane
