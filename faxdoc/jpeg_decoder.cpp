// libjpeg behind a small function: errors come back as codes through
// setjmp/longjmp, and only plain data lives in the frame that longjmp skips.
#include "faxdoc/jpeg_decoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "faxdoc/bmp_file.h"
#include "base/error_codes.h"
#include "faxdoc/image_file_io.h"

namespace telvane {
namespace {

constexpr uint64_t kMaxFileSize = uint64_t{256} << 20;

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  int code;
};

[[noreturn]] void OnError(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  err->code = err->base.msg_code == JERR_OUT_OF_MEMORY ? ecOutOfMemory : ecBadGraphicsFormat;
  std::longjmp(err->jump, 1);
}

// Warnings are kept quiet, except that data ending before the image is
// complete makes the image malformed (libjpeg would fill the rest with grey).
void OnMessage(j_common_ptr cinfo, int level) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  if (level < 0 && err->base.msg_code == JWRN_JPEG_EOF) {
    err->code = ecBadGraphicsFormat;
    std::longjmp(err->jump, 1);
  }
}

void Store(Bitmap& bitmap, int x, int y, uint8_t r, uint8_t g, uint8_t b) {
  const uint32_t word = 0xFF000000u | (uint32_t{r} << 16) | (uint32_t{g} << 8) | b;
  std::memcpy(bitmap.Row(y) + static_cast<size_t>(x) * 4, &word, 4);
}

// Runs the decoder. `bitmap` and `line` belong to the caller, so that a
// longjmp out of libjpeg leaves nothing behind that needs a destructor.
int Decode(jpeg_decompress_struct& cinfo, ErrorManager& err, const uint8_t* data, size_t size, Bitmap& bitmap,
           std::vector<uint8_t>& line) {
  if (setjmp(err.jump)) return err.code;
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  if (jpeg_read_header(&cinfo, TRUE) != JPEG_HEADER_OK) return ecBadGraphicsFormat;
  if (uint64_t{cinfo.image_width} * cinfo.image_height > kBmpMaxPixels) return ecBadGraphicsFormat;
  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  const bool grey = cinfo.jpeg_color_space == JCS_GRAYSCALE;
  cinfo.out_color_space = cmyk ? JCS_CMYK : grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_start_decompress(&cinfo);
  const int width = static_cast<int>(cinfo.output_width);
  const int height = static_cast<int>(cinfo.output_height);
  const int components = cinfo.output_components;
  if (width <= 0 || height <= 0 || (components != 1 && components != 3 && components != 4)) return ecBadGraphicsFormat;
  bitmap = Bitmap(Bitmap::Format::Rgb32, width, height);
  line.assign(static_cast<size_t>(width) * static_cast<size_t>(components), 0);
  while (cinfo.output_scanline < cinfo.output_height) {
    const int y = static_cast<int>(cinfo.output_scanline);
    JSAMPROW rows[1] = {line.data()};
    if (jpeg_read_scanlines(&cinfo, rows, 1) != 1) return ecBadGraphicsFormat;
    const uint8_t* p = line.data();
    for (int x = 0; x < width; ++x, p += components) {
      if (components == 1) {
        Store(bitmap, x, y, p[0], p[0], p[0]);
      } else if (components == 3) {
        Store(bitmap, x, y, p[0], p[1], p[2]);
      } else {
        // Adobe writes CMYK inverted: 255 means no ink.
        const unsigned k = p[3];
        Store(bitmap, x, y, static_cast<uint8_t>(p[0] * k / 255), static_cast<uint8_t>(p[1] * k / 255),
              static_cast<uint8_t>(p[2] * k / 255));
      }
    }
  }
  jpeg_finish_decompress(&cinfo);
  return 0;
}

}  // namespace

int DecodeJpeg(const uint8_t* data, size_t size, Bitmap& bitmap) {
  if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return ecBadGraphicsFormat;
  jpeg_decompress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  ErrorManager err;
  std::memset(&err, 0, sizeof err);
  cinfo.err = jpeg_std_error(&err.base);
  err.base.error_exit = OnError;
  err.base.emit_message = OnMessage;
  err.code = 0;
  Bitmap decoded;
  std::vector<uint8_t> line;
  int rc;
  try {
    rc = Decode(cinfo, err, data, size, decoded, line);
  } catch (const std::bad_alloc&) {
    rc = ecOutOfMemory;
  }
  jpeg_destroy_decompress(&cinfo);
  if (rc == 0) bitmap = std::move(decoded);
  return rc;
}

int LoadJpegFile(const std::string& fileName, Bitmap& bitmap) {
  std::vector<uint8_t> data;
  if (int rc = ReadWholeFile(fileName, data, kMaxFileSize)) return rc;
  return DecodeJpeg(data.data(), data.size(), bitmap);
}

}  // namespace telvane
