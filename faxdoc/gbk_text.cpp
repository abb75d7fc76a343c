// GBK <-> UTF-8 through the C library's iconv, so that Qt-free code can use it.
#include "faxdoc/gbk_text.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace telvane {
namespace {

std::string Convert(const std::string& in, const char* to, const char* from, const std::string& replacement) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error(std::string("iconv cannot convert ") + from);
  std::string out;
  out.reserve(in.size() * 3 / 2 + 4);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char chunk[1024];
  while (srcLeft > 0) {
    char* dst = chunk;
    size_t dstLeft = sizeof chunk;
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(chunk, sizeof chunk - dstLeft);
    if (r == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      // An invalid or incomplete sequence: replace one byte (or one UTF-8
      // character) and go on.
      out += replacement;
      size_t skip = 1;
      if (std::string(from) == "UTF-8") {
        unsigned char lead = static_cast<unsigned char>(*src);
        skip = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        if (skip > srcLeft) skip = srcLeft;
      }
      src += skip;
      srcLeft -= skip;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

std::string GbkToUtf8(const std::string& gbk) { return Convert(gbk, "UTF-8", "GBK", "\xEF\xBF\xBD"); }

std::string Utf8ToGbk(const std::string& utf8) { return Convert(utf8, "GBK", "UTF-8", "?"); }

}  // namespace telvane
