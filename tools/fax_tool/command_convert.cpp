// "convert": a text or image file to an APF fax file, with every converter option.
#include <getopt.h>
#include <strings.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "faxdoc/apf_file.h"
#include "tools/fax_tool/cli_support.h"
#include "tools/fax_tool/input_types.h"
#include "base/exceptions.h"
#include "faxdoc/fax_converter.h"
#include "base/error_codes.h"
#include "faxdoc/bmp_file.h"
#include "faxdoc/image_kind.h"
#include "faxdoc/image_preparation.h"
#include "faxdoc/prepared_conversion.h"
#include "faxdoc/output_file.h"
#include "tools/fax_tool/signal_stop.h"

namespace telvane::cli {
namespace {

void ConvertUsage(FILE* out) {
  std::fputs(
      "Usage: telvane-fax convert [OPTIONS] INPUT\n"
      "Converts a text file (LF, CR LF or CR line ends, form feed = new page; UTF-8 or\n"
      "GBK) or an image\n"
      "(TIFF, PCX, DCX, BMP, JPEG, PNG, GIF, PBM/PGM/PPM, WebP) or a PDF document to an\n"
      "APF fax file, one fax page per PDF page (rendered at the fax's resolution).\n"
      "Images are recognised by their first bytes, whatever their names. Images other\n"
      "than 2-colour TIFF, PCX and DCX files and BMP files of more than 2 colours are\n"
      "made into 8-bit BMP files first (temporary files beside the output); each page\n"
      "of a multi-page TIFF of grey levels or colour becomes a fax page.\n"
      "A cover page design (.fcp) is drawn as 'telvane-fax cover' draws it, with empty\n"
      "tags; of the options below only --output and --quiet apply to it.\n"
      "\n"
      "  -o, --output FILE        output file (default: INPUT with the extension .apf, or\n"
      "                           .APF when INPUT's extension is in capitals)\n"
      "  -t, --type TYPE          text (built-in fax font), textex (system font), tiff, pcx,\n"
      "                           dcx, bmp or jpeg; by default from the extension of INPUT\n"
      "                           (.tif .tiff .pcx .dcx .bmp .jpg .jpeg) or, before that,\n"
      "                           from the file's first bytes, else text; a file\n"
      "                           that is plainly no text (PDF, PNG, ...) is refused\n"
      "                           unless --type text is given\n"
      "      --high               high resolution, 196 lines per inch (default standard, 98)\n"
      "      --wide               2048-pixel lines (default 1728)\n"
      "      --top-margin N       blank lines at the top of each page (default 0)\n"
      "      --left-margin N      white pixels at the start of each line (default 50)\n"
      "      --lines-per-page N   text lines per page, 0 = no limit (default 60)\n"
      "      --tab-stop N         tab width in characters (default 4)\n"
      "      --font SIZE          built-in font: standard (default) or small\n"
      "      --enh-font NAME      system font for textex (default Sans Serif)\n"
      "      --enh-height N       its character height in pixels at 96 per inch (default 13)\n"
      "      --enh-size PT        its size in points (instead of --enh-height)\n"
      "      --bold, --italic, --underline, --strikeout   its style\n"
      "      --station-id TEXT    station identifier stored in the file (at most 20 characters)\n"
      "      --no-double-width    images: never double narrow images in width\n"
      "      --half-height        images: code every other row at standard resolution\n"
      "      --no-center          images: start at the left margin instead of centring\n"
      "      --no-yield, --yield-often   how often pending events may run (kept for completeness)\n"
      "  -q, --quiet              print nothing on success\n"
      "  -h, --help               this text\n"
      "Exit status: 0 converted, 1 the input could not be converted or the output not\n"
      "written, 2 wrong command line.\n",
      out);
}

enum LongOnly {
  kHigh = 1000, kWide, kTopMargin, kLeftMargin, kLinesPerPage, kTabStop, kFont, kEnhFont, kEnhHeight, kEnhSize,
  kBold, kItalic, kUnderline, kStrikeOut, kStationId, kNoDoubleWidth, kHalfHeight, kNoCenter, kNoYield, kYieldOften,
};

bool ParseType(const char* name, InputType& type) {
  static const struct {
    const char* name;
    InputType type;
  } kTypes[] = {{"text", InputType::kText}, {"textex", InputType::kTextEx}, {"tiff", InputType::kTiff},
                {"pcx", InputType::kPcx},   {"dcx", InputType::kDcx},       {"bmp", InputType::kBmp},
                {"jpeg", InputType::kJpeg}};
  for (const auto& t : kTypes)
    if (!strcasecmp(name, t.name)) return type = t.type, true;
  return false;
}

InputType TypeOfName(const std::string& fileName) {
  std::string ext = std::filesystem::path(fileName).extension().string();
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (ext == ".tif" || ext == ".tiff") return InputType::kTiff;
  if (ext == ".pcx") return InputType::kPcx;
  if (ext == ".dcx") return InputType::kDcx;
  if (ext == ".bmp") return InputType::kBmp;
  if (ext == ".jpg" || ext == ".jpeg") return InputType::kJpeg;
  if (ext == ".pdf" || IsImageExtension(ext)) return InputType::kImage;
  if (ext == ".fcp") return InputType::kCover;
  return InputType::kText;
}

bool ParseNumberOption(const char* name, unsigned& value) {
  if (ParseUnsigned(optarg, value)) return true;
  Say("%s needs a whole number, not '%s'\n", name, optarg);
  return false;
}

}  // namespace

int RunConvert(int argc, char** argv) {
  static const option kOptions[] = {
      {"output", required_argument, nullptr, 'o'},      {"type", required_argument, nullptr, 't'},
      {"high", no_argument, nullptr, kHigh},            {"wide", no_argument, nullptr, kWide},
      {"top-margin", required_argument, nullptr, kTopMargin},
      {"left-margin", required_argument, nullptr, kLeftMargin},
      {"lines-per-page", required_argument, nullptr, kLinesPerPage},
      {"tab-stop", required_argument, nullptr, kTabStop}, {"font", required_argument, nullptr, kFont},
      {"enh-font", required_argument, nullptr, kEnhFont}, {"enh-height", required_argument, nullptr, kEnhHeight},
      {"enh-size", required_argument, nullptr, kEnhSize}, {"bold", no_argument, nullptr, kBold},
      {"italic", no_argument, nullptr, kItalic},        {"underline", no_argument, nullptr, kUnderline},
      {"strikeout", no_argument, nullptr, kStrikeOut},  {"station-id", required_argument, nullptr, kStationId},
      {"no-double-width", no_argument, nullptr, kNoDoubleWidth},
      {"half-height", no_argument, nullptr, kHalfHeight}, {"no-center", no_argument, nullptr, kNoCenter},
      {"no-yield", no_argument, nullptr, kNoYield},     {"yield-often", no_argument, nullptr, kYieldOften},
      {"quiet", no_argument, nullptr, 'q'},             {"help", no_argument, nullptr, 'h'},
      {nullptr, 0, nullptr, 0}};

  TApdFaxConverter cvt;
  InputType type = InputType::kByExtension;
  FaxCvtOptions options = cvt.Options();
  std::string output;
  bool quiet = false;
  unsigned n = 0;
  optind = 1;
  int c;
  while ((c = getopt_long(argc, argv, "o:t:qh", kOptions, nullptr)) != -1) {
    switch (c) {
      case 'o': output = optarg; break;
      case 't':
        if (!ParseType(optarg, type)) {
          return UsageError("unknown type '%s' (text, textex, tiff, pcx, dcx, bmp, jpeg)\n",
                       optarg);
        }
        break;
      case kHigh: cvt.Resolution = frHigh; break;
      case kWide: cvt.Width = fwWide; break;
      case kTopMargin: if (!ParseNumberOption("--top-margin", cvt.TopMargin)) return UsageHint(); break;
      case kLeftMargin: if (!ParseNumberOption("--left-margin", cvt.LeftMargin)) return UsageHint(); break;
      case kLinesPerPage: if (!ParseNumberOption("--lines-per-page", cvt.LinesPerPage)) return UsageHint(); break;
      case kTabStop: if (!ParseNumberOption("--tab-stop", cvt.TabStop)) return UsageHint(); break;
      case kFont:
        if (!std::strcmp(optarg, "standard")) cvt.FontType = FaxFontType::ffStandard;
        else if (!std::strcmp(optarg, "small")) cvt.FontType = FaxFontType::ffSmall;
        else {
          return UsageError("unknown font size '%s' (standard or small)\n", optarg);
        }
        break;
      case kEnhFont: cvt.EnhFont.Name = optarg; break;
      case kEnhHeight:
        if (!ParseNumberOption("--enh-height", n) || n == 0) return UsageHint();
        cvt.EnhFont.Height = -static_cast<int>(n);
        break;
      case kEnhSize:
        if (!ParseNumberOption("--enh-size", n) || n == 0) return UsageHint();
        cvt.EnhFont.SetSize(static_cast<int>(n));
        break;
      case kBold: cvt.EnhFont.Bold = true; break;
      case kItalic: cvt.EnhFont.Italic = true; break;
      case kUnderline: cvt.EnhFont.Underline = true; break;
      case kStrikeOut: cvt.EnhFont.StrikeOut = true; break;
      case kStationId: cvt.StationID = optarg; break;
      case kNoDoubleWidth: options &= static_cast<FaxCvtOptions>(~coDoubleWidth); break;
      case kHalfHeight: options |= coHalfHeight; break;
      case kNoCenter: options &= static_cast<FaxCvtOptions>(~coCenterImage); break;
      case kNoYield: options &= static_cast<FaxCvtOptions>(~(coYield | coYieldOften)); break;
      case kYieldOften: options |= coYieldOften; break;
      case 'q': quiet = true; break;
      case 'h': ConvertUsage(stdout); return kExitOk;
      default: return UsageHint();
    }
  }
  if (optind != argc - 1) {
    return UsageError("give exactly one input file\n");
  }
  const std::string input = argv[optind];
  const bool typeGiven = type != InputType::kByExtension;
  if (!typeGiven) {
    type = TypeOfContent(input);
    if (type == InputType::kByExtension) type = TypeOfName(input);
  }
  if (type == InputType::kCover) {
    // Cover pages have settings of their own: the cover page generator
    // makes them, as for the cover command.
    std::vector<std::string> args{"cover"};
    if (!output.empty()) args.insert(args.end(), {"--output", output});
    if (quiet) args.emplace_back("--quiet");
    args.insert(args.end(), {"--", input});
    std::vector<char*> coverArgv;
    for (std::string& a : args) coverArgv.push_back(a.data());
    coverArgv.push_back(nullptr);
    return RunCover(static_cast<int>(args.size()), coverArgv.data());
  }
  if (type == InputType::kText && !typeGiven) {
    // Text is what any other file would be taken for: a file that is plainly
    // no text would be faxed as pages of its bytes.
    if (const std::string kind = BinaryKind(input); !kind.empty()) {
      Say("%s is %s, not a text file; it cannot be converted (--type text faxes its bytes as text)\n",
          input.c_str(), kind.c_str());
      return kExitFailed;
    }
  }
  if (output.empty()) output = DefaultOutputName(input, "apf");
  if (const std::string problem = OutputProblem(output); !problem.empty()) {
    Say("%s\n", problem.c_str());
    return kExitFailed;
  }
  InstallCleanupSignals();
  cvt.InputDocumentType = DocumentTypeOf(type);
  cvt.SetOptions(options);
  cvt.SetDocumentFile(input);
  cvt.OutFileName = output;
  if (cvt.InputDocumentType == idTextEx) EnsureGuiApplication();

  const bool prepare = NeedsPreparation(type, input);

  const bool progress = !quiet && ProgressWanted();
  if (progress) {
    cvt.OnStatus = [](TApdFaxConverter&, bool, bool ending, unsigned pages, unsigned lines, uint64_t done,
                      uint64_t total, bool&) {
      if (ending) {
        std::fputs("\r\033[K", stderr);
      } else if (lines % 64 == 0) {
        std::fprintf(stderr, "\rpage %u, line %u, %llu of %llu bytes", pages, lines,
                     static_cast<unsigned long long>(done), static_cast<unsigned long long>(total));
      }
    };
  }

  if (prepare) {
    // The 8-bit BMP files go beside the output, under names of their own.
    const std::string made = cvt.ResolvedOutputName();
    const std::string bmp = made + ".prepared-" + std::to_string(::getpid()) + ".Bmp";
    const int slot = ListPartialFile(bmp);
    const int rc = ConvertPreparedImage(cvt, input, bmp, made);
    UnlistPartialFile(slot);
    if (rc != 0) {
      ReportError(input, rc);
      if (rc == ecBadGraphicsFormat) {
        const ImageKind kind = FileImageKind(input);
        if (kind == ImageKind::Unknown)
          Say("%s holds no image: it is empty or of a kind that cannot be read\n", input.c_str());
        else if (kind == ImageKind::Pdf)
          Say("%s is a PDF document that cannot be read: damaged, locked with a password, or without pages\n",
              input.c_str());
        else
          Say("%s is %s that cannot be read: damaged, cut short, or over %llu pixels\n", input.c_str(),
              ImageKindName(kind), static_cast<unsigned long long>(kBmpMaxPixels));
      }
      return kExitFailed;
    }
  } else {
    try {
      cvt.ConvertDocument();
    } catch (const EAPDException& e) {
      ReportError(input, e.ErrorCode());
      return kExitFailed;
    }
  }
  if (!quiet) {
    const std::string made = cvt.ResolvedOutputName();
    ApfFileHeader header;
    if (GetFaxHeader(made, header) == 0)
      std::printf("%s: %u page%s\n", made.c_str(), header.PageCount, header.PageCount == 1 ? "" : "s");
    else
      std::printf("%s\n", made.c_str());
  }
  return kExitOk;
}

}  // namespace telvane::cli
