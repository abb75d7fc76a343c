// The T.31 emulation's host on a pseudo-terminal: bytes both ways, flow
// control, and call progress handed to the line.
#include "comm/simline/t31_pty_modem.h"

#include "comm/port/pty.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <poll.h>

#define SPANDSP_EXPOSE_INTERNAL_STRUCTURES
#include <spandsp.h>

namespace telvane {
namespace {
constexpr uint8_t kXon = 0x11;
constexpr size_t kMaxCommandLine = 256;
constexpr uint8_t kXoff = 0x13;
// Reading stops while the modem's transmit buffer is above its high tide
// (3072 of 4096 bytes); a read never adds more than fits above it.
constexpr size_t kReadChunk = 512;
// Modem output the DTE does not take is kept up to this much, then dropped,
// as a modem's buffer would overrun.
constexpr size_t kOutLimit = 1 << 20;
}  // namespace

T31PtyModem::T31PtyModem(std::string name, Host& host) : name_(std::move(name)), host_(host) {
  t31_ = t31_init(nullptr, &T31PtyModem::AtTx, this, &T31PtyModem::Control, this, nullptr, nullptr);
  // Zeros while idle, so that every block is full and the line keeps time.
  t31_set_transmit_on_idle(t31_, TRUE);
}

T31PtyModem::~T31PtyModem() {
  if (t31_) {
    // spandsp 0.0.6's t31_free() leaves the receive queue that t31_init()
    // made: a line started and stopped again and again would leak it each time.
    queue_state_t* rxQueue = t31_->rx_queue;
    t31_free(t31_);
    if (rxQueue) queue_free(rxQueue);
  }
  for (int* fd : {&master_, &slaveKeep_})
    if (*fd >= 0) ::close(*fd);
}

void T31PtyModem::SetLogLevel(int level) {
  if (level <= 0) return;
  for (logging_state_t* log : {t31_get_logging_state(t31_), &t31_->at_state.logging}) {
    span_log_set_level(log, level | SPAN_LOG_SHOW_PROTOCOL | SPAN_LOG_SHOW_TAG);
    span_log_set_tag(log, name_.c_str());
  }
}

int T31PtyModem::Open() {
  master_ = OpenPtyKeepingSlave(path_, slaveKeep_);
  return master_ < 0 ? master_ : 0;
}

short T31PtyModem::PollEvents() const {
  short events = holding_ ? 0 : POLLIN;
  if (!out_.empty() && !dteXoff_) events |= POLLOUT;
  return events;
}

void T31PtyModem::OnPoll(short revents) {
  if (revents & POLLOUT) Flush();
  if ((revents & POLLIN) && !holding_) {
    uint8_t buf[kReadChunk];
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n > 0) Feed(buf, static_cast<size_t>(n));
  }
}

bool T31PtyModem::InCommandMode() const {
  const int mode = t31_->at_state.at_rx_mode;
  return mode == AT_MODE_ONHOOK_COMMAND || mode == AT_MODE_OFFHOOK_COMMAND;
}

void T31PtyModem::Feed(const uint8_t* input, size_t count) {
  // A DTE that held the modem back releases it with XON whatever the state:
  // the reception may have ended (and the emulation gone back to commands)
  // while its last bytes waited here.
  std::string kept;
  if (dteXoff_) {
    for (size_t k = 0; k < count; ++k) {
      if (input[k] == kXon) dteXoff_ = false;
      else kept += static_cast<char>(input[k]);
    }
    input = reinterpret_cast<const uint8_t*>(kept.data());
    count = kept.size();
  }
  const uint8_t* data = input;
  const size_t n = count;
  size_t i = 0;
  while (i < n) {
    if (InCommandMode()) {
      // One command line at a time: the interpreter takes a whole buffer in
      // the mode it started in, and a command may change the mode.
      size_t end = i;
      while (end < n && data[end] != '\r') ++end;
      if (end < n) ++end;
      FeedCommandText(data + i, end - i);
      i = end;
    } else if (t31_->at_state.at_rx_mode == AT_MODE_DELIVERY) {
      // While the modem delivers data, XON and XOFF from the DTE are flow
      // control, as on a real modem; the emulation would take any character
      // as an abort of the reception.
      const uint8_t c = data[i++];
      if (c == kXoff) {
        dteXoff_ = true;
      } else if (c == kXon) {
        dteXoff_ = false;
      } else {
        t31_at_rx(t31_, reinterpret_cast<const char*>(&c), 1);
      }
    } else {
      // Page data or frames from the DTE (DLE-stuffed), a byte at a time:
      // DLE ETX ends them, and a command may follow in the same read.
      t31_at_rx(t31_, reinterpret_cast<const char*>(data + i), 1);
      ++i;
    }
  }
}

