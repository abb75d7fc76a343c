// The in-memory serial line.
#include "tests/support/comm/fake_serial_device.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "base/error_codes.h"

namespace telvane::test {

void FakeLine::Feed(std::string_view bytes) {
  std::lock_guard guard(lock_);
  input_.append(bytes);
  changed_.notify_all();
}

std::string FakeLine::Written() const {
  std::lock_guard guard(lock_);
  return written_;
}

std::string FakeLine::TakeWritten() {
  std::lock_guard guard(lock_);
  std::string out;
  out.swap(written_);
  scriptFrom_ = 0;
  return out;
}

void FakeLine::Expect(std::string request, std::string response) {
  std::lock_guard guard(lock_);
  script_.emplace_back(std::move(request), std::move(response));
}

bool FakeLine::ScriptDone() const {
  std::lock_guard guard(lock_);
  return script_.empty();
}

std::string FakeLine::NextExpected() const {
  std::lock_guard guard(lock_);
  return script_.empty() ? std::string() : script_.front().first;
}

void FakeLine::SetModemLines(std::uint8_t lines) {
  std::lock_guard guard(lock_);
  std::uint8_t changed = lines ^ lines_;
  if (changed & msrCTS) ++counters_.cts;
  if (changed & msrDSR) ++counters_.dsr;
  if (changed & msrDCD) ++counters_.dcd;
  if ((changed & msrRI) && !(lines & msrRI)) ++counters_.ring;
  lines_ = lines & 0xF0;
  changed_.notify_all();
}

void FakeLine::SetHasModemLines(bool has) {
  std::lock_guard guard(lock_);
  hasLines_ = has;
}

void FakeLine::AddRings(int n) {
  std::lock_guard guard(lock_);
  counters_.ring += static_cast<std::uint32_t>(n);
}

void FakeLine::AddLineErrors(std::uint32_t le) {
  std::lock_guard guard(lock_);
  if (le & leOverrun) ++counters_.overrun;
  if (le & leParity) ++counters_.parity;
  if (le & leFraming) ++counters_.framing;
  if (le & leBreak) ++counters_.breaks;
}

void FakeLine::SetStalled(bool stalled) {
  std::lock_guard guard(lock_);
  stalled_ = stalled;
  changed_.notify_all();
}

void FakeLine::SetWriteError(int code) {
  std::lock_guard guard(lock_);
  writeError_ = code;
  changed_.notify_all();
}

void FakeLine::HangUp() {
  std::lock_guard guard(lock_);
  hungUp_ = true;
  changed_.notify_all();
}

void FakeLine::FailNextOpen(int code) {
  std::lock_guard guard(lock_);
  failOpen_ = code;
}

bool FakeLine::IsOpen() const { std::lock_guard g(lock_); return open_; }
int FakeLine::Opens() const { std::lock_guard g(lock_); return opens_; }
std::string FakeLine::LastPath() const { std::lock_guard g(lock_); return path_; }
LineSettings FakeLine::Settings() const { std::lock_guard g(lock_); return settings_; }
int FakeLine::Configures() const { std::lock_guard g(lock_); return configures_; }
bool FakeLine::Dtr() const { std::lock_guard g(lock_); return dtr_; }
bool FakeLine::Rts() const { std::lock_guard g(lock_); return rts_; }
bool FakeLine::BreakOn() const { std::lock_guard g(lock_); return break_; }
int FakeLine::InputFlushes() const { std::lock_guard g(lock_); return inputFlushes_; }
int FakeLine::OutputFlushes() const { std::lock_guard g(lock_); return outputFlushes_; }
int FakeLine::InterruptsWhileClosed() const { std::lock_guard g(lock_); return interruptsWhileClosed_; }

class FakeSerialDevice : public ISerialDevice {
 public:
  explicit FakeSerialDevice(std::shared_ptr<FakeLine> line) : line_(std::move(line)) {}
  ~FakeSerialDevice() override { Close(); }

