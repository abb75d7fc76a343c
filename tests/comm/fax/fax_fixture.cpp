// Shared pieces of the fax engine tests.
#include "tests/comm/fax/fax_fixture.h"

#include "faxdoc/apf_writer.h"
#include "faxdoc/page_lines.h"
#include "comm/fax/page_transmitter.h"
#include "faxdoc/t4_encoder.h"

namespace telvane::test {

namespace {

// Bit order reversed, independently of the engine's own table.
std::uint8_t Reverse(std::uint8_t b) {
  std::uint8_t r = 0;
  for (int i = 0; i < 8; ++i)
    if (b & (1 << i)) r |= static_cast<std::uint8_t>(0x80 >> i);
  return r;
}

}  // namespace

int CountIn(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
  return n;
}

void ScriptClass2SendSetup(FakeLine& line) {
  line.Expect("AT+FCLASS=2\r", FaxTest::Rsp("OK"));
  line.Expect("AT+FLID=", FaxTest::Rsp("OK"));
  line.Expect("AT+FDCC=", FaxTest::Rsp("OK"));
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

void FaxTest::Run(FaxEngine& engine, int maxTicks) {
  ASSERT_EQ(engine.Start(), 0);
  RunToEnd(engine, maxTicks);
  EXPECT_TRUE(line->ScriptDone()) << testing::PrintToString(line->NextExpected());
}

std::unique_ptr<FaxSender> FaxTest::MakeSender(TFaxClass c, const std::string& stationId, int desiredBps) {
  auto s = std::make_unique<FaxSender>(port, owner);
  s->Session().faxClass = c;
  s->Session().SetStationId(stationId);
  s->Session().desiredBps = desiredBps;
  Watch(*s);
  return s;
}

std::unique_ptr<FaxReceiver> FaxTest::MakeReceiver(TFaxClass c, int desiredBps) {
  auto r = std::make_unique<FaxReceiver>(port, owner);
  r->Session().faxClass = c;
  r->Session().SetStationId("Here");
  r->Session().desiredBps = desiredBps;
  r->Session().oneFax = true;
  r->Session().pageTimeout = 200;
  owner.receiveName = dir.File("in.apf");
  Watch(*r);
  return r;
}

std::string FaxTest::QueueApf(const std::string& name, int pages, std::vector<bool> fine, const std::string& cover) {
  std::string file = dir.File(name);
  MakeApf(file, pages, std::move(fine));
  QueueFax(file, cover);
  return file;
}

void FaxTest::ExpectPages(std::initializer_list<const WirePage*> pages) {
  auto got = ReadApfPages(owner.receiveName);
  ASSERT_EQ(got.size(), pages.size());
  std::size_t i = 0;
  for (const WirePage* p : pages) EXPECT_EQ(got[i++], p->rasters) << "page " << i;
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

std::string Stuffed(const std::string& file, unsigned p) {
  ApfPageLines lines;
  EXPECT_EQ(lines.Open(file, p), 0);
  std::vector<std::uint8_t> l;
  std::string out;
  while (lines.Next(l) == 1) AppendStuffed(out, l.data(), l.size(), 0);
  return out;
}

std::string WirePage::Wire(bool reversed) const {
  std::string out;
  for (char c : stored) {
    auto b = static_cast<std::uint8_t>(c);
    if (reversed) b = Reverse(b);
    out += static_cast<char>(b);
    if (b == 0x10) out += '\x10';
  }
  return out + kDleEtx;
}

WirePage MakePage(int seed, int lines, int shift, int step, int length) {
  WirePage p;
  for (int l = 0; l < lines; ++l) {
    const int x0 = shift * seed + step * l;
    auto raster = BarLine(x0, x0 + length + seed);
    auto coded = EncodeRasterLine(raster.data(), 1728);
    p.stored.append(coded.begin(), coded.end());
    p.rasters.push_back(raster);
  }
  p.stored.append(reinterpret_cast<const char*>(kEndOfPageRecord), sizeof kEndOfPageRecord);
  return p;
}

}  // namespace telvane::test
