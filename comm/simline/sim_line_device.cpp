// The simulated line device: each call runs its own SimLine.
#include "sim_line_device.h"

#include "error_codes.h"

namespace telvane {
namespace {

class SimulatedLine : public ITelephonyLine {
 public:
  SimulatedLine(const SimLineConfig& config, std::function<void(const SimLine&)> onEnd)
      : config_(config), onEnd_(std::move(onEnd)) {}
  ~SimulatedLine() override { Disconnect(); }

  int Connect(std::string& devicePath) override {
    if (line_.Start(config_) != 0) return ecTapiCallUnavail;
    std::string pty = line_.PtyPath(0);
    if (pty.empty()) {
      // A line with terminals at both ends has no modem for a port.
      line_.Stop();
      return ecTapiCallUnavail;
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

  const std::string& Error() const { return line_.Error(); }

 private:
  SimLineConfig config_;
  std::function<void(const SimLine&)> onEnd_;
  SimLine line_;
  bool running_ = false;
};

}  // namespace

TelephonyLineFactory SimulatedLineFactory(SimLineConfig config, std::function<void(const SimLine&)> onEnd) {
  return [config = std::move(config), onEnd = std::move(onEnd)](const TelephonyDevice&) {
    return std::unique_ptr<ITelephonyLine>(std::make_unique<SimulatedLine>(config, onEnd));
  };
}

}  // namespace telvane
