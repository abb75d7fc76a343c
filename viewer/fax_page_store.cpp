#include "viewer/fax_page_store.h"

#include <filesystem>
#include <new>

#include "faxdoc/apf_file.h"
#include "base/exceptions.h"
#include "viewer/page_bitmap_ops.h"

namespace telvane {

int FaxPageStore::Open(const std::string& fileName, bool wholeFax) {
  Close();
  std::error_code ec;
  if (fileName.empty() || !std::filesystem::is_regular_file(fileName, ec)) return ecFileNotFound;
  if (!IsApfFile(fileName)) return ecFaxBadFormat;
  fileName_ = fileName;
  wholeFax_ = wholeFax;
  unpacker_.SetInFileName(fileName);
  const unsigned count = unpacker_.PageCountOf();
  if (count == 0) {  // a header that cannot be read, or a file without pages
    Close();
    return ecFaxBadFormat;
  }
  pages_.resize(count);
  for (unsigned page = 1; page <= (wholeFax ? count : 1); ++page) {
    if (const int rc = Unpack(page, 0); rc != ecOK) {
      Close();
      return rc;
    }
  }
  return ecOK;
}

void FaxPageStore::Close() {
  pages_.clear();
  pages_.shrink_to_fit();
  fileName_.clear();
}

void FaxPageStore::Reload() {
  for (auto& p : pages_) p = Bitmap();
}

int FaxPageStore::Unpack(unsigned page, int rotation) {
  if (Busy) Busy(true);
  int rc = ecOK;
  try {
    Bitmap bits = unpacker_.PageToBitmap(page);
    if (bits.IsNull()) {
      rc = ecFaxBadFormat;
    } else {
      if (rotation & 3) bits = TurnBitmap(bits, rotation);
      pages_[page - 1] = std::move(bits);
    }
  } catch (const EAPDException& e) {
    rc = e.ErrorCode();
  } catch (const std::bad_alloc&) {
    rc = ecOutOfMemory;
  }
  if (Busy) Busy(false);
  return rc;
}

int FaxPageStore::Load(unsigned page, int rotation) {
  if (page < 1 || page > pages_.size()) return ecBadArgument;
  if (!pages_[page - 1].IsNull()) return ecOK;
  if (!wholeFax_)
    for (auto& p : pages_) p = Bitmap();
  return Unpack(page, rotation);
}

int FaxPageStore::Turn(int quarterTurns) {
  if ((quarterTurns & 3) == 0) return ecOK;
  try {
    for (auto& p : pages_)
      if (!p.IsNull()) p = TurnBitmap(p, quarterTurns);
  } catch (const std::bad_alloc&) {
    return ecOutOfMemory;
  }
  return ecOK;
}

uint16_t FaxPageStore::PageFlags(unsigned page) const {
  ApfPageHeader header;
  if (!IsOpen() || page < 1 || GetPageHeader(fileName_, page, header) != ecOK) return 0;
  return header.PageFlags;
}

unsigned FaxPageStore::PagesInMemory() const {
  unsigned n = 0;
  for (const auto& p : pages_) n += !p.IsNull();
  return n;
}

}  // namespace telvane
