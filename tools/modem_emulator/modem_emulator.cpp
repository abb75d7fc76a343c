// The emulator's pseudo-terminal, worker loop, output and command state:
// echo, result codes, S-registers and the basic and "&" commands.
#include "tools/modem_emulator/modem_emulator.h"

#include "comm/port/pty.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace telvane::emu {
namespace {

constexpr uint8_t kDc1 = 0x11;  // XON
constexpr uint8_t kDc2 = 0x12;  // start of received page data
constexpr uint8_t kDc3 = 0x13;  // XOFF

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

ModemEmulator::ModemEmulator(EmulatorOptions options) : options_(std::move(options)), far_(options_.farEnd) {
  std::lock_guard lock(mutex_);
  Reset();
}

ModemEmulator::~ModemEmulator() { Stop(); }

int ModemEmulator::Start() {
  // The emulator keeps the slave open itself, so that the master reports no
  // hang-up between two sessions of the DTE.
  master_ = OpenPtyKeepingSlave(slavePath_, slaveKeep_);
  if (master_ < 0) return master_;
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) return -errno;
  wakeRead_ = pipeFds[0];
  wakeWrite_ = pipeFds[1];
  worker_ = std::thread([this] { Run(); });
  return 0;
}

void ModemEmulator::Stop() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  if (worker_.joinable()) {
    Wake();
    worker_.join();
  }
  for (int* fd : {&master_, &slaveKeep_, &wakeRead_, &wakeWrite_}) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }
}

void ModemEmulator::Wake() {
  if (wakeWrite_ >= 0) {
    [[maybe_unused]] ssize_t n = ::write(wakeWrite_, "w", 1);
  }
}

void ModemEmulator::PlaceCall() {
  std::lock_guard lock(mutex_);
  callRequested_ = true;
  Wake();
}

void ModemEmulator::After(int ms, std::function<void()> fn) {
  timers_.emplace(Clock::now() + std::chrono::milliseconds(ms), std::make_pair(epoch_, std::move(fn)));
}

void ModemEmulator::Run() {
  std::unique_lock lock(mutex_);
  while (!stop_) {
    const auto now = Clock::now();
    while (!timers_.empty() && timers_.begin()->first <= now) {
      auto node = timers_.extract(timers_.begin());
      if (node.mapped().first == epoch_) node.mapped().second();
    }
    if (callRequested_) {
      callRequested_ = false;
      HangUp();
      call_ = Call::kRinging;
      ringCount_ = 0;
      Ring();
    }
    if (mode_ == Mode::kDataOut) PumpDataOut();

    int timeout = -1;
    if (!timers_.empty()) {
      auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(timers_.begin()->first - Clock::now());
      timeout = static_cast<int>(std::max<long long>(0, wait.count() + 1));
    }
    // While the line is behind, the DTE's data stay in the pseudo-terminal.
    const short in = heldBack_ && mode_ == Mode::kDataIn ? 0 : POLLIN;
    pollfd fds[2] = {{master_, static_cast<short>(in | (out_.empty() ? 0 : POLLOUT)), 0},
                     {wakeRead_, POLLIN, 0}};
    changed_.notify_all();
    lock.unlock();
    int ready = ::poll(fds, 2, timeout);
    lock.lock();
    if (ready < 0) continue;
    if (fds[1].revents & POLLIN) {
      char drain[64];
      while (::read(wakeRead_, drain, sizeof drain) > 0) {
      }
    }
    if ((fds[0].revents & POLLOUT) && !out_.empty()) {
      ssize_t n = ::write(master_, out_.data(), out_.size());
      if (n > 0) out_.erase(0, static_cast<size_t>(n));
    }
    if (fds[0].revents & POLLIN) {
      uint8_t buf[4096];
      ssize_t n = ::read(master_, buf, sizeof buf);
      if (n > 0) OnInput(buf, static_cast<size_t>(n));
    }
  }
  changed_.notify_all();
}

bool ModemEmulator::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) const {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (done()) return true;
    if (Clock::now() >= deadline) return false;
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, std::chrono::milliseconds(20));
  }
}

// ---- output ----

void ModemEmulator::Send(const std::string& bytes) {
  if (!silent_) out_ += bytes;
}

namespace {
// Line noise: high-bit bytes, control characters, digits and punctuation.
std::string Noise(uint32_t& seed, size_t length) {
  // No letters, so that no word of a result code can come out by chance.
  static const char kBits[] = "\x8f\xb7\x1f}%@\xe3\x07\xfe\x90~?\xc3\x1b#&*=<>9";
  std::string s = "\r\n";
  for (size_t i = 0; i < length + 3; ++i) {
    seed = seed * 1103515245u + 12345u;
    s += kBits[(seed >> 16) % (sizeof kBits - 1)];
  }
  return s + "\r\n";
}
}  // namespace

