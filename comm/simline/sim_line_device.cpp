// The simulated line device: each call runs its own SimLine.
#include "comm/simline/sim_line_device.h"

#include "base/error_codes.h"

namespace telvane {
namespace {

class SimulatedLine : public ITelephonyLine {
 public:
  SimulatedLine(const SimLineConfig& config, std::function<void(const SimLine&)> onEnd,
                std::function<void(const std::string&)> onStartError)
      : config_(config), onEnd_(std::move(onEnd)), onStartError_(std::move(onStartError)) {}
  ~SimulatedLine() override { Disconnect(); }

  int Connect(std::string& devicePath) override {
    if (line_.Start(config_) != 0) return Unavailable(line_.Error());
    std::string pty = line_.PtyPath(0);
    if (pty.empty()) {
      line_.Stop();
      return Unavailable("the simulated line has no modem for the port (terminals at both ends)");
    }
    running_ = true;
    devicePath = pty;
    return 0;
  }

  void Disconnect() override {
    if (!running_) return;
    running_ = false;
    line_.Stop();
    if (onEnd_) onEnd_(line_);
  }

 private:
  int Unavailable(const std::string& why) {
    if (onStartError_) onStartError_(why.empty() ? "the simulated line did not start" : why);
    return ecTapiCallUnavail;
  }

  SimLineConfig config_;
  std::function<void(const SimLine&)> onEnd_;
  std::function<void(const std::string&)> onStartError_;
  SimLine line_;
  bool running_ = false;
};

}  // namespace

TelephonyLineFactory SimulatedLineFactory(SimLineConfig config, std::function<void(const SimLine&)> onEnd,
                                          std::function<void(const std::string&)> onStartError) {
  return [config = std::move(config), onEnd = std::move(onEnd),
          onStartError = std::move(onStartError)](const TelephonyDevice&) {
    return std::unique_ptr<ITelephonyLine>(std::make_unique<SimulatedLine>(config, onEnd, onStartError));
  };
}

}  // namespace telvane
