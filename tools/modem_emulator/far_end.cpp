// Far-end descriptions from text, and the pages a calling far end sends.
#include "tools/modem_emulator/far_end.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "faxdoc/apf_page_reader.h"
#include "faxdoc/apf_writer.h"
#include "faxdoc/t4_encoder.h"

namespace telvane::emu {
namespace {

std::string Trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return {};
  size_t b = s.find_last_not_of(" \t\r\n");
  return s.substr(a, b - a + 1);
}

bool ToInt(const std::string& s, long long& out) {
  if (s.empty() || s.size() > 12) return false;
  size_t i = s[0] == '-' ? 1 : 0;
  if (i == s.size()) return false;
  long long n = 0;
  for (; i < s.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    n = n * 10 + (s[i] - '0');
  }
  out = s[0] == '-' ? -n : n;
  return true;
}

// "a:b:c" or "axb" into numbers.
bool Fields(const std::string& s, char sep, std::vector<long long>& out) {
  size_t pos = 0;
  for (;;) {
    size_t next = s.find(sep, pos);
    long long n;
    if (!ToInt(s.substr(pos, next == std::string::npos ? std::string::npos : next - pos), n)) return false;
    out.push_back(n);
    if (next == std::string::npos) return true;
    pos = next + 1;
  }
}

bool PageCount(const std::string& value, std::map<int, int>& into) {
  std::vector<long long> f;
  if (!Fields(value, 'x', f) || f.size() > 2 || f[0] < 1) return false;
  into[static_cast<int>(f[0])] = f.size() == 2 ? static_cast<int>(f[1]) : 1;
  return true;
}

bool Setting(const std::string& key, const std::string& value, FarEnd& fe) {
  long long n = 0;
  std::vector<long long> f;
  if (key == "dial") {
    if (value == "answer") fe.dialResult = FarEnd::DialResult::kFaxAnswers;
    else if (value == "busy") fe.dialResult = FarEnd::DialResult::kBusy;
    else if (value == "no-dialtone") fe.dialResult = FarEnd::DialResult::kNoDialTone;
    else if (value == "voice") fe.dialResult = FarEnd::DialResult::kVoice;
    else if (value == "no-answer") fe.dialResult = FarEnd::DialResult::kNoAnswer;
    else return false;
    return true;
  }
  if (key == "id") return fe.stationId = value, value.size() <= 20;
  if (key == "caller-id") return fe.callerId = value, value.size() <= 20;
  if (key == "caps") return fe.capabilities.Apply(value);
  if (key == "caller-params") return fe.callerParams.Apply(value);
  if (key == "refuse") return PageCount(value, fe.refusePage);
  if (key == "garble") return PageCount(value, fe.garblePage);
  if (key == "copy-check") return ToInt(value, n) && (fe.checkCopyQuality = n != 0, true);
  if (key == "call") {
    if (value == "fax") fe.callKind = FarEnd::CallKind::kFax;
    else if (value == "data") fe.callKind = FarEnd::CallKind::kData;
    else if (value == "voice") fe.callKind = FarEnd::CallKind::kVoice;
    else return false;
    return true;
  }
  if (key == "rings") return ToInt(value, n) && n >= 1 && (fe.rings = static_cast<int>(n), true);
  if (key == "pages") {
    if (!ToInt(value, n) || n < 0 || n > 99) return false;
    fe.pages.clear();
    for (int p = 1; p <= n; ++p) fe.pages.push_back(EncodePage(TestPageRasters(p, 120), p % 2 == 0));
    return true;
  }
  if (key == "pages-file") return LoadApfPages(value, fe.pages) == 0;
  if (key == "drop") {
    if (!Fields(value, ':', f) || f.size() < 2 || f.size() > 3 || f[0] < 1 || f[1] < 0) return false;
    fe.dropInPage = static_cast<int>(f[0]);
    fe.dropAfterBytes = static_cast<size_t>(f[1]);
    if (f.size() == 3) fe.dropCode = static_cast<int>(f[2]);
    return true;
  }
  if (key == "hangup") {
    if (!Fields(value, ':', f) || f.size() > 2 || f[0] < -1) return false;
    fe.hangUpAfterPage = static_cast<int>(f[0]);
    if (f.size() == 2) fe.hangUpCode = static_cast<int>(f[1]);
    return true;
  }
  auto ms = [&](int& field) { return ToInt(value, n) && n >= 0 && n <= 60000 && (field = static_cast<int>(n), true); };
  if (key == "ring-interval-ms") return ms(fe.ringIntervalMs);
  if (key == "dial-delay-ms") return ms(fe.dialDelayMs);
  if (key == "answer-delay-ms") return ms(fe.answerDelayMs);
  if (key == "phase-delay-ms") return ms(fe.phaseDelayMs);
  if (key == "page-time-ms") return ms(fe.pageTimeMs);
  if (key == "line-rate") return ToInt(value, n) && n >= 0 && n <= 1000000 && (fe.lineRate = static_cast<int>(n), true);
  if (key == "silent-after") return fe.silentAfter = value, !value.empty();
  if (key == "garbage-after") return fe.garbageAfter = value, !value.empty();
  return false;
}

void SetPixels(std::vector<uint8_t>& line, int from, int to) {
  for (int x = from; x < to; ++x) line[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
}

// A line of pseudo-random runs whose coding holds several DLE bytes (and so
// exercises the DLE doubling of both directions): the first candidate from
// `seed` on that does.
std::vector<uint8_t> DleLine(int seed, int width) {
  for (uint32_t k = static_cast<uint32_t>(seed) * 7919u;; ++k) {
    std::vector<uint8_t> line(static_cast<size_t>(width / 8), 0);
    uint32_t r = k * 2654435761u + 1;
    bool black = false;
    for (int x = 0; x < width;) {
      r = r * 1103515245u + 12345u;
      int run = 1 + static_cast<int>((r >> 16) % 23);
      if (black) SetPixels(line, x, std::min(x + run, width));
      x += run;
      black = !black;
    }
    std::vector<uint8_t> coded = EncodeRasterLine(line.data(), width);
    if (std::count(coded.begin(), coded.end(), 0x10) >= 3) return line;
  }
}

}  // namespace

bool ParseFarEnd(const std::string& text, FarEnd& out, std::string& error) {
  std::string item;
  auto flush = [&]() -> bool {
    std::string s = Trim(item);
    item.clear();
    if (s.empty()) return true;
    size_t eq = s.find('=');
    if (eq == std::string::npos) {
      error = "expected key=value: " + s;
      return false;
    }
    std::string key = Trim(s.substr(0, eq));
    std::string value = Trim(s.substr(eq + 1));
    if (!Setting(key, value, out)) {
      error = "bad far-end setting: " + s;
      return false;
    }
    return true;
  };
  bool comment = false;
  for (char c : text) {
    if (c == '\n' || (c == ';' && !comment)) {  // a comment runs to the end of its line
      comment = false;
      if (!flush()) return false;
    } else if (c == '#') {
      comment = true;
    } else if (!comment) {
      item += c;
    }
  }
  return flush();
}

std::vector<std::vector<uint8_t>> TestPageRasters(int pageNumber, int lines, int width) {
  std::vector<std::vector<uint8_t>> page;
  const int bytes = width / 8;
  for (int y = 0; y < lines; ++y) {
    std::vector<uint8_t> line(bytes, 0);
    // A different stripe period per page, a block whose position moves down
    // the page, a black border, and a mark that counts the page.
    int period = 3 + pageNumber * 2;
    if ((y / period) % 2 == 0) SetPixels(line, 40 + y % 97, 300 + (y * pageNumber) % 211);
    if (y % 16 < 8) SetPixels(line, 600 + (y * 7) % 400, 1000 + (y * 3) % 300);
    for (int k = 0; k < pageNumber; ++k) SetPixels(line, 1200 + k * 40, 1220 + k * 40);
    SetPixels(line, 0, 1);
    SetPixels(line, width - 2, width);
    if (y % 29 == 5) line.assign(bytes, 0xFF);  // all black
    if (y % 11 == 3) line = DleLine(pageNumber * 1000 + y, width);
    page.push_back(std::move(line));
  }
  return page;
}

FaxPage EncodePage(const std::vector<std::vector<uint8_t>>& rasters, bool fine, int width) {
  FaxPage page;
  page.fine = fine;
  page.wide = width == kWideWidth;
  for (const auto& line : rasters) {
    std::vector<uint8_t> coded = EncodeRasterLine(line.data(), width);
    page.data.insert(page.data.end(), coded.begin(), coded.end());
  }
  page.data.insert(page.data.end(), std::begin(kEndOfPageRecord), std::end(kEndOfPageRecord));
  return page;
}

int WriteTestApf(const std::string& fileName, const std::vector<int>& pageNumbers, int lines) {
  ApfWriter w;
  if (int rc = w.Create(fileName)) return rc;
  for (int p : pageNumbers) {
    if (int rc = w.BeginPage(false, false)) return rc;
    for (const auto& line : TestPageRasters(p, lines)) {
      const std::vector<uint8_t> coded = EncodeRasterLine(line.data(), kNormalWidth);
      if (int rc = w.AddLine(coded.data(), coded.size())) return rc;
    }
    if (int rc = w.EndPage()) return rc;
  }
  return w.Finish("TEST PAGES");
}

int LoadApfPages(const std::string& fileName, std::vector<FaxPage>& pages) {
  pages.clear();
  ApfPageReader reader;
  int rc = reader.Open(fileName, 1);
  if (rc < 0) return rc;
  const unsigned count = reader.FileHeader().PageCount;
  for (unsigned p = 1; p <= count; ++p) {
    if (p > 1 && (rc = reader.OpenNextPage()) < 0) return rc;
    const uint16_t flags = reader.PageHeader().PageFlags;
    const int width = (flags & pfWide) ? kWideWidth : kNormalWidth;
    std::vector<std::vector<uint8_t>> rasters;
    std::vector<uint8_t> line;
    while ((rc = reader.ReadLine(line)) == 1) rasters.push_back(line);
    if (rc < 0) return rc;
    pages.push_back(EncodePage(rasters, (flags & pfHighRes) != 0, width));
  }
  return 0;
}

}  // namespace telvane::emu
