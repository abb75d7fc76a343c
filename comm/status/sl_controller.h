// TApdSLController: watches a serial port through its triggers and switches
// the lamps of the serial line (CTS, DSR, DCD, RI, TXD, RXD, ERR, BRK).
//
// While monitoring, the controller's own avail, status and timer handlers sit
// in front of the port's handlers and pass every event on to them. The
// controller is used on the thread that raises the port's events (the main
// thread in the program).
#pragma once

#include <cstdint>

#include "comm/port/com_port.h"
#include "comm/status/light_set.h"
#include "comm/port/serial_device.h"

namespace telvane {

// What the status triggers watch, in the port's bit layout: the modem status
// register's CTS, DSR and DCD lines and its trailing-edge-of-ring bit, and the
// line errors.
inline constexpr std::uint8_t kSLMaskCTS = msrCTS;
inline constexpr std::uint8_t kSLMaskDSR = msrDSR;
inline constexpr std::uint8_t kSLMaskDCD = msrDCD;
inline constexpr std::uint8_t kSLMaskRing = msrTERI;
inline constexpr std::uint32_t kSLLineErrors = leOverrun | leParity | leFraming;
inline constexpr std::uint32_t kSLLineBreak = leBreak;
// The output-sent trigger waits for new output: armed on an idle line it
// would fire at once and keep TXD blinking with nothing sent.
inline constexpr std::uint32_t kSLNewOutput = 1;

class TApdSLController {
 public:
  TApdSLController();
  // Stops monitoring (giving the port its handlers back) and lets go of the port.
  ~TApdSLController();
  TApdSLController(const TApdSLController&) = delete;
  TApdSLController& operator=(const TApdSLController&) = delete;

  // The port watched. Changing it carries the wish to monitor over to the
  // new port; with no new port the wish is dropped.
  TApdComPort* ComPort() const { return port_; }
  void SetComPort(TApdComPort* port);

  // Lamps driven. Binding or unbinding a lamp while monitoring rebuilds the
  // triggers for the new set; a lamp let go of is put out.
  TLightSet& Lights() { return lights_; }
  const TLightSet& Lights() const { return lights_; }

  // Time-outs in ticks of 55 ms. Negative values raise EBadArgument.
  int ErrorOffTimeout() const { return errorOffTimeout_; }
  void SetErrorOffTimeout(int ticks);
  int BreakOffTimeout() const { return breakOffTimeout_; }
  void SetBreakOffTimeout(int ticks);
  int RXDOffTimeout() const { return rxdOffTimeout_; }
  void SetRXDOffTimeout(int ticks);
  int TXDOffTimeout() const { return txdOffTimeout_; }
  void SetTXDOffTimeout(int ticks);
  int RingOffTimeout() const { return ringOffTimeout_; }
  void SetRingOffTimeout(int ticks);

  // Starts or stops watching. Turning it on without a port raises
  // EPortNotAssigned; on a closed port the wish is kept and watching starts
  // when the port opens.
  bool Monitoring() const { return monitoring_; }
  void SetMonitoring(bool on);
  // Whether monitoring waits for the port to open.
  bool MonitoringPending() const { return pending_; }

  // The modem status bits the modem status trigger watches (0 when none).
  std::uint8_t ModemStatusMask() const { return modemMask_; }

  // Component notices from the owner: a port added while ComPort is empty
  // becomes ComPort; a port about to be destroyed stops the monitoring and
  // empties ComPort. The owner calls PortRemoved before it destroys the port.
  void PortInserted(TApdComPort& port);
  void PortRemoved(TApdComPort& port);

 private:
  void StartWatching();
  void StopWatching();
  void CreateTriggers();
  void RemoveTriggers();
  void RefreshLamps();
  void LightsChanged(IStatusLamp* previous);
  void PortNotice(bool opened);

  void TriggerAvail(TApdComPort& sender, int count);
  void TriggerStatus(TApdComPort& sender, int handle);
  void TriggerTimer(TApdComPort& sender, int handle);

  IStatusLamp* Lamp(TLightSet::Slot slot) const { return lights_.Light(slot); }
  static void Show(IStatusLamp* lamp, bool lit);

  TApdComPort* port_ = nullptr;
  int portCallback_ = 0;
  TLightSet lights_;

  int errorOffTimeout_ = 36;
  int breakOffTimeout_ = 36;
  int rxdOffTimeout_ = 1;
  int txdOffTimeout_ = 1;
  int ringOffTimeout_ = 8;

  bool monitoring_ = false;
  bool pending_ = false;

  // The port's handlers from before monitoring began.
  TTriggerAvailEvent savedAvail_;
  TTriggerStatusEvent savedStatus_;
  TTriggerTimerEvent savedTimer_;

  // Trigger handles; 0 where the lamp is not bound.
  int modemTrigger_ = 0;
  int errorTrigger_ = 0;
  int breakTrigger_ = 0;
  int outSentTrigger_ = 0;
  int errorOffTimer_ = 0;
  int breakOffTimer_ = 0;
  int rxdOffTimer_ = 0;
  int txdOffTimer_ = 0;
  int ringOffTimer_ = 0;
  std::uint8_t modemMask_ = 0;
};

}  // namespace telvane
