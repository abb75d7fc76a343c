// The simulated line's engine: ends, call progress, faults and pacing, all
// on the line's own thread.
#include "comm/simline/sim_line.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>

#include "comm/simline/audio_line.h"
#include "comm/simline/t31_pty_modem.h"

#define SPANDSP_EXPOSE_INTERNAL_STRUCTURES
#include <spandsp.h>

namespace telvane {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int64_t Samples(double seconds) { return static_cast<int64_t>(seconds * kLineSampleRate); }

// Call progress of a telephone line, in line time.
constexpr double kDialSeconds = 1.0;       // dialling until the far end first rings
constexpr double kRingPeriodSeconds = 6.0; // a ring every 6 s ...
constexpr double kRingOnSeconds = 2.0;     // ... of 2 s; a terminal picks up after one
constexpr double kBusySeconds = 2.0;       // dialling until the busy tone is recognised
constexpr double kDefaultS7Seconds = 60.0; // a calling terminal's wait, and S7 when unset
constexpr double kHangUpDrainSeconds = 1.0;  // lets the last frame reach the DTE before the line goes
constexpr double kStrayAnswerSeconds = 5.0;  // ATA with no call: off hook, no carrier, NO CARRIER

// A refused training check is let through for the receiver to train on
// (V.17 long training is about 1.4 s, V.29 0.25 s, V.27 ter 0.7-0.9 s) and a
// little of the zeros, far less than the one second of zeros a receiver wants.
int TrainingPassMs(bool v17, bool v29, int bitRate) {
  if (v17) return 1750;
  if (v29) return 550;
  return bitRate <= 2400 ? 1250 : 1000;
}

struct Modulation {
  int number, bitRate;
  bool v17, v29;
};
constexpr Modulation kModulations[] = {
    {24, 2400, false, false},  {48, 4800, false, false},  {72, 7200, false, true},   {73, 7200, true, false},
    {74, 7200, true, false},   {96, 9600, false, true},   {97, 9600, true, false},   {98, 9600, true, false},
    {121, 12000, true, false}, {122, 12000, true, false}, {145, 14400, true, false}, {146, 14400, true, false},
};

const Modulation* FindModulation(int number) {
  for (const Modulation& m : kModulations)
    if (m.number == number) return &m;
  return nullptr;
}

std::string CallFile(const std::string& path, int call) {
  if (call <= 1) return path;
  std::filesystem::path p(path);
  return (p.parent_path() / (p.stem().string() + "-" + std::to_string(call) + p.extension().string())).string();
}

}  // namespace

class SimLine::Engine : public T31PtyModem::Host {
 public:
  explicit Engine(const SimLineConfig& config) : config_(config) {
    for (int side = 0; side < 2; ++side)
      path_[side] = std::make_unique<AudioDirection>(config.delayMs, config.noiseDbm0, 1234 + side);
  }

