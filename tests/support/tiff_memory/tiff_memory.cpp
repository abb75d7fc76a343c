#include "tests/support/tiff_memory/tiff_memory.h"

#include <algorithm>
#include <cstring>

namespace telvane::test {
namespace {

TiffMemoryFile& Of(thandle_t h) { return *static_cast<TiffMemoryFile*>(h); }

tmsize_t MemRead(thandle_t h, void* buf, tmsize_t size) {
  TiffMemoryFile& f = Of(h);
  const uint64_t left = f.data.size() - std::min<uint64_t>(f.pos, f.data.size());
  const uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(size), left);
  if (n) std::memcpy(buf, f.data.data() + f.pos, n);
  f.pos += n;
  return static_cast<tmsize_t>(n);
}

tmsize_t MemWrite(thandle_t h, void* buf, tmsize_t size) {
  TiffMemoryFile& f = Of(h);
  const uint64_t end = f.pos + static_cast<uint64_t>(size);
  if (end > f.data.size()) f.data.resize(end);
  std::memcpy(f.data.data() + f.pos, buf, static_cast<size_t>(size));
  f.pos = end;
  return size;
}

toff_t MemSeek(thandle_t h, toff_t off, int whence) {
  TiffMemoryFile& f = Of(h);
  if (whence == SEEK_CUR) off += f.pos;
  if (whence == SEEK_END) off += f.data.size();
  f.pos = off;
  return off;
}

int MemClose(thandle_t) { return 0; }
toff_t MemSize(thandle_t h) { return Of(h).data.size(); }

int MemMap(thandle_t h, void** base, toff_t* size) {
  TiffMemoryFile& f = Of(h);
  *base = f.data.data();
  *size = f.data.size();
  return 1;
}

void MemUnmap(thandle_t, void*, toff_t) {}

}  // namespace

TIFF* OpenTiffInMemory(TiffMemoryFile& file, const char* mode) {
  file.pos = 0;
  return TIFFClientOpen("memory", mode, &file, MemRead, MemWrite, MemSeek, MemClose, MemSize, MemMap, MemUnmap);
}

void SetG3Fields(TIFF* tif, int width, int rows, int rowsPerStrip, uint32_t group3Options) {
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(width));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(rows));
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
  TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, static_cast<uint32_t>(rowsPerStrip));
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
  TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX3);
  TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_LSB2MSB);
  TIFFSetField(tif, TIFFTAG_GROUP3OPTIONS, group3Options);
}

}  // namespace telvane::test
