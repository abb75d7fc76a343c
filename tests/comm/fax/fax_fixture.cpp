// Shared pieces of the fax engine tests.
#include "tests/comm/fax/fax_fixture.h"

#include "faxdoc/apf_writer.h"
#include "faxdoc/t4_encoder.h"

namespace telvane::test {

void RecordingOwner::FaxNext(std::string& phone, std::string& faxFile, std::string& coverFile) {
  if (duringNext) duringNext();
  if (nextAsked < faxes.size()) std::tie(phone, faxFile, coverFile) = faxes[nextAsked];
  ++nextAsked;
}

void RecordingOwner::FaxStatus(FaxStatusKind kind, int progress) {
  status.push_back(progress);
  kinds.push_back(kind);
}

bool RecordingOwner::SawProgress(int code) const {
  for (int s : status)
    if (s == code) return true;
  return false;
}

std::vector<int> RecordingOwner::Progress() const {
  std::vector<int> out;
  for (int s : status)
    if (out.empty() || out.back() != s) out.push_back(s);
  return out;
}

FaxTest::FaxTest() {
  port.SetManualDispatch(true);
  port.SetDevicePath("/dev/fakemodem");
  port.SetOutSize(8192);
  port.SetOpen(true);
}

FaxTest::~FaxTest() = default;

void FaxTest::Watch(FaxEngine& engine) {
  engine.OnStateChange = [this](int s) {
    visited.insert(s);
    path.push_back(s);
  };
}

void FaxTest::RunToEnd(FaxEngine& engine, int maxTicks) {
  bool done = drive.RunUntil([&] { return engine.Finished(); }, maxTicks);
  if (!done) {
    std::string trail;
    for (int s : path) trail += std::to_string(s) + " ";
    ADD_FAILURE() << "engine did not finish; state " << engine.State() << " (" << engine.StateName(engine.State())
                  << "), script waits for " << testing::PrintToString(line->NextExpected()) << "; states: " << trail;
  }
}

int FaxTest::CountWritten(const std::string& what) const {
  std::string w = line->Written();
  int n = 0;
  for (std::size_t at = w.find(what); at != std::string::npos; at = w.find(what, at + what.size())) ++n;
  return n;
}

std::string FaxTest::Rsp(const std::string& lines) {
  std::string out;
  std::size_t start = 0;
  while (start <= lines.size()) {
    std::size_t end = lines.find('\n', start);
    if (end == std::string::npos) end = lines.size();
    out += "\r\n" + lines.substr(start, end - start) + "\r\n";
    start = end + 1;
  }
  return out;
}

std::vector<std::uint8_t> BarLine(int x0, int x1, int width) {
  std::vector<std::uint8_t> raster(static_cast<std::size_t>(width) / 8, 0);
  for (int x = x0; x < x1 && x < width; ++x) raster[static_cast<std::size_t>(x) / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
  return raster;
}

void MakeApf(const std::string& fileName, int pages, std::vector<bool> fine) {
  ApfWriter w;
  ASSERT_EQ(w.Create(fileName), 0);
  for (int p = 0; p < pages; ++p) {
    ASSERT_EQ(w.BeginPage(p < static_cast<int>(fine.size()) && fine[static_cast<std::size_t>(p)], false), 0);
    for (int l = 0; l < p + 2; ++l) {
      auto coded = EncodeRasterLine(BarLine(100 * p + 10 * l, 100 * p + 10 * l + 50).data(), 1728);
      ASSERT_EQ(w.AddLine(coded.data(), coded.size()), 0);
    }
    ASSERT_EQ(w.EndPage(), 0);
  }
  ASSERT_EQ(w.Finish("TEST"), 0);
}

void MakeApfWithLines(const std::string& fileName, const std::vector<std::vector<std::uint8_t>>& lines, bool fine) {
  ApfWriter w;
  ASSERT_EQ(w.Create(fileName), 0);
  ASSERT_EQ(w.BeginPage(fine, false), 0);
  for (const auto& l : lines) ASSERT_EQ(w.AddLine(l.data(), l.size()), 0);
  ASSERT_EQ(w.EndPage(), 0);
  ASSERT_EQ(w.Finish("TEST"), 0);
}

}  // namespace telvane::test