  int Open() {
    const bool twoModems = config_.farEnd == SimLineConfig::SecondModem;
    const bool oneModem = config_.farEnd != SimLineConfig::TerminalToTerminal;
    for (int side = 0; side < 2; ++side) {
      if (side == 0 ? !oneModem : !twoModems) continue;
      modem_[side] = std::make_unique<T31PtyModem>(side == 0 ? "A" : "B", *this);
      modem_[side]->SetLogLevel(config_.logLevel);
      if (int rc = modem_[side]->Open(); rc < 0) return rc;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return -errno;
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
    return 0;
  }

  ~Engine() override {
    for (int fd : {wakeRead_, wakeWrite_})
      if (fd >= 0) ::close(fd);
  }

  std::string PtyPath(int side) const {
    return side >= 0 && side < 2 && modem_[side] ? modem_[side]->PtyPath() : std::string();
  }

  void RequestStop() {
    stop_ = true;
    if (wakeWrite_ >= 0) [[maybe_unused]] ssize_t n = ::write(wakeWrite_, "s", 1);
    {
      std::lock_guard lock(mutex_);
      stopped_ = true;
    }
    changed_.notify_all();
  }

  void Run();

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  SimLineResult result_;  // under mutex_
  bool stopped_ = false;  // under mutex_: Stop() was asked for

 private:
  enum class CallState { kIdle, kDialling, kRinging, kConnected };

  // T31PtyModem::Host: requests from inside the emulation, acted on later.
  void OnDial(T31PtyModem& m, const std::string& number) override {
    const int side = Side(m);
    Log(m.Name() + ": dials " + number);
    pending_.push_back([this, side, number] { Dial(side, number); });
  }
  void OnAnswer(T31PtyModem& m) override {
    const int side = Side(m);
    pending_.push_back([this, side] { Answer(side); });
  }
  void OnHangUp(T31PtyModem& m) override {
    const int side = Side(m);
    pending_.push_back([this, side] { HangUp(side); });
  }
  void OnCommand(T31PtyModem& m, const std::string& line) override;

  int Side(const T31PtyModem& m) const { return modem_[0].get() == &m ? 0 : 1; }
  bool IsModem(int side) const { return modem_[side] != nullptr; }
  void Log(const std::string& text) {
    if (config_.log) config_.log(text);
  }
  std::string SideName(int side) const { return IsModem(side) ? modem_[side]->Name() : (side == 0 ? "sender" : "terminal"); }

  // Runs fn after `seconds` of line time unless the call state moves on first.
  void After(double seconds, std::function<void()> fn) {
    timers_.emplace(now_ + Samples(seconds), std::make_pair(epoch_, std::move(fn)));
  }
  // Runs fn after `seconds` of line time in any case: answers a DTE waits for.
  void AfterAlways(double seconds, std::function<void()> fn) {
    timers_.emplace(now_ + Samples(seconds), std::make_pair(kAlways, std::move(fn)));
  }
  static constexpr uint64_t kAlways = ~uint64_t{0};
  void RunPending() {
    while (!pending_.empty()) {
      auto fns = std::move(pending_);
      pending_.clear();
      for (auto& fn : fns) fn();
    }
  }

  void Step();
  void Dial(int side, const std::string& number = {});
  void Ring();
  void Answer(int side);
  void Connect();
  void HangUp(int side);
  void EndCall(const char* why);
  // The line goes in mid-call: modems report NO CARRIER, terminals stop.
  void CutCall(const char* why);
  void StartTerminal(int side, bool calling);
  void CheckTerminals();
  void ArmRefusal(int side, int bitRate, bool v17, bool v29, bool afterSignal);
  // A page transmission starts (on either side).
  void PageStarted(const std::string& who);
  // Where the drop and the gap count from: the answer, or the start of the
  // page they are placed in (none until that page starts).
  std::optional<int64_t> FaultAnchor() const {
    if (config_.faultInPage <= 0) return connectedAt_;
    return pageAnchor_;
  }
  bool InGap() const {
    const auto anchor = FaultAnchor();
    if (!anchor || config_.gapSeconds <= 0) return false;
    const int64_t since = now_ - *anchor;
    return since >= Samples(config_.gapAfterSeconds) && since < Samples(config_.gapAfterSeconds + config_.gapSeconds);
  }
  bool TerminalCalls() const {
    return config_.farEnd == SimLineConfig::TerminalSends || config_.farEnd == SimLineConfig::TerminalToTerminal;
  }
  // A modem in a call waits in command state for its DTE's next command.
  bool DteHasTheTurn() const {
    if (state_ != CallState::kConnected) return false;
    for (const auto& m : modem_)
      if (m && m->InCommandMode()) return true;
    return false;
  }
  // The terminal that places calls: B behind modem A, or the sending one (A).
  int CallingTerminal() const { return config_.farEnd == SimLineConfig::TerminalSends ? 1 : 0; }
  bool MoreCalls() const { return config_.calls == 0 || placed_ < config_.calls; }

  SimLineConfig config_;
  std::unique_ptr<T31PtyModem> modem_[2];
  std::unique_ptr<FaxTerminalEnd> terminal_[2];
  std::unique_ptr<AudioDirection> path_[2];  // path_[s]: from side s to the other
  bool lastHdlcSent_[2] = {false, false};    // the DTE's last frame command was +FTH
  int wakeRead_ = -1, wakeWrite_ = -1;
  std::atomic<bool> stop_{false};
  std::vector<std::function<void()>> pending_;
  std::multimap<int64_t, std::pair<uint64_t, std::function<void()>>> timers_;
  uint64_t epoch_ = 0;  // changes with every call: timers of an ended call do nothing
  bool callBusy_ = false;        // the current call gets BUSY
  bool callUnanswered_ = false;  // nobody picks up the current call
  int64_t now_ = 0;     // line time, samples
  CallState state_ = CallState::kIdle;
  int caller_ = 0, callee_ = 1;
  int placed_ = 0;
  int64_t connectedAt_ = 0;
  std::optional<int64_t> pageAnchor_;  // line time the faultInPage-th page started
  bool silent_ = false;                // the gap is on
  Clock::time_point connectedReal_;
  bool terminalHangUpArmed_ = false;
  CallRecord call_;
};

void SimLine::Engine::Run() {
  const bool paced = config_.pace > 0;
  auto blockTime = [](double pace) {
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(kLineBlock / double(kLineSampleRate) / pace));
  };
  const auto fastBlock = paced ? blockTime(config_.pace) : Clock::duration::zero();
  const auto realBlock = paced ? blockTime(std::min(1.0, config_.pace)) : Clock::duration::zero();
  const auto turnLimit = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(std::max(0.0, config_.dteTurnRealSeconds)));
  bool inTurn = false;
  Clock::time_point turnStart;
  auto next = Clock::now();
  if (TerminalCalls()) After(config_.callDelaySeconds, [this] { Dial(CallingTerminal()); });
  while (!stop_) {
    pollfd fds[3];
    int count = 0;
    fds[count++] = {wakeRead_, POLLIN, 0};
    for (auto& m : modem_)
      if (m) fds[count++] = {m->MasterFd(), m->PollEvents(), 0};
    timespec wait{0, 0};
    if (paced) {
      const auto left = std::max(Clock::duration::zero(), next - Clock::now());
      wait.tv_sec = std::chrono::duration_cast<std::chrono::seconds>(left).count();
      wait.tv_nsec = (std::chrono::duration_cast<std::chrono::nanoseconds>(left) % std::chrono::seconds(1)).count();
    }
    if (ppoll(fds, count, &wait, nullptr) > 0) {
      if (fds[0].revents & POLLIN) {
        char drain[16];
        while (::read(wakeRead_, drain, sizeof drain) > 0) {
        }
      }
      int f = 1;
      for (auto& m : modem_)
        if (m) m->OnPoll(fds[f++].revents);
      RunPending();
    }
    const auto t = Clock::now();
    if (!paced || t >= next) {
      Step();
      RunPending();
      // A DTE's turn starts in real time (see dteTurnRealSeconds).
      const bool turn = DteHasTheTurn();
      if (turn && !inTurn) turnStart = t;
      inTurn = turn;
      const bool realTime = turn && t - turnStart < turnLimit;
      next += realTime ? realBlock : fastBlock;
      // After a stall, do not race to catch up: the DTE would see a burst.
      if (t - next > std::chrono::milliseconds(100)) next = t;
    }
  }
}

