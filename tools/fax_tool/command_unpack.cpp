// "unpack": an APF fax file to BMP, PCX, DCX or TIFF images, all pages in
// one image or one image per page, or to a PDF file of the pages.
#include <getopt.h>
#include <strings.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "faxdoc/bmp_file.h"
#include "tools/fax_tool/cli_support.h"
#include "base/exceptions.h"
#include "faxdoc/fax_converter.h"
#include "faxdoc/fax_unpacker.h"
#include "tools/fax_tool/signal_stop.h"

namespace telvane::cli {
namespace {

void UnpackUsage(FILE* out) {
  std::fputs(
      "Usage: telvane-fax unpack [OPTIONS] INPUT\n"
      "Turns the pages of an APF fax file into BMP, PCX, DCX or TIFF images, or into a\n"
      "PDF file with one page per fax page at its real size (204 pixels to the inch\n"
      "across, 98 or 196 lines down), the pages kept in fax coding.\n"
      "\n"
      "  -o, --output FILE        output file (default: INPUT with the type's extension);\n"
      "                           with --per-page, page N goes to FILE's name up to its first\n"
      "                           '.' followed by N and the type's extension\n"
      "  -t, --type TYPE          bmp, pcx, dcx, tif or pdf (default: from the output's\n"
      "                           extension, else bmp)\n"
      "      --per-page           one file per page (default: all pages in one image;\n"
      "                           for dcx, one PCX image per page in one file; for pdf,\n"
      "                           one PDF page per fax page in one file)\n"
      "      --page N             only page N\n"
      "      --scale-h F          horizontal scale: 1/16, 1/8, 1/4, 1/2, 1, 2, 4, 8 or any M/D\n"
      "      --scale-v F          vertical scale, as --scale-h\n"
      "      --aspect MODE        standard-resolution pages: double-height (default),\n"
      "                           half-width or none\n"
      "                           (scales and aspect do not apply to pdf)\n"
      "      --whitespace FROM:TO shorten runs of FROM or more blank lines to TO lines\n"
      "  -q, --quiet              print nothing on success\n"
      "  -h, --help               this text\n"
      "Exit status: 0 done, 1 the fax could not be read or an image not written (no\n"
      "image is left then), 2 wrong command line.\n",
      out);
}

enum class ImageType { Bmp, Dcx, Pcx, Pdf, Tif };

const char* ExtensionOf(ImageType t) {
  switch (t) {
    case ImageType::Bmp: return "bmp";
    case ImageType::Dcx: return "dcx";
    case ImageType::Pcx: return "pcx";
    case ImageType::Pdf: return "pdf";
    case ImageType::Tif: return "tif";
  }
  return "";
}

bool ParseType(const std::string& text, ImageType& type) {
  const char* t = text.c_str();
  if (!strcasecmp(t, "bmp")) type = ImageType::Bmp;
  else if (!strcasecmp(t, "dcx")) type = ImageType::Dcx;
  else if (!strcasecmp(t, "pcx")) type = ImageType::Pcx;
  else if (!strcasecmp(t, "pdf")) type = ImageType::Pdf;
  else if (!strcasecmp(t, "tif") || !strcasecmp(t, "tiff")) type = ImageType::Tif;
  else return false;
  return true;
}

// "M/D" or "M": multiplier and divisor, both at least 1.
bool ParseScale(const char* text, unsigned& mult, unsigned& div) {
  const char* slash = std::strchr(text, '/');
  if (!slash) {
    div = 1;
    return ParseUnsigned(text, mult) && mult > 0;
  }
  const std::string left(text, slash);
  return ParseUnsigned(left.c_str(), mult) && ParseUnsigned(slash + 1, div) && mult > 0 && div > 0;
}

// Name of page `page`'s image: the output's folder and file name up to its
// first '.', then the page number and the extension.
std::string PageFileName(const std::string& output, unsigned page, ImageType type) {
  const std::filesystem::path p(output);
  std::string base = p.filename().string();
  base = base.substr(0, base.find('.'));
  return (p.parent_path() / (base + std::to_string(page) + ExtensionInCaseOf(output, ExtensionOf(type)))).string();
}

enum LongOnly { kPerPage = 1000, kPage, kScaleH, kScaleV, kAspect, kWhitespace };

}  // namespace

int RunUnpack(int argc, char** argv) {
  static const option kOptions[] = {
      {"output", required_argument, nullptr, 'o'},  {"type", required_argument, nullptr, 't'},
      {"per-page", no_argument, nullptr, kPerPage},  {"page", required_argument, nullptr, kPage},
      {"scale-h", required_argument, nullptr, kScaleH}, {"scale-v", required_argument, nullptr, kScaleV},
      {"aspect", required_argument, nullptr, kAspect}, {"whitespace", required_argument, nullptr, kWhitespace},
      {"quiet", no_argument, nullptr, 'q'},         {"help", no_argument, nullptr, 'h'},
      {nullptr, 0, nullptr, 0}};

  TApdFaxUnpacker unpacker;
  std::string output;
  std::string typeText;
  bool perPage = false;
  unsigned onlyPage = 0;
  bool quiet = false;
  bool reshaped = false;  // a scale or an aspect was given
  unsigned mult = 1, div = 1;
  optind = 1;
  int c;
  while ((c = getopt_long(argc, argv, "o:t:qh", kOptions, nullptr)) != -1) {
    switch (c) {
      case 'o': output = optarg; break;
      case 't': typeText = optarg; break;
      case kPerPage: perPage = true; break;
      case kPage:
        if (!ParseUnsigned(optarg, onlyPage) || onlyPage == 0) {
          return UsageError("--page needs a page number from 1 on, not '%s'\n", optarg);
        }
        break;
      case kScaleH:
      case kScaleV:
        if (!ParseScale(optarg, mult, div)) {
          return UsageError("a scale is M or M/D with whole numbers above 0, not '%s'\n",
                       optarg);
        }
        unpacker.Scaling = true;
        reshaped = true;
        if (c == kScaleH) {
          unpacker.SetHorizMult(mult);
          unpacker.SetHorizDiv(div);
        } else {
          unpacker.SetVertMult(mult);
          unpacker.SetVertDiv(div);
        }
        break;
      case kAspect:
        reshaped = true;
        if (!std::strcmp(optarg, "double-height")) unpacker.AutoScaleMode = asDoubleHeight;
        else if (!std::strcmp(optarg, "half-width")) unpacker.AutoScaleMode = asHalfWidth;
        else if (!std::strcmp(optarg, "none")) unpacker.AutoScaleMode = asNone;
        else {
          return UsageError("unknown aspect '%s' (double-height, half-width or none)\n",
                       optarg);
        }
        break;
      case kWhitespace: {
        const char* colon = std::strchr(optarg, ':');
        const std::string from = colon ? std::string(optarg, static_cast<size_t>(colon - optarg)) : std::string();
        if (!colon || !ParseUnsigned(from.c_str(), unpacker.WhitespaceFrom) ||
            !ParseUnsigned(colon + 1, unpacker.WhitespaceTo)) {
          return UsageError("--whitespace needs FROM:TO, not '%s'\n", optarg);
        }
        unpacker.WhitespaceCompression = true;
        break;
      }
      case 'q': quiet = true; break;
      case 'h': UnpackUsage(stdout); return kExitOk;
      default: return UsageHint();
    }
  }
  if (optind != argc - 1) {
    return UsageError("give exactly one input file\n");
  }
  const std::string input = argv[optind];

  ImageType type = ImageType::Bmp;
  const std::string outExtension = std::filesystem::path(output).extension().string();
  if (!typeText.empty() ? !ParseType(typeText, type)
                        : (outExtension.size() > 1 && !ParseType(outExtension.substr(1), type))) {
    return UsageError("unknown image type '%s' (bmp, pcx, dcx, tif or pdf)\n",
                 typeText.empty() ? outExtension.c_str() : typeText.c_str());
  }
  if (type == ImageType::Pdf && reshaped) {
    return UsageError("a PDF page has the fax page's own size: --scale-h, --scale-v and --aspect do not apply\n");
  }
  unpacker.SetInFileName(input);
  if (output.empty()) output = DefaultOutputName(input, ExtensionOf(type));
  // A name without an extension gets the type's, in lower case like the name.
  if (std::filesystem::path(output).extension().empty()) output += ExtensionInCaseOf(output, ExtensionOf(type));
  if (const std::string problem = OutputProblem(output); !problem.empty()) {
    Say("%s\n", problem.c_str());
    return kExitFailed;
  }
  InstallCleanupSignals();
  // The tool runs no event loop: nothing to yield to.
  unpacker.SetOptions(0);

  const bool progress = !quiet && ProgressWanted();
  if (progress) {
    unpacker.OnStatus = [](TApdCustomFaxUnpacker&, const std::string&, unsigned page, uint64_t done,
                           uint64_t total) {
      std::fprintf(stderr, "\rpage %u, %llu of %llu bytes", page, static_cast<unsigned long long>(done),
                   static_cast<unsigned long long>(total));
    };
  }

  std::vector<std::string> written;
  uint64_t badCodes = 0;
  // One image of page `page` (0: all pages) into `name`.
  const auto unpackTo = [&](const std::string& name, unsigned page) {
    if (type == ImageType::Bmp) {
      const Bitmap bitmap = page ? unpacker.PageToBitmap(page) : unpacker.FileToBitmap();
      RaiseError(SaveBmpFile(name, bitmap));
      written.push_back(name);
    } else {
      unpacker.OutFileName = name;
      switch (type) {
        case ImageType::Dcx: page ? unpacker.PageToDcx(page) : unpacker.FileToDcx(); break;
        case ImageType::Pcx: page ? unpacker.PageToPcx(page) : unpacker.FileToPcx(); break;
        case ImageType::Pdf: page ? unpacker.PageToPdf(page) : unpacker.FileToPdf(); break;
        default: page ? unpacker.PageToTiff(page) : unpacker.FileToTiff(); break;
      }
      // The unpacker puts the type's extension on a name that has none.
      written.push_back(unpacker.OutputNameFor(ExtensionOf(type)));
    }
    badCodes += unpacker.BadCodes();
  };

  try {
    if (onlyPage) {
      unpackTo(output, onlyPage);
    } else if (perPage) {
      const unsigned pages = unpacker.PageCountOf();
      if (pages == 0) RaiseError(ecFaxBadFormat);
      for (unsigned page = 1; page <= pages; ++page) unpackTo(PageFileName(output, page, type), page);
    } else {
      unpackTo(output, 0);
    }
  } catch (const EAPDException& e) {
    if (progress) std::fputs("\r\033[K", stderr);
    ReportError(input, e.ErrorCode());
    if (std::strcmp(e.what(), ErrorText(e.ErrorCode())) != 0) Say("%s\n", e.what());
    // Images of the pages before the failure are not the file's images:
    // they go too, so that a failed run leaves nothing behind.
    for (const auto& name : written) std::remove(name.c_str());
    if (!written.empty()) Say("removed the %zu image(s) of the pages before\n", written.size());
    return kExitFailed;
  }
  if (progress) std::fputs("\r\033[K", stderr);
  if (!quiet)
    for (const auto& name : written) std::printf("%s\n", name.c_str());
  if (badCodes && !quiet)
    Say("%s: %llu undecodable codes skipped\n", input.c_str(),
                 static_cast<unsigned long long>(badCodes));
  return kExitOk;
}

}  // namespace telvane::cli
