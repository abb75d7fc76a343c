// "info": the file header and page headers of APF files.
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "base/error_codes.h"
#include "faxdoc/apf_file.h"
#include "faxdoc/apf_io.h"
#include "faxdoc/apf_page_reader.h"
#include "tools/fax_tool/cli_support.h"

namespace telvane::cli {
namespace {

void InfoUsage(FILE* out) {
  std::fputs(
      "Usage: telvane-fax info [--lines] [--] FILE...\n"
      "Shows the station ID, date, page count and each page's flags and data length.\n"
      "  --lines   also decode each page and count its scan lines and bad codes\n",
      out);
}

std::string FlagsText(uint16_t flags) {
  std::string s = (flags & pfHighRes) ? "high" : "standard";
  s += (flags & pfWide) ? ", 2048 wide" : ", 1728 wide";
  s += (flags & pfLineRecords) ? ", line records" : ", stream";
  return s;
}

int ShowFile(const std::string& name, bool decode) {
  ApfFileHeader header;
  if (int rc = GetFaxHeader(name, header)) {
    ReportError(name, rc);
    return rc;
  }
  const std::tm t = UnpackDosDateTime(header.CreatedAt);
  std::printf("%s\n", name.c_str());
  std::printf("  station ID: \"%s\"\n", header.StationIdText().c_str());
  std::printf("  created:    %04d-%02d-%02d %02d:%02d:%02d\n", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
              t.tm_min, t.tm_sec);
  std::printf("  pages:      %u\n", header.PageCount);
  const int fd = apf::OpenForReading(name);
  struct stat st {};
  const uint64_t fileSize = fd >= 0 && ::fstat(fd, &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
  bool damaged = false;
  for (unsigned page = 1; page <= header.PageCount; ++page) {
    ApfPageHeader ph;
    uint64_t dataOffset = 0;
    int rc = fd < 0 ? fd : apf::FindPage(fd, header, page, ph, dataOffset);
    if (rc == ecReadBeyondEof) rc = ecFaxBadFormat;
    if (rc) {
      if (fd >= 0) ::close(fd);
      ReportError(name + " page " + std::to_string(page), rc);
      return rc;
    }
    std::printf("  page %u: %u bytes, flags 0x%04x (%s)", page, ph.DataLength, ph.PageFlags,
                FlagsText(ph.PageFlags).c_str());
    // A length that runs past the end of the file is a damaged header: say
    // how much of the page is really there.
    if (dataOffset + ph.DataLength > fileSize) {
      std::printf(" -- damaged: only %llu bytes are in the file",
                  static_cast<unsigned long long>(fileSize > dataOffset ? fileSize - dataOffset : 0));
      damaged = true;
    }
    if (decode) {
      ApfPageReader reader;
      int rc = reader.Open(name, page);
      unsigned lines = 0;
      std::vector<uint8_t> line;
      while (rc == 0 && (rc = reader.ReadLine(line)) == 1) {
        ++lines;
        rc = 0;
      }
      if (rc < 0) {
        std::printf("\n");
        ReportError(name + " page " + std::to_string(page), rc);
        return rc;
      }
      std::printf(", %u lines, %u bad codes", lines, reader.BadCodes());
    }
    std::printf("\n");
  }
  if (fd >= 0) ::close(fd);
  if (damaged) {
    Say("%s: a page length runs past the end of the file\n", name.c_str());
    return ecFaxBadFormat;
  }
  return 0;
}

}  // namespace

int RunInfo(int argc, char** argv) {
  bool decode = false;
  int first = 1;
  for (; first < argc && argv[first][0] == '-'; ++first) {
    if (!std::strcmp(argv[first], "--")) {
      ++first;
      break;
    }
    if (!std::strcmp(argv[first], "--lines")) {
      decode = true;
    } else if (!std::strcmp(argv[first], "--help") || !std::strcmp(argv[first], "-h")) {
      InfoUsage(stdout);
      return kExitOk;
    } else {
      return UsageError("unknown option '%s'\n", argv[first]);
    }
  }
  if (first >= argc) return UsageError("give at least one APF file\n");
  int result = kExitOk;
  for (int i = first; i < argc; ++i)
    if (ShowFile(argv[i], decode) != 0) result = kExitFailed;
  return result;
}

}  // namespace telvane::cli