void SimLine::Engine::Step() {
  int16_t out[2][kLineBlock], in[2][kLineBlock];
  for (int side = 0; side < 2; ++side) {
    if (modem_[side])
      modem_[side]->Tx(out[side], kLineBlock);
    else if (terminal_[side])
      terminal_[side]->Tx(out[side], kLineBlock);
    else
      std::fill(std::begin(out[side]), std::end(out[side]), 0);
  }
  const bool connected = state_ == CallState::kConnected;
  const bool gap = connected && InGap();
  if (gap != silent_) {
    silent_ = gap;
    if (gap) call_.silenced = true;
    Log(gap ? "line silent" : "line back");
  }
  path_[0]->Pass(out[0], in[1], kLineBlock, connected && !gap);
  path_[1]->Pass(out[1], in[0], kLineBlock, connected && !gap);
  for (int side = 0; side < 2; ++side) {
    if (modem_[side])
      modem_[side]->Rx(in[side], kLineBlock);
    else if (terminal_[side])
      terminal_[side]->Rx(in[side], kLineBlock);
  }
  now_ += kLineBlock;
  CheckTerminals();
  while (!timers_.empty() && timers_.begin()->first <= now_) {
    auto node = timers_.extract(timers_.begin());
    if (node.mapped().first == epoch_ || node.mapped().first == kAlways) node.mapped().second();
  }
  // The call may have ended in this block (a hang-up timer above): only a
  // call still in progress can be dropped or cut off.
  const bool stillConnected = state_ == CallState::kConnected;
  const auto anchor = FaultAnchor();
  if (stillConnected && config_.dropAfterSeconds > 0 && anchor && now_ - *anchor >= Samples(config_.dropAfterSeconds)) {
    Log("line dropped");
    call_.dropped = true;
    CutCall("dropped");
  } else if (stillConnected && config_.maxCallSeconds > 0 && now_ - connectedAt_ >= Samples(config_.maxCallSeconds)) {
    Log("call time limit reached");
    call_.timedOut = true;
    CutCall("time limit");
  }
}

