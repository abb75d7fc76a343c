// The emulator fixture of the component tests.
#include "tests/comm/components/component_fixture.h"

#include <filesystem>

#include "comm/fax/fax_receiver.h"

namespace telvane::test {

emu::Raster TestPage(int n) { return emu::TestPageRasters(n, kTestLines); }

std::string WriteTestApf(const std::string& fileName, const std::vector<int>& pages) {
  EXPECT_EQ(emu::WriteTestApf(fileName, pages, kTestLines), 0) << fileName;
  return fileName;
}

void ComponentFixture::StartModem(emu::FarEnd far) {
  emu::EmulatorOptions options;
  options.farEnd = std::move(far);
  modem_ = std::make_unique<emu::ModemEmulator>(std::move(options));
  ASSERT_EQ(modem_->Start(), 0);
  port_.SetDevicePath(modem_->SlavePath());
  port_.SetOutSize(16384);
  port_.SetOpen(true);
}

void ComponentFixture::Record(TApdAbstractFax& fax) {
  auto session = [this] { return static_cast<int>(Finishes()); };
  fax.OnFaxStatus = [this, session](TApdAbstractFax& f, bool first, bool last) {
    progress_ = f.FaxProgress();
    events_.push_back({Event::Status, first ? 1 : last ? 2 : 0, session()});
  };
  fax.OnFaxLog = [this, session](TApdAbstractFax&, int code) { events_.push_back({Event::Log, code, session()}); };
  fax.OnFaxError = [this, session](TApdAbstractFax&, int code) { events_.push_back({Event::Error, code, session()}); };
  fax.OnFaxFinish = [this, session](TApdAbstractFax&, int code) {
    events_.push_back({Event::Finish, code, session()});
  };
}

void ComponentFixture::Configure(TApdAbstractFax& fax) {
  fax.SetComPort(&port_);
  fax.SetFaxClass(fcClass2);
  fax.SetStationID("+1 555 0100");
  fax.SetDesiredBPS(14400);
  fax.SetYield([this] { main_.RunPending(); });
}

bool ComponentFixture::RunToFinishes(size_t count, int seconds) {
  return main_.RunUntil([&] { return Finishes() >= count; }, seconds * 1000);
}

void ComponentFixture::CallWhenWaiting() {
  // A RING during the receiver's set-up would be taken as a command's answer.
  ASSERT_TRUE(main_.RunUntil([&] { return progress_ == fpWaiting; }, 10000)) << Trace();
  modem_->PlaceCall();
}

size_t ComponentFixture::Finishes() const {
  size_t n = 0;
  for (const auto& e : events_) n += e.kind == Event::Finish;
  return n;
}

std::vector<int> ComponentFixture::Logs() const {
  std::vector<int> out;
  for (const auto& e : events_)
    if (e.kind == Event::Log) out.push_back(e.value);
  return out;
}

std::vector<int> ComponentFixture::Errors() const {
  std::vector<int> out;
  for (const auto& e : events_)
    if (e.kind == Event::Error) out.push_back(e.value);
  return out;
}

std::string ComponentFixture::Trace() const {
  std::string all = "events:";
  for (const auto& e : events_) all += " " + std::to_string(e.kind) + ":" + std::to_string(e.value);
  all += "\ncommands:\n";
  if (modem_)
    for (const std::string& c : modem_->Commands()) all += c + "\n";
  return all;
}

bool ComponentFixture::CommandSeen(const std::string& text) const {
  for (const std::string& c : modem_->Commands())
    if (c.find(text) != std::string::npos) return true;
  return false;
}

std::vector<std::string> ComponentFixture::FilesStartingWith(const std::string& dir, const std::string& prefix) {
  std::vector<std::string> out;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) == 0) out.push_back(name);
  }
  return out;
}

}  // namespace telvane::test
