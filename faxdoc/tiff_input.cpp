// Reads the first image of a TIFF file row by row for the converter.
#include "faxdoc/tiff_input.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "faxdoc/converter_engine.h"
#include "base/error_codes.h"
#include "faxdoc/bit_order.h"
#include "faxdoc/image_placement.h"

namespace telvane {

int TiffInput::Open(FaxConverterState& state, const std::string& inputName) {
  if (int rc = file_.Open(inputName)) return rc;
  uint8_t header[kTiffHeaderSize];
  if (int rc = file_.Read(header, sizeof header)) return rc;
  if (header[0] == kTiffLittleEndianMark && header[1] == kTiffLittleEndianMark)
    order_ = TiffByteOrder::LittleEndian;
  else if (header[0] == kTiffBigEndianMark && header[1] == kTiffBigEndianMark)
    order_ = TiffByteOrder::BigEndian;
  else
    return ecBadGraphicsFormat;
  const uint32_t directory = TiffGet32(header + 4, order_);
  if (directory >= 1)
    if (int rc = file_.Seek(directory)) return rc;
  if (int rc = ReadDirectory()) return rc;

  if (width_ == 0 || length_ == 0 || stripOffsets_.empty()) return ecBadGraphicsFormat;
  if (bitsPerSample_ != 1 || samplesPerPixel_ != 1) return ecBadGraphicsFormat;
  if (compression_ != kTiffCompressionNone && compression_ != kTiffCompressionPackBits) return ecBadGraphicsFormat;
  if (rowsPerStrip_ == 0 || rowsPerStrip_ > length_) rowsPerStrip_ = length_;
  // Byte counts only bound the strips when there is one for every strip.
  if (stripByteCounts_.size() != stripOffsets_.size()) stripByteCounts_.clear();

  bytesPerRow_ = (uint64_t{width_} + 7) / 8;
  lastByteMask_ = LastByteMask(width_);
  row_.assign(static_cast<size_t>(std::min<uint64_t>(bytesPerRow_, kRasterBytes)), 0);
  state.BytesRead = 0;
  state.BytesToRead = bytesPerRow_ * length_;
  ApplyImagePlacement(state, width_);
  rowsDelivered_ = 0;
  return StartStrip(0);
}

int TiffInput::ReadDirectory() {
  uint8_t countBytes[2];
  if (int rc = file_.Read(countBytes, 2)) return rc;
  const unsigned entries = TiffGet16(countBytes, order_);
  TiffEntry offsets, byteCounts;
  bool haveOffsets = false, haveByteCounts = false;
  for (unsigned i = 0; i < entries; ++i) {
    uint8_t raw[kTiffEntrySize];
    if (int rc = file_.Read(raw, sizeof raw)) return rc;
    const TiffEntry e = TiffEntry::Unpack(raw, order_);
    const uint32_t value = e.FirstValue(order_);
    switch (e.Tag) {
      case kTiffTagImageWidth: width_ = value; break;
      case kTiffTagImageLength: length_ = value; break;
      // A list of bits per sample (one per sample) means more than one sample.
      case kTiffTagBitsPerSample: bitsPerSample_ = e.Count == 1 ? value : 0; break;
      case kTiffTagSamplesPerPixel: samplesPerPixel_ = value; break;
      case kTiffTagCompression: compression_ = value; break;
      case kTiffTagPhotometric: photometric_ = value; break;
      case kTiffTagFillOrder: fillOrder_ = value; break;
      case kTiffTagRowsPerStrip: rowsPerStrip_ = value; break;
      case kTiffTagStripOffsets: offsets = e; haveOffsets = true; break;
      case kTiffTagStripByteCounts: byteCounts = e; haveByteCounts = true; break;
      default: break;
    }
  }
  if (haveOffsets)
    if (int rc = ReadValueList(offsets, stripOffsets_)) return rc;
  if (haveByteCounts)
    if (int rc = ReadValueList(byteCounts, stripByteCounts_)) return rc;
  return 0;
}

// The values of a SHORT or LONG list, each read at its own size, from the
// entry itself when they fit in 4 bytes, else from the value offset.
int TiffInput::ReadValueList(const TiffEntry& e, std::vector<uint32_t>& values) {
  values.clear();
  if (e.Type != kTiffTypeShort && e.Type != kTiffTypeLong) return ecBadGraphicsFormat;
  if (e.Count == 0) return 0;
  const size_t size = TiffTypeSize(e.Type);
  // Every value must be in the file: a count larger than the file is malformed.
  if (e.DataSize() > file_.Size()) return ecBadGraphicsFormat;
  std::vector<uint8_t> raw(static_cast<size_t>(e.DataSize()));
  if (e.InPlace()) {
    std::memcpy(raw.data(), e.Value, raw.size());
  } else {
    if (int rc = file_.Seek(e.Offset(order_))) return rc;
    if (int rc = file_.Read(raw.data(), raw.size())) return rc;
  }
  values.resize(e.Count);
  for (size_t i = 0; i < e.Count; ++i)
    values[i] = size == 2 ? TiffGet16(&raw[i * 2], order_) : TiffGet32(&raw[i * 4], order_);
  return 0;
}

int TiffInput::StartStrip(size_t strip) {
  strip_ = strip;
  const uint32_t remaining = length_ - rowsDelivered_;
  // The last strip holds whatever rows are left.
  rowsInStrip_ = strip + 1 == stripOffsets_.size() ? remaining : std::min(rowsPerStrip_, remaining);
  rowInStrip_ = 0;
  stripEnd_ = stripByteCounts_.empty() ? std::numeric_limits<uint64_t>::max()
                                       : uint64_t{stripOffsets_[strip]} + stripByteCounts_[strip];
  return file_.Seek(stripOffsets_[strip]);
}

// Reads one row into row_ (set bit = black), keeping its first 4096 bytes.
// A row that passes the end of its strip (by the strip's byte count) or of
// the file makes the image malformed.
int TiffInput::ReadRow() {
  std::fill(row_.begin(), row_.end(), uint8_t{0});
  const size_t keep = row_.size();
  uint64_t done = 0;
  auto put = [&](uint8_t b) {
    if (done < keep) row_[static_cast<size_t>(done)] = b;
    ++done;
  };
  const bool inverted = photometric_ != kTiffPhotometricWhiteIsZero;
  // Every byte of the row, control bytes and data alike, comes from the strip.
  auto next = [&](uint8_t& b) { return file_.Position() < stripEnd_ ? file_.ReadByte(b) : ecBadGraphicsFormat; };
  uint8_t b;
  if (compression_ == kTiffCompressionNone) {
    while (done < bytesPerRow_) {
      if (int rc = next(b)) return rc;
      put(b);
    }
  } else {
    // PackBits: n < 128 copies n + 1 bytes, n > 128 repeats the next byte
    // 257 - n times, 128 does nothing. A run that passes the end of the row
    // is cut there.
    while (done < bytesPerRow_) {
      uint8_t n;
      if (int rc = next(n)) return rc;
      if (n < 128) {
        for (unsigned i = 0; i <= n; ++i) {
          if (int rc = next(b)) return rc;
          if (done < bytesPerRow_) put(b);
        }
      } else if (n > 128) {
        if (int rc = next(b)) return rc;
        for (unsigned i = 0; i < 257u - n && done < bytesPerRow_; ++i) put(b);
      }
    }
  }
  if (fillOrder_ == 2)
    for (uint8_t& b : row_) b = ReverseBits(b);
  if (inverted)
    for (uint8_t& b : row_) b = static_cast<uint8_t>(~b);
  // Bits right of the image are white whatever the file holds there.
  if (bytesPerRow_ <= keep) row_[row_.size() - 1] &= lastByteMask_;
  return 0;
}

int TiffInput::GetRasterLine(FaxConverterState& state, uint8_t* raster, size_t& length, bool& endOfPage,
                             bool& morePages) {
  morePages = false;
  length = static_cast<size_t>(std::min<uint64_t>(bytesPerRow_, kRasterBytes));
  if (rowsDelivered_ >= length_) {
    endOfPage = true;
    return 0;
  }
  endOfPage = false;
  if (rowInStrip_ >= rowsInStrip_)
    if (int rc = StartStrip(strip_ + 1)) return rc;
  if (int rc = ReadRow()) return rc;
  PlaceRow(state, row_.data(), row_.size(), raster);
  state.BytesRead += bytesPerRow_;
  ++rowInStrip_;
  ++rowsDelivered_;
  return 0;
}

void TiffInput::Close(FaxConverterState&) { file_.Close(); }

}  // namespace telvane