void SimLine::Engine::OnCommand(T31PtyModem& m, const std::string& line) {
  const int side = Side(m);
  std::string cmd;
  for (char c : line)
    if (c != ' ') cmd += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  Log(m.Name() + ": " + cmd);
  if (cmd.find("+FTH") != std::string::npos) lastHdlcSent_[side] = true;
  if (cmd.find("+FRH") != std::string::npos) lastHdlcSent_[side] = false;
  const size_t ftm = cmd.find("+FTM=");
  if (ftm == std::string::npos || cmd.compare(ftm + 5, 1, "?") == 0) return;
  // An AT+FTM right after frames this DTE sent (its DCS) is the training
  // check; after frames it received (CFR, MCF) it is a page.
  const bool tcf = lastHdlcSent_[side];
  lastHdlcSent_[side] = false;
  if (!tcf && state_ == CallState::kConnected) PageStarted(m.Name());
  const Modulation* mod = FindModulation(std::atoi(cmd.c_str() + ftm + 5));
  if (tcf && mod && mod->bitRate == config_.refuseTrainingBps && state_ == CallState::kConnected)
    ArmRefusal(side, mod->bitRate, mod->v17, mod->v29, false);
}

void SimLine::Engine::ArmRefusal(int side, int bitRate, bool v17, bool v29, bool afterSignal) {
  const int passMs = TrainingPassMs(v17, v29, bitRate);
  path_[side]->ArmGarble(passMs, afterSignal);
  ++call_.trainingsRefused;
  Log(SideName(side) + ": training check at " + std::to_string(bitRate) + " bit/s refused (garbled after " +
      std::to_string(passMs) + " ms)");
}

void SimLine::Engine::PageStarted(const std::string& who) {
  ++call_.pagesStarted;
  Log(who + ": page " + std::to_string(call_.pagesStarted) + " starts");
  if (call_.pagesStarted == config_.faultInPage) pageAnchor_ = now_;
}

namespace {

// The digits of a dialled number: ATD's modifiers (T, P, W, ',', ';', '!',
// '@') and blanks are not part of it.
std::string DialledDigits(const std::string& number) {
  std::string digits;
  for (char c : number)
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '*' || c == '#' || c == '+') digits += c;
  return digits;
}

bool Listed(const std::vector<std::string>& numbers, const std::string& dialled) {
  const std::string digits = DialledDigits(dialled);
  for (const std::string& n : numbers)
    if (!digits.empty() && DialledDigits(n) == digits) return true;
  return false;
}

}  // namespace