void ModemEmulator::Info(const std::string& text) {
  if (garbage_) return Send(Noise(garbageSeed_, text.size()));
  Send(verbose_ ? "\r\n" + text + "\r\n" : text + "\r\n");
}

void ModemEmulator::Result(const char* verbose, int numeric) {
  if (garbage_) return Send(Noise(garbageSeed_, std::strlen(verbose)));
  if (quiet_) return;
  Send(verbose_ ? std::string("\r\n") + verbose + "\r\n" : std::to_string(numeric) + "\r");
}

// ---- input ----

void ModemEmulator::OnInput(const uint8_t* data, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const uint8_t c = data[i];
    if (silent_) {
      CommandChar(c);  // only to keep the record of the commands
      continue;
    }
    switch (mode_) {
      case Mode::kCommand:
        CommandChar(c);
        break;
      case Mode::kBusy:
        // A character typed while ATD or ATA runs abandons the call (V.250).
        if (abortable_) {
          HangUp();
          Result("NO CARRIER", 3);
        }
        break;
      case Mode::kDataIn:
        PageDataIn(c);
        break;
      case Mode::kWaitDc2:
        if (c == kDc2) {
          mode_ = Mode::kDataOut;
          PumpDataOut();
        }
        break;
      case Mode::kDataOut:
        // The DTE paces the page with XON/XOFF; nothing else means anything here.
        if (c == kDc3) xoff_ = true;
        if (c == kDc1) xoff_ = false;
        break;
      case Mode::kOnline: {
        const auto now = Clock::now();
        // "+++" with a quiet guard time before and after returns to command
        // state. The guard is S12 fiftieths of a second; half of it is
        // required so that a DTE pausing exactly the guard time is not missed.
        const auto guard = std::chrono::milliseconds(sreg_[12] * 10);
        if (c == sreg_[2] && (plusCount_ > 0 || now - lastInput_ >= guard)) {
          if (++plusCount_ == 3) {
            After(static_cast<int>(guard.count()), [this, guard] {
              if (mode_ == Mode::kOnline && plusCount_ == 3 && Clock::now() - lastInput_ >= guard) {
                plusCount_ = 0;
                mode_ = Mode::kCommand;
                Result("OK", 0);
              }
            });
          }
        } else {
          plusCount_ = 0;
        }
        lastInput_ = now;
        break;
      }
    }
  }
}

void ModemEmulator::CommandChar(uint8_t c) {
  if (echo_) {
    if (garbage_) Send(Noise(garbageSeed_, 0));
    else Send(std::string(1, static_cast<char>(c)));
  }
  if (!inLine_) {
    if (c == 'A' || c == 'a') {
      sawA_ = true;
    } else if (sawA_ && (c == 'T' || c == 't')) {
      sawA_ = false;
      inLine_ = true;
      line_.clear();
    } else if (sawA_ && c == '/') {
      sawA_ = false;
      ExecuteLine(lastLine_);
    } else {
      sawA_ = false;
    }
    return;
  }
  if (c == sreg_[3]) {
    inLine_ = false;
    lastLine_ = line_;
    ExecuteLine(line_);
  } else if (c == sreg_[5]) {
    if (!line_.empty()) line_.pop_back();
  } else if (c >= 32 && c < 127) {
    line_ += static_cast<char>(c);
  }
}

void ModemEmulator::ExecuteLine(const std::string& body) {
  const std::string upper = Upper("AT" + body);
  commands_.push_back("AT" + body);
  if (silent_) return;
  if (!far_.silentAfter.empty() && upper.find(Upper(far_.silentAfter)) != std::string::npos) {
    silent_ = true;
    out_.clear();
    return;
  }
  if (!far_.garbageAfter.empty() && upper.find(Upper(far_.garbageAfter)) != std::string::npos) garbage_ = true;
  if (body.size() > 255) return Final(false);
  std::vector<AtCommand> cmds;
  if (!ParseAtBody(body, cmds)) return Final(false);
  for (const AtCommand& cmd : cmds) {
    bool async = false;
    if (!Execute(cmd, async)) return Final(false);
    if (async) return;  // the action sends its own final result
  }
  Final(true);
}

