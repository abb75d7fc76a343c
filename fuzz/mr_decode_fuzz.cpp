// Fuzz target for the T.4 two-dimensional decoder: the first byte picks the
// line width, the rest is page data. Whatever it decodes, the counters must
// agree with the rows delivered, and the rows coded again must decode to
// themselves with no bad line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "faxdoc/t4_mr_encoder.h"
#include "faxdoc/t4_mr_page.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace telvane;
  if (size == 0) return 0;
  const int width = data[0] == 0 ? 1728 : data[0] == 1 ? 2048 : data[0] * 7;
  const MrDecodedPage page = DecodeMrPage(data + 1, size - 1, width);
  if (page.badLines > page.rows.size()) std::abort();
  for (const auto& row : page.rows) {
    if (row.size() != (static_cast<size_t>(width) + 7) / 8) std::abort();
  }
  const std::vector<uint8_t> again = EncodeMrPage(page.rows, {width, data[0] & 1 ? kMrKStandard : kMrKFine, 0});
  const MrDecodedPage back = DecodeMrPage(again.data(), again.size(), width);
  if (back.badLines != 0 || back.rows != page.rows) std::abort();
  return 0;
}