void SimLine::Engine::Dial(int side, const std::string& number) {
  if (state_ != CallState::kIdle || (!IsModem(side) && !MoreCalls())) {
    // Our own line is in use: the caller hears busy.
    if (IsModem(side)) AfterAlways(kBusySeconds, [this, side] { modem_[side]->Busy(); });
    return;
  }
  ++epoch_;
  ++placed_;
  call_ = CallRecord{};
  call_.caller = side;
  caller_ = side;
  callee_ = 1 - side;
  state_ = CallState::kDialling;
  callBusy_ = config_.busy || Listed(config_.busyNumbers, number);
  callUnanswered_ = config_.neverAnswer || Listed(config_.unansweredNumbers, number);
  if (callBusy_) {
    After(kBusySeconds, [this] {
      Log(SideName(caller_) + ": BUSY");
      call_.busy = true;
      if (IsModem(caller_)) modem_[caller_]->Busy();
      EndCall("busy");
    });
    return;
  }
  double s7 = kDefaultS7Seconds;
  if (IsModem(side) && modem_[side]->CarrierWaitSeconds() > 0) s7 = modem_[side]->CarrierWaitSeconds();
  After(s7, [this] {
    Log(SideName(caller_) + ": no answer within S7");
    call_.noAnswer = true;
    if (IsModem(caller_)) modem_[caller_]->NoCarrier();
    EndCall("no answer");
  });
  if (IsModem(callee_)) modem_[callee_]->ResetRings();
  After(kDialSeconds, [this] {
    state_ = CallState::kRinging;
    Ring();
  });
}

void SimLine::Engine::Ring() {
  ++call_.rings;
  Log(SideName(callee_) + ": RING " + std::to_string(call_.rings));
  if (IsModem(callee_)) {
    // A line that is never answered does not ring the called modem at all,
    // so that no DTE or auto-answer can pick it up.
    if (!callUnanswered_) modem_[callee_]->Ring();
  } else if (!callUnanswered_ && call_.rings >= config_.answerAfterRings) {
    After(kRingOnSeconds, [this] { Answer(callee_); });
  }
  After(kRingPeriodSeconds, [this] { Ring(); });
}

void SimLine::Engine::Answer(int side) {
  // The called side may pick up while the call is still being put through,
  // before its first ring: both ends are off hook, and the call connects.
  const bool called = state_ == CallState::kRinging || state_ == CallState::kDialling;
  if (!called || side != callee_ || callBusy_ || callUnanswered_) {
    if (IsModem(side) && (state_ == CallState::kIdle || (side == callee_ && state_ != CallState::kConnected))) {
      // ATA with no call, or into a call that cannot be picked up (busy, never
      // answered): the modem goes off hook and finds no carrier.
      AfterAlways(kStrayAnswerSeconds, [this, side] {
        if (state_ != CallState::kConnected) modem_[side]->NoCarrier();
      });
    }
    return;
  }
  Log(SideName(side) + ": answers");
  Connect();
}

void SimLine::Engine::Connect() {
  ++epoch_;  // the S7 and ring timers are over
  state_ = CallState::kConnected;
  call_.answered = true;
  connectedAt_ = now_;
  connectedReal_ = Clock::now();
  pageAnchor_.reset();
  silent_ = false;
  terminalHangUpArmed_ = false;
  for (auto& p : path_) p->Clear();
  lastHdlcSent_[0] = lastHdlcSent_[1] = false;
  if (IsModem(callee_)) modem_[callee_]->Answered();
  else StartTerminal(callee_, false);
  if (IsModem(caller_)) modem_[caller_]->Connected();
  else StartTerminal(caller_, true);
}

void SimLine::Engine::StartTerminal(int side, bool calling) {
  TerminalSettings s;
  const bool toTerminal = config_.farEnd == SimLineConfig::TerminalToTerminal;
  s.sends = toTerminal ? side == 0 : config_.farEnd == SimLineConfig::TerminalSends;
  s.tiffPath = s.sends ? config_.sendTiff : CallFile(config_.receiveTiff, placed_);
  s.stationId = toTerminal && side == 0 ? config_.senderStationId : config_.stationId;
  s.modems = config_.peerModems;
  s.mhOnly = config_.peerMhOnly;
  s.a4Only = config_.peerA4Only;
  s.logLevel = config_.logLevel;
  s.logTag = toTerminal && side == 0 ? "sender" : "terminal";
  terminal_[side] = std::make_unique<FaxTerminalEnd>(s, calling);
}