bool ModemEmulator::Execute(const AtCommand& cmd, bool& async) {
  switch (cmd.kind) {
    case AtCommand::Kind::kExtended:
      return ExecuteFax(cmd, async);
    case AtCommand::Kind::kDial:
      if (call_ == Call::kFaxSend || call_ == Call::kFaxReceive || call_ == Call::kData) return false;
      async = true;
      Dial(cmd.value);
      return true;
    case AtCommand::Kind::kSRegister:
      if (cmd.op == AtCommand::Op::kRead) {
        char text[8];
        std::snprintf(text, sizeof text, "%03d", sreg_[cmd.number]);
        Info(text);
        return true;
      }
      if (std::atoi(cmd.value.c_str()) > 255) return false;
      sreg_[cmd.number] = std::atoi(cmd.value.c_str());
      return true;
    case AtCommand::Kind::kAmpersand:
      if (cmd.letter == 'F') {
        Reset();
        return true;
      }
      // &C, &D, &K, &Q, &S, &W: line and storage options that a
      // pseudo-terminal has no use for; taken and ignored.
      return std::string_view("CDKQSW").find(cmd.letter) != std::string_view::npos;
    case AtCommand::Kind::kBasic:
      return ExecuteBasic(cmd, async);
  }
  return false;
}

bool ModemEmulator::ExecuteBasic(const AtCommand& cmd, bool& async) {
  const int n = cmd.number < 0 ? 0 : cmd.number;
  switch (cmd.letter) {
    case 'E':
      if (n > 1) return false;
      echo_ = n == 1;
      return true;
    case 'Q':
      if (n > 1) return false;
      quiet_ = n == 1;
      return true;
    case 'V':
      if (n > 1) return false;
      verbose_ = n == 1;
      return true;
    case 'X':
      if (n > 4) return false;
      xLevel_ = n;
      return true;
    case 'L':
    case 'M':
      return n <= 3;
    case 'P':
    case 'T':
      return cmd.number < 0;
    case 'Z':
      Reset();
      return true;
    case 'H':
      if (n > 1) return false;
      HangUp();
      return true;
    case 'A':
      async = true;
      Answer();
      return true;
    case 'O':
      if (call_ != Call::kData) return false;
      mode_ = Mode::kOnline;
      async = true;
      Result("CONNECT 2400", 1);
      return true;
    case 'I': {
      static const char* const kInfo[] = {"2.0", "000", "OK", "Telvane fax modem emulator",
                                          "Class 2 (SP-2388) and Class 2.0 (T.32)"};
      if (n > 4) return false;
      Info(kInfo[n]);
      return true;
    }
    default:
      return false;
  }
}

void ModemEmulator::Reset() {
  HangUp();
  echo_ = true;
  quiet_ = false;
  verbose_ = true;
  xLevel_ = 4;
  std::fill(std::begin(sreg_), std::end(sreg_), 0);
  sreg_[2] = 43;   // escape character '+'
  sreg_[3] = 13;   // command line terminator
  sreg_[4] = 10;   // response formatting
  sreg_[5] = 8;    // backspace
  sreg_[6] = 2;    // dial tone wait, seconds
  sreg_[7] = 50;   // carrier wait, seconds
  sreg_[8] = 2;    // comma pause
  sreg_[10] = 14;  // carrier loss to hang-up, tenths
  sreg_[12] = 50;  // escape guard time, fiftieths of a second
  fclass_ = "0";
  caps_ = SessionParams{};
  session_ = caps_;
  dcs_ = caps_;
  localId_ = "\"\"";
  params_.clear();
  fcr_ = faa_ = bor_ = flo_ = 0;
  std::fill(std::begin(fnr_), std::end(fnr_), 0);
  pageStatus_ = 1;
  lastHangUp_ = 0;
}

// ---- accessors ----

std::vector<SentPage> ModemEmulator::SentPages() const {
  std::lock_guard lock(mutex_);
  return sent_;
}

std::vector<SentPage> ModemEmulator::ConfirmedPages() const {
  std::lock_guard lock(mutex_);
  std::vector<SentPage> pages;
  for (const SentPage& p : sent_)
    if (p.confirmed) pages.push_back(p);
  return pages;
}

std::string ModemEmulator::DteStationId() const {
  std::lock_guard lock(mutex_);
  std::string id = localId_;
  if (id.size() >= 2 && id.front() == '"' && id.back() == '"') id = id.substr(1, id.size() - 2);
  return id;
}

std::vector<std::string> ModemEmulator::Commands() const {
  std::lock_guard lock(mutex_);
  return commands_;
}

int ModemEmulator::CallsDialled() const {
  std::lock_guard lock(mutex_);
  return dialled_;
}

int ModemEmulator::XoffsSent() const {
  std::lock_guard lock(mutex_);
  return xoffsSent_;
}

int ModemEmulator::PagesDelivered() const {
  std::lock_guard lock(mutex_);
  return delivered_;
}

bool ModemEmulator::InCall() const {
  std::lock_guard lock(mutex_);
  return call_ != Call::kNone;
}

int ModemEmulator::Rings() const {
  std::lock_guard lock(mutex_);
  return totalRings_;
}

}  // namespace telvane::emu