  int Open(const std::string& path) override {
    std::lock_guard guard(line_->lock_);
    if (line_->failOpen_) return std::exchange(line_->failOpen_, 0);
    if (line_->open_) return -EBUSY;
    line_->open_ = true;
    line_->hungUp_ = false;
    ++line_->opens_;
    line_->path_ = path;
    mine_ = true;
    interrupted_ = false;
    return ecOK;
  }

  void Close() override {
    std::lock_guard guard(line_->lock_);
    if (mine_) line_->open_ = false;
    mine_ = false;
  }

  int Configure(const LineSettings& s) override {
    std::lock_guard guard(line_->lock_);
    line_->settings_ = s;
    ++line_->configures_;
    return ecOK;
  }

  int Read(std::uint8_t* buf, std::size_t n) override {
    std::lock_guard guard(line_->lock_);
    if (line_->hungUp_ && line_->input_.empty()) return -EIO;
    n = std::min(n, line_->input_.size());
    std::copy_n(line_->input_.data(), n, buf);
    line_->input_.erase(0, n);
    return static_cast<int>(n);
  }

  int Write(const std::uint8_t* buf, std::size_t n) override {
    std::lock_guard guard(line_->lock_);
    if (line_->writeError_) return line_->writeError_;
    if (line_->stalled_) return 0;
    line_->written_.append(reinterpret_cast<const char*>(buf), n);
    // Scripted answers.
    while (!line_->script_.empty()) {
      auto& [request, response] = line_->script_.front();
      auto at = line_->written_.find(request, line_->scriptFrom_);
      if (at == std::string::npos) break;
      line_->scriptFrom_ = at + request.size();
      line_->input_ += response;
      line_->script_.erase(line_->script_.begin());
    }
    line_->changed_.notify_all();
    return static_cast<int>(n);
  }

  int WaitReadable(int timeoutMs) override {
    return Wait(timeoutMs, [this] { return !line_->input_.empty() || line_->hungUp_; });
  }

  int WaitWritable(int timeoutMs) override {
    return Wait(timeoutMs, [this] { return !line_->stalled_ || line_->writeError_ != 0; });
  }

  void Interrupt() override {
    std::lock_guard guard(line_->lock_);
    if (!mine_) ++line_->interruptsWhileClosed_;
    interrupted_ = true;
    line_->changed_.notify_all();
  }

  int GetModemLines(std::uint8_t& lines) override {
    std::lock_guard guard(line_->lock_);
    if (!line_->hasLines_) return ecNotSupportedByLayer;
    lines = line_->lines_;
    return ecOK;
  }

  int GetCounters(LineCounters& c) override {
    std::lock_guard guard(line_->lock_);
    if (!line_->hasLines_) return ecNotSupportedByLayer;
    c = line_->counters_;
    return ecOK;
  }

  int SetDTR(bool on) override { std::lock_guard g(line_->lock_); line_->dtr_ = on; return ecOK; }
  int SetRTS(bool on) override { std::lock_guard g(line_->lock_); line_->rts_ = on; return ecOK; }
  int SetBreak(bool on) override { std::lock_guard g(line_->lock_); line_->break_ = on; return ecOK; }

  int Flush(bool input, bool output) override {
    std::lock_guard guard(line_->lock_);
    if (input) {
      line_->input_.clear();
      ++line_->inputFlushes_;
    }
    if (output) ++line_->outputFlushes_;
    return ecOK;
  }

  int OutQueueBytes() override { return 0; }

 private:
  template <typename Pred>
  int Wait(int timeoutMs, Pred ready) {
    std::unique_lock guard(line_->lock_);
    auto done = [&] { return interrupted_ || ready(); };
    if (timeoutMs < 0)
      line_->changed_.wait(guard, done);
    else
      line_->changed_.wait_for(guard, std::chrono::milliseconds(timeoutMs), done);
    if (interrupted_) return 0;
    return ready() ? 1 : 0;
  }

  std::shared_ptr<FakeLine> line_;
  bool mine_ = false;
  bool interrupted_ = false;
};

DeviceFactory FakeDeviceFactory(std::shared_ptr<FakeLine> line) {
  return [line] { return std::make_unique<FakeSerialDevice>(line); };
}

}  // namespace telvane::test