void SimLine::Engine::CheckTerminals() {
  bool anyFinished = false, any = false;
  for (int side = 0; side < 2; ++side) {
    auto& t = terminal_[side];
    if (!t) continue;
    any = true;
    int rate = 0;
    bool v17 = false, v29 = false;
    if (t->TakeDcsSent(rate, v17, v29) && rate == config_.refuseTrainingBps && state_ == CallState::kConnected)
      ArmRefusal(side, rate, v17, v29, true);
    if (t->TakePageStart() && state_ == CallState::kConnected) PageStarted(SideName(side));
    anyFinished |= t->Finished();
  }
  if (!any || !anyFinished || terminalHangUpArmed_ || state_ != CallState::kConnected) return;
  // The terminal has hung up. Its last frame is still on its way through the
  // line; the modem side learns of the hang-up when it has arrived. Two
  // terminals both finish by themselves.
  terminalHangUpArmed_ = true;
  After(kHangUpDrainSeconds, [this] { CutCall("terminal hung up"); });
}

void SimLine::Engine::HangUp(int side) {
  if (state_ == CallState::kIdle) return;
  if (state_ != CallState::kConnected && side == callee_) return;  // not in the call yet
  Log(SideName(side) + ": hangs up");
  const int other = side == caller_ ? callee_ : caller_;
  const bool connected = state_ == CallState::kConnected;
  if (connected && terminal_[other]) terminal_[other]->Terminate();
  EndCall("hang-up");
  if (connected && modem_[other]) {
    // The far modem notices once the line has carried the rest of the call.
    T31PtyModem* m = modem_[other].get();
    After(0.2, [m] { m->LineDropped(); });
  }
}

void SimLine::Engine::CutCall(const char* why) {
  for (auto& m : modem_)
    if (m) m->LineDropped();
  EndCall(why);  // which ends the terminals' sessions
}

void SimLine::Engine::EndCall(const char* why) {
  if (state_ == CallState::kConnected) {
    call_.lineSeconds = double(now_ - connectedAt_) / kLineSampleRate;
    call_.realSeconds = std::chrono::duration<double>(Clock::now() - connectedReal_).count();
  }
  const bool toTerminal = config_.farEnd == SimLineConfig::TerminalToTerminal;
  for (int side = 0; side < 2; ++side) {
    if (!terminal_[side]) continue;
    terminal_[side]->Terminate();
    if (toTerminal && side == 0)
      call_.sender = terminal_[side]->Result();
    else
      call_.terminal = terminal_[side]->Result();
    terminal_[side].reset();
  }
  std::string text = std::string("call ended: ") + why;
  for (const TerminalResult* t : {&call_.sender, &call_.terminal})
    if (t->finished) text += " (" + std::to_string(t->completionCode) + " " + t->completionText + ")";
  Log(text);
  ++epoch_;
  state_ = CallState::kIdle;
  {
    std::lock_guard lock(mutex_);
    result_.calls.push_back(call_);
    result_.done = config_.calls > 0 && static_cast<int>(result_.calls.size()) >= config_.calls;
  }
  changed_.notify_all();
  if (TerminalCalls() && MoreCalls()) After(config_.callDelaySeconds, [this] { Dial(CallingTerminal()); });
}

// ---- SimLine ----

SimLine::SimLine() = default;
SimLine::~SimLine() { Stop(); }

