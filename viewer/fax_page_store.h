// The pages of the fax file a viewer shows: the page table, unpacking pages
// on demand through the fax unpacker, and turning them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "faxdoc/bitmap.h"
#include "faxdoc/fax_unpacker.h"

namespace telvane {

class FaxPageStore {
 public:
  // Settings passed to the unpacker for every page.
  TApdFaxUnpacker& Unpacker() { return unpacker_; }
  // Called with true before a page is unpacked and with false after.
  std::function<void(bool busy)> Busy;

  // Opens a file: -2 when it does not exist, -8001 when it is not an APF
  // file, or the unpacker's error for the first page (or any page with
  // `wholeFax`). On an error the store is left closed.
  int Open(const std::string& fileName, bool wholeFax);
  void Close();
  // Frees every page bitmap, so that pages are unpacked again with the
  // unpacker's current settings.
  void Reload();

  bool IsOpen() const { return !fileName_.empty(); }
  const std::string& FileName() const { return fileName_; }
  unsigned NumPages() const { return static_cast<unsigned>(pages_.size()); }
  bool WholeFax() const { return wholeFax_; }

  // Makes page n (1-based) available turned by `rotation` quarter turns:
  // without whole-fax loading, all other pages are freed first, so that one
  // page at most is held. 0, the unpacker's error, or -8 when memory for the
  // turn runs out.
  int Load(unsigned page, int rotation);
  // Turns every page in memory by `quarterTurns` more. 0 or -8.
  int Turn(int quarterTurns);

  // Page n's bitmap (null when not in memory) and size (0 until unpacked).
  const Bitmap& PageBitmap(unsigned page) const { return pages_.at(page - 1); }
  // Flags of page n's page header (0 when they cannot be read).
  uint16_t PageFlags(unsigned page) const;
  // Pages currently held in memory.
  unsigned PagesInMemory() const;

 private:
  int Unpack(unsigned page, int rotation);

  TApdFaxUnpacker unpacker_;
  std::string fileName_;
  std::vector<Bitmap> pages_;
  bool wholeFax_ = false;
};

}  // namespace telvane