void T31PtyModem::FeedCommandText(const uint8_t* data, size_t n) {
  for (size_t k = 0; k < n; ++k) {
    const char c = static_cast<char>(data[k]);
    if (c == '\r') {
      // A command starts at the first "AT" of the line; what came before it
      // (the tail of data sent as the line dropped, say) is noise.
      size_t at = 0;
      while (at + 1 < line_.size() && !((line_[at] == 'A' || line_[at] == 'a') && (line_[at + 1] == 'T' || line_[at + 1] == 't')))
        ++at;
      if (at + 1 < line_.size()) host_.OnCommand(*this, line_.substr(at));
      line_.clear();
    } else if (c == '\b') {
      if (!line_.empty()) line_.pop_back();
    } else if (c >= 32 && c < 127) {
      // The newest characters count: noise cannot crowd out a command.
      line_ += c;
      if (line_.size() > kMaxCommandLine) line_.erase(0, line_.size() - kMaxCommandLine);
    }
  }
  t31_at_rx(t31_, reinterpret_cast<const char*>(data), static_cast<int>(n));
}

void T31PtyModem::Flush() {
  while (!out_.empty() && !dteXoff_) {
    const ssize_t n = ::write(master_, out_.data(), out_.size());
    if (n <= 0) return;
    out_.erase(0, static_cast<size_t>(n));
  }
}

void T31PtyModem::FlowToDte(bool stop) {
  // A pty has no CTS line. The modem holds the DTE back by not reading; a DTE
  // that asked for XON/XOFF on its port (IXON) is also told so, which its
  // terminal driver obeys at once.
  holding_ = stop;
  termios tio{};
  if (tcgetattr(slaveKeep_, &tio) == 0 && (tio.c_iflag & IXON)) {
    const uint8_t c = stop ? kXoff : kXon;
    [[maybe_unused]] ssize_t n = ::write(master_, &c, 1);
  }
}

int T31PtyModem::AtTx(at_state_s*, void* user, const uint8_t* buf, size_t len) {
  auto* self = static_cast<T31PtyModem*>(user);
  if (self->out_.size() + len <= kOutLimit) self->out_.append(reinterpret_cast<const char*>(buf), len);
  self->Flush();
  return static_cast<int>(len);
}

int T31PtyModem::Control(t31_state_s*, void* user, int op, const char* num) {
  auto* self = static_cast<T31PtyModem*>(user);
  switch (op) {
    case AT_MODEM_CONTROL_CALL:
      self->host_.OnDial(*self, num ? num : "");
      break;
    case AT_MODEM_CONTROL_ANSWER:
      self->host_.OnAnswer(*self);
      break;
    case AT_MODEM_CONTROL_HANGUP:
      self->host_.OnHangUp(*self);
      break;
    case AT_MODEM_CONTROL_CTS:
      // The emulation's transmit buffer passed its high tide (0) or drained
      // below its low tide (1).
      self->FlowToDte(num == nullptr);
      break;
    default:
      // Off/on hook, DTR, RTS, carrier, ring and DSR lines: a pty has none.
      break;
  }
  return 0;
}

void T31PtyModem::Tx(int16_t* amp, int n) {
  const int made = t31_tx(t31_, amp, n);
  for (int i = made; i < n; ++i) amp[i] = 0;
}

void T31PtyModem::Rx(const int16_t* amp, int n) {
  t31_rx(t31_, const_cast<int16_t*>(amp), n);
}

void T31PtyModem::Ring() { t31_call_event(t31_, AT_CALL_EVENT_ALERTING); }
void T31PtyModem::ResetRings() { t31_->at_state.rings_indicated = 0; }
void T31PtyModem::Connected() { t31_call_event(t31_, AT_CALL_EVENT_CONNECTED); }
void T31PtyModem::Answered() { t31_call_event(t31_, AT_CALL_EVENT_ANSWERED); }
void T31PtyModem::Busy() { t31_call_event(t31_, AT_CALL_EVENT_BUSY); }

void T31PtyModem::NoCarrier() {
  // The emulation's own no-answer event says NO ANSWER; a fax modem whose S7
  // runs out says NO CARRIER, which is what fax programs look for.
  at_put_response_code(&t31_->at_state, AT_RESPONSE_CODE_NO_CARRIER);
  t31_call_event(t31_, AT_CALL_EVENT_HANGUP);
  t31_->at_state.at_rx_mode = AT_MODE_ONHOOK_COMMAND;
}

void T31PtyModem::LineDropped() {
  t31_call_event(t31_, AT_CALL_EVENT_HANGUP);
  // The emulation forgets the transmission it was buffering; a modem that
  // held its DTE back for it reads commands again, as a real one does once
  // its line is gone.
  if (holding_) FlowToDte(false);
}

int T31PtyModem::CarrierWaitSeconds() const { return t31_->at_state.p.s_regs[7]; }

}  // namespace telvane