int SimLine::Start(const SimLineConfig& config) {
  Stop();
  std::lock_guard startStop(startStop_);
  {
    std::lock_guard lock(mutex_);
    final_ = SimLineResult{};
  }
  error_.clear();
  auto fail = [this](int code, std::string text) {
    error_ = std::move(text);
    return code;
  };
  const auto mode = config.farEnd;
  const bool sends = mode == SimLineConfig::TerminalSends || mode == SimLineConfig::TerminalToTerminal;
  const bool receives = mode == SimLineConfig::TerminalReceives || mode == SimLineConfig::TerminalToTerminal;
  // NaN passes no comparison and would slip through the range checks below
  // (and turn into an undefined sample count): every time must be a number.
  for (double v : {config.pace, config.dteTurnRealSeconds, config.dropAfterSeconds, config.maxCallSeconds,
                   config.callDelaySeconds, config.gapAfterSeconds, config.gapSeconds})
    if (!std::isfinite(v)) return fail(-EINVAL, "the pace and the line's times must be finite numbers");
  if (config.gapAfterSeconds < 0 || config.gapSeconds < 0 || config.dropAfterSeconds < 0)
    return fail(-EINVAL, "the drop and the gap cannot be placed at negative times");
  if (config.faultInPage < 0) return fail(-EINVAL, "the page of a fault counts from 1");
  if (!(config.pace > 0) && !(config.pace == 0 && mode == SimLineConfig::TerminalToTerminal))
    return fail(-EINVAL, "the pace must be above 0 (0, unpaced, only between two terminals)");
  if (config.callDelaySeconds < 0) return fail(-EINVAL, "the call delay cannot be negative");
  if (config.delayMs < 0 || config.delayMs > 1000) return fail(-EINVAL, "the line delay must be 0-1000 ms");
  if (config.calls < 0) return fail(-EINVAL, "the number of calls cannot be negative");
  if (config.answerAfterRings < 1) return fail(-EINVAL, "the terminal answers after one ring or more");
  if (config.peerModems & ~7u) return fail(-EINVAL, "peer modems are V.27 ter, V.29 and V.17 only");
  static constexpr int kRates[] = {0, 2400, 4800, 7200, 9600, 12000, 14400};
  if (std::find(std::begin(kRates), std::end(kRates), config.refuseTrainingBps) == std::end(kRates))
    return fail(-EINVAL, "training can be refused at 2400, 4800, 7200, 9600, 12000 or 14400 bit/s");
  if (config.noiseDbm0 && !(*config.noiseDbm0 <= 0 && *config.noiseDbm0 >= -100))
    return fail(-EINVAL, "the noise level must be between -100 and 0 dBm0");
  if (sends) {
    if (config.sendTiff.empty()) return fail(-EINVAL, "a sending terminal needs a TIFF file to send");
    if (::access(config.sendTiff.c_str(), R_OK) != 0) return fail(-ENOENT, "cannot read " + config.sendTiff);
  }
  if (receives && config.receiveTiff.empty()) return fail(-EINVAL, "a receiving terminal needs a TIFF file to write");
  auto engine = std::make_unique<Engine>(config);
  if (int rc = engine->Open(); rc < 0) return fail(rc, "cannot open a pseudo-terminal");
  std::shared_ptr<Engine> running(std::move(engine));
  thread_ = std::thread([e = running.get()] { e->Run(); });
  std::lock_guard lock(mutex_);
  engine_ = std::move(running);
  return 0;
}

std::shared_ptr<SimLine::Engine> SimLine::CurrentEngine() const {
  std::lock_guard lock(mutex_);
  return engine_;
}

std::string SimLine::PtyPath(int side) const {
  const auto engine = CurrentEngine();
  return engine ? engine->PtyPath(side) : std::string();
}

bool SimLine::WaitDone(double seconds) {
  const auto engine = CurrentEngine();
  if (!engine) return Result().done;
  std::unique_lock lock(engine->mutex_);
  engine->changed_.wait_for(lock, std::chrono::duration<double>(seconds),
                            [&] { return engine->result_.done || engine->stopped_; });
  return engine->result_.done;
}

SimLineResult SimLine::Result() const {
  const auto engine = CurrentEngine();
  if (!engine) {
    std::lock_guard lock(mutex_);
    return final_;
  }
  std::lock_guard lock(engine->mutex_);
  return engine->result_;
}

void SimLine::Stop() {
  std::lock_guard startStop(startStop_);
  const auto engine = CurrentEngine();
  if (!engine) return;
  engine->RequestStop();
  if (thread_.joinable()) thread_.join();
  SimLineResult last;
  {
    std::lock_guard lock(engine->mutex_);
    last = engine->result_;
  }
  std::lock_guard lock(mutex_);
  final_ = std::move(last);
  engine_.reset();
}

}  // namespace telvane
