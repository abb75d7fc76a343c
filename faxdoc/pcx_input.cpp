// Reads monochrome PCX images, alone or as the pages of a DCX file, line by
// line for the converter.
#include "faxdoc/pcx_input.h"

#include <algorithm>
#include <cstring>

#include "faxdoc/converter_engine.h"
#include "base/error_codes.h"
#include "faxdoc/image_placement.h"

namespace telvane {

int PcxImageReader::Start(ImageFileReader& file, uint64_t dataBytes, int lineWidth) {
  uint8_t raw[kPcxHeaderSize];
  if (int rc = file.Read(raw, sizeof raw)) return rc;
  header_ = PcxHeader::Unpack(raw);
  const PcxHeader& h = header_;
  if (h.Manufacturer != kPcxManufacturer || h.Encoding != kPcxEncodingRle || h.BitsPerPixel != 1)
    return ecBadGraphicsFormat;
  // Several planes of 1 bit are a colour image; a line of no bytes, or a
  // frame whose right or bottom edge lies before its left or top, is no image.
  if (h.Planes != 1 || h.BytesPerLine == 0 || h.XMax < h.XMin || h.YMax < h.YMin) return ecBadGraphicsFormat;
  if (h.XMax - h.XMin > lineWidth) return ecBadGraphicsFormat;
  remaining_ = dataBytes;
  lines_ = 0;
  pendingCount_ = 0;
  return 0;
}

size_t PcxImageReader::WidthBytes() const { return std::min<size_t>((Width() + 7) / 8, kRasterBytes); }

int PcxImageReader::ReadLine(ImageFileReader& file, uint8_t* row, bool& endOfImage, uint64_t& consumed) {
  consumed = 0;
  endOfImage = lines_ >= header_.Height() || (remaining_ == 0 && pendingCount_ == 0);
  if (endOfImage) return 0;
  ++lines_;
  const size_t keep = WidthBytes();
  std::memset(row, 0, keep);
  // A set bit is white in PCX: every data byte is inverted.
  size_t done = 0;
  const size_t lineBytes = header_.BytesPerLine;
  while (done < lineBytes) {
    if (pendingCount_ > 0) {
      const size_t n = std::min<size_t>(pendingCount_, lineBytes - done);
      for (size_t i = 0; i < n; ++i, ++done)
        if (done < keep) row[done] = static_cast<uint8_t>(~pendingByte_);
      pendingCount_ -= static_cast<unsigned>(n);
      continue;
    }
    if (remaining_ == 0) break;  // data ends inside the line: the rest is white
    uint8_t b;
    if (int rc = file.ReadByte(b)) return rc;
    --remaining_;
    ++consumed;
    if ((b & kPcxRunFlag) == kPcxRunFlag) {
      if (remaining_ == 0) break;
      uint8_t value;
      if (int rc = file.ReadByte(value)) return rc;
      --remaining_;
      ++consumed;
      const unsigned count = b & kPcxMaxRun;
      if (header_.Version < kPcxVersion4 && done + count > (Width() + 7) / 8) {
        // Writers before version 4 never ran a run past the image width:
        // such a run is not image data, so it is skipped and its bytes are
        // left white; nothing of it goes on into the next line.
        done += count;
        continue;
      }
      pendingCount_ = count;
      pendingByte_ = value;
    } else {
      if (done < keep) row[done] = static_cast<uint8_t>(~b);
      ++done;
    }
  }
  // Pixels right of the image (line padding) are white.
  if ((Width() + 7) / 8 <= kRasterBytes) row[keep - 1] &= LastByteMask(Width());
  return 0;
}

int PcxInput::Open(FaxConverterState& state, const std::string& inputName) {
  if (int rc = file_.Open(inputName)) return rc;
  if (file_.Size() < kPcxHeaderSize) return ecBadGraphicsFormat;
  const uint64_t dataBytes = file_.Size() - kPcxHeaderSize;
  if (int rc = image_.Start(file_, dataBytes, state.LineWidth)) return rc;
  state.BytesRead = 0;
  state.BytesToRead = dataBytes;
  ApplyImagePlacement(state, image_.Width());
  row_.assign(kRasterBytes, 0);
  return 0;
}

int PcxInput::GetRasterLine(FaxConverterState& state, uint8_t* raster, size_t& length, bool& endOfPage,
                            bool& morePages) {
  morePages = false;
  uint64_t consumed = 0;
  if (int rc = image_.ReadLine(file_, row_.data(), endOfPage, consumed)) return rc;
  state.BytesRead += consumed;
  length = image_.WidthBytes();
  if (!endOfPage) PlaceRow(state, row_.data(), length, raster);
  return 0;
}

void PcxInput::Close(FaxConverterState&) { file_.Close(); }

int DcxInput::Open(FaxConverterState& state, const std::string& inputName) {
  if (int rc = file_.Open(inputName)) return rc;
  const uint64_t fileSize = file_.Size();
  if (fileSize < 4) return ecBadGraphicsFormat;
  // The offset table may be cut short by a small file; what is there counts.
  std::vector<uint8_t> header(static_cast<size_t>(std::min<uint64_t>(fileSize, kDcxHeaderSize)));
  if (int rc = file_.Read(header.data(), header.size())) return rc;
  auto get32 = [&header](size_t at) {
    return uint32_t{header[at]} | (uint32_t{header[at + 1]} << 8) | (uint32_t{header[at + 2]} << 16) |
           (uint32_t{header[at + 3]} << 24);
  };
  if (get32(0) != kDcxMagic) return ecBadGraphicsFormat;
  offsets_.clear();
  for (size_t at = 4; at + 4 <= header.size(); at += 4) {
    const uint32_t offset = get32(at);
    if (offset == 0) break;
    offsets_.push_back(offset);
  }
  if (offsets_.empty()) return ecBadGraphicsFormat;

  // A page runs to the next higher offset, the last one to the end of the file.
  std::vector<uint64_t> sorted(offsets_.begin(), offsets_.end());
  sorted.push_back(fileSize);
  std::sort(sorted.begin(), sorted.end());
  sizes_.clear();
  uint64_t dataBytes = 0;
  for (uint32_t offset : offsets_) {
    if (offset >= fileSize) return ecBadGraphicsFormat;
    const uint64_t next = *std::upper_bound(sorted.begin(), sorted.end(), uint64_t{offset});
    const uint64_t size = next - offset;
    if (size < kPcxHeaderSize) return ecBadGraphicsFormat;
    sizes_.push_back(size);
    dataBytes += size - kPcxHeaderSize;
  }
  state.BytesRead = 0;
  state.BytesToRead = dataBytes;
  row_.assign(kRasterBytes, 0);
  return OpenPage(state, 0);
}

int DcxInput::OpenPage(FaxConverterState& state, size_t page) {
  page_ = page;
  if (int rc = file_.Seek(offsets_[page])) return rc;
  if (int rc = image_.Start(file_, sizes_[page] - kPcxHeaderSize, state.LineWidth)) return rc;
  ApplyImagePlacement(state, image_.Width());
  return 0;
}

int DcxInput::GetRasterLine(FaxConverterState& state, uint8_t* raster, size_t& length, bool& endOfPage,
                            bool& morePages) {
  uint64_t consumed = 0;
  if (int rc = image_.ReadLine(file_, row_.data(), endOfPage, consumed)) return rc;
  state.BytesRead += consumed;
  length = image_.WidthBytes();
  morePages = page_ + 1 < offsets_.size();
  if (!endOfPage) {
    PlaceRow(state, row_.data(), length, raster);
    return 0;
  }
  return morePages ? OpenPage(state, page_ + 1) : 0;
}

void DcxInput::Close(FaxConverterState&) { file_.Close(); }

}  // namespace telvane
