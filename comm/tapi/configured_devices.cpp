// Reads the user's configured line devices from "name=path" lines.
#include <fstream>
#include <sstream>

#include "comm/tapi/telephony_device_list.h"

namespace telvane {
namespace {

std::string Trimmed(const std::string& s) {
  const char* blanks = " \t\r";
  std::size_t b = s.find_first_not_of(blanks);
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(blanks) - b + 1);
}

}  // namespace

std::vector<TelephonyDevice> ParseConfiguredDevices(const std::string& text,
                                                    std::vector<std::string>* errors) {
  std::vector<TelephonyDevice> devices;
  std::istringstream in(text);
  std::string line;
  int number = 0;
  auto complain = [&](const std::string& why) {
    if (errors) errors->push_back("line " + std::to_string(number) + ": " + why);
  };
  while (std::getline(in, line)) {
    ++number;
    std::string t = Trimmed(line);
    if (t.empty() || t[0] == '#') continue;
    std::size_t eq = t.find('=');
    if (eq == std::string::npos) {
      complain("no '=' between name and path");
      continue;
    }
    std::string name = Trimmed(t.substr(0, eq));
    std::string path = Trimmed(t.substr(eq + 1));
    if (name.empty()) {
      complain("empty device name");
    } else if (path.empty()) {
      complain("empty device path for \"" + name + "\"");
    } else {
      devices.push_back({name, path, TelephonyDeviceKind::Configured});
    }
  }
  return devices;
}

std::vector<TelephonyDevice> LoadConfiguredDevices(const std::string& fileName,
                                                   std::vector<std::string>* errors) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) {
    if (errors) errors->push_back("cannot read " + fileName);
    return {};
  }
  std::ostringstream text;
  text << in.rdbuf();
  return ParseConfiguredDevices(text.str(), errors);
}

}  // namespace telvane
