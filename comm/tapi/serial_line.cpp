// The line of a serial or configured device: its path, when it exists.
#include <sys/stat.h>

#include "base/error_codes.h"
#include "comm/tapi/telephony_line.h"

namespace telvane {
namespace {

class SerialLine : public ITelephonyLine {
 public:
  explicit SerialLine(std::string path) : path_(std::move(path)) {}

  int Connect(std::string& devicePath) override {
    // A device that has gone (an unplugged USB adapter) cannot carry a call;
    // an empty path is handed on, the port refuses it.
    struct stat st{};
    if (!path_.empty() && ::stat(path_.c_str(), &st) != 0) return ecTapiCallUnavail;
    devicePath = path_;
    return 0;
  }
  void Disconnect() override {}

 private:
  std::string path_;
};

}  // namespace

std::unique_ptr<ITelephonyLine> MakeSerialLine(const TelephonyDevice& device) {
  return std::make_unique<SerialLine>(device.path);
}

}  // namespace telvane
