// "cover": a cover page design (.fcp) with its tags filled in, as a one-page
// APF fax file.
#include <getopt.h>

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QString>
#include <cstdio>
#include <string>

#include "faxdoc/apf_file.h"
#include "tools/fax_tool/cli_support.h"
#include "designer/cover_generator.h"
#include "base/exceptions.h"
#include "designer/fax_designer.h"
#include "faxdoc/output_file.h"
#include "tools/fax_tool/signal_stop.h"

namespace telvane::cli {
namespace {

void CoverUsage(FILE* out) {
  std::fputs(
      "Usage: telvane-fax cover [OPTIONS] DESIGN\n"
      "Draws a cover page design (.fcp) with its tags replaced and converts it to a\n"
      "one-page APF fax file (844 pixels across, doubled in width, left margin 20).\n"
      "Tags without a value given here become 0 ($N, $P) or empty text.\n"
      "\n"
      "  -o, --output FILE        output file (default: DESIGN up to the first '.' of its\n"
      "                           name, with the extension .apf, or .APF for a DESIGN\n"
      "                           whose extension is in capitals)\n"
      "      --page-number N      value of $P\n"
      "      --page-count N       value of $N\n"
      "      --sender TEXT        value of $F\n"
      "      --recipient TEXT     value of $R\n"
      "      --title TEXT         value of $S\n"
      "      --station-id TEXT    value of $I\n"
      "      --bitmap FILE        also save the drawn page as an image (type from the extension)\n"
      "  -q, --quiet              print nothing on success\n"
      "  -h, --help               this text\n"
      "$D and $T become the current date and time.\n"
      "Exit status: 0 done, 1 the design could not be read or an output not written,\n"
      "2 wrong command line.\n",
      out);
}

enum LongOnly { kPageNumber = 1000, kPageCount, kSender, kRecipient, kTitle, kStationId, kBitmap };

bool ParseCount(const char* name, int& value) {
  unsigned n = 0;
  if (ParseUnsigned(optarg, n) && n <= 9999) return value = static_cast<int>(n), true;
  Say("%s needs a whole number from 0 to 9999, not '%s'\n", name, optarg);
  return false;
}

}  // namespace

int RunCover(int argc, char** argv) {
  static const option kOptions[] = {
      {"output", required_argument, nullptr, 'o'},       {"page-number", required_argument, nullptr, kPageNumber},
      {"page-count", required_argument, nullptr, kPageCount}, {"sender", required_argument, nullptr, kSender},
      {"recipient", required_argument, nullptr, kRecipient}, {"title", required_argument, nullptr, kTitle},
      {"station-id", required_argument, nullptr, kStationId}, {"bitmap", required_argument, nullptr, kBitmap},
      {"quiet", no_argument, nullptr, 'q'},              {"help", no_argument, nullptr, 'h'},
      {nullptr, 0, nullptr, 0}};

  std::string output, bitmap;
  int pageNumber = 0, pageCount = 0;
  QString sender, recipient, title, stationId;
  bool quiet = false;
  optind = 1;
  int c;
  while ((c = getopt_long(argc, argv, "o:qh", kOptions, nullptr)) != -1) {
    switch (c) {
      case 'o': output = optarg; break;
      case kPageNumber: if (!ParseCount("--page-number", pageNumber)) return UsageHint(); break;
      case kPageCount: if (!ParseCount("--page-count", pageCount)) return UsageHint(); break;
      case kSender: sender = QString::fromLocal8Bit(optarg); break;
      case kRecipient: recipient = QString::fromLocal8Bit(optarg); break;
      case kTitle: title = QString::fromLocal8Bit(optarg); break;
      case kStationId: stationId = QString::fromLocal8Bit(optarg); break;
      case kBitmap: bitmap = optarg; break;
      case 'q': quiet = true; break;
      case 'h': CoverUsage(stdout); return kExitOk;
      default: return UsageHint();
    }
  }
  if (optind != argc - 1) {
    return UsageError("give exactly one design file\n");
  }
  const std::string design = argv[optind];
  // Fonts and painting need a QGuiApplication.
  EnsureGuiApplication();

  TFaxDesigner designer;
  if (const FcpResult r = designer.LoadFromFile(QString::fromStdString(design)); !r.Ok()) {
    Say("%s: %s\n", design.c_str(), r.Message().toLocal8Bit().constData());
    return kExitFailed;
  }
  TFaxPanel& page = designer.Page();
  page.PageNumber = pageNumber;
  page.PageCount = pageCount;
  page.Sender = sender;
  page.Recipient = recipient;
  page.PageTitle = title;
  page.StationID = stationId;
  const QImage image = RenderCoverPage(page);
  if (image.isNull()) {
    Say("%s: the design's page has no size a fax page can have\n", design.c_str());
    return kExitFailed;
  }
  const std::string made = output.empty() ? CoverBaseName(design) + ExtensionInCaseOf(design, "apf") : output;
  for (const std::string& out : {made, bitmap}) {
    if (out.empty()) continue;
    if (const std::string problem = OutputProblem(out); !problem.empty()) {
      Say("%s\n", problem.c_str());
      return kExitFailed;
    }
  }
  InstallCleanupSignals();
  if (!bitmap.empty()) {
    // Drawn into memory, then written like the fax file: built beside the
    // target and renamed over it only when complete.
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    const QByteArray format = QFileInfo(QString::fromStdString(bitmap)).suffix().toLower().toLatin1();
    if (!image.save(&buffer, format.isEmpty() ? "png" : format.constData())) {
      Say("%s: no image of this type can be written (use .png, .bmp, .pbm, ...)\n", bitmap.c_str());
      return kExitFailed;
    }
    if (const int rc = WriteWholeFile(bitmap, reinterpret_cast<const uint8_t*>(encoded.constData()),
                                      static_cast<size_t>(encoded.size()))) {
      ReportError(bitmap, rc);
      return kExitFailed;
    }
  }
  TApdFaxConverter converter;
  SetupCoverConverter(converter);
  try {
    converter.OutFileName = made;
    converter.ConvertBitmap(ToConverterBitmap(image));
  } catch (const EAPDException& e) {
    ReportError(made, e.ErrorCode());
    return kExitFailed;
  }
  if (!quiet) {
    ApfFileHeader header;
    if (GetFaxHeader(made, header) == 0)
      std::printf("%s: %u page%s\n", made.c_str(), header.PageCount, header.PageCount == 1 ? "" : "s");
    else
      std::printf("%s\n", made.c_str());
  }
  return kExitOk;
}

}  // namespace telvane::cli
