#include "app/background/document_jobs.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <unistd.h>

#include "base/error_codes.h"
#include "base/exceptions.h"
#include "faxdoc/bmp_file.h"
#include "faxdoc/image_preparation.h"
#include "faxdoc/prepared_conversion.h"

namespace telvane {

namespace {

std::string LowerExtension(const std::string& fileName) {
  const std::string name = std::filesystem::path(fileName).filename().string();
  const std::size_t dot = name.rfind('.');
  std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext;
}

int MakeFolderOf(const std::string& file) {
  const std::filesystem::path folder = std::filesystem::path(file).parent_path();
  if (folder.empty()) return 0;
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  return std::filesystem::is_directory(folder, ec) ? 0 : ecFileNotFound;
}

}  // namespace

int DocumentTypeCode(const std::string& fileName) {
  const std::string ext = LowerExtension(fileName);
  if (ext == ".bmp") return kDocBmp;
  if (ext == ".dcx") return kDocDcx;
  if (ext == ".pcx") return kDocPcx;
  if (ext == ".tif") return kDocTiff;
  return kDocText;
}

std::string DateName(const std::tm& t) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.2d-%.2d-%.2d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
  return buffer;
}

std::string DateTimeName(const std::tm& t) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, " %.2d\xEF\xBC\x9A%.2d\xEF\xBC\x9A%.2d", t.tm_hour, t.tm_min, t.tm_sec);
  return DateName(t) + buffer;
}

std::string DocumentBaseName(const std::string& fileName) {
  std::string name = std::filesystem::path(fileName).filename().string();
  const std::size_t dot = name.find('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

int ConvertDocumentFile(TApdFaxConverter& converter, const DocumentConversion& job) {
  static const FaxInputDocumentType kTypes[] = {idBmp, idDcx, idPcx, idTiff};
  if (int rc = MakeFolderOf(job.target)) return rc;
  const FaxInputDocumentType type =
      job.typeCode >= kDocBmp && job.typeCode <= kDocTiff ? kTypes[job.typeCode] : (job.windowsFont ? idTextEx : idText);
  converter.EnhFont = job.font;
  if (NeedsBmp8Preparation(job.source)) {
    // Images the converter does not read itself are converted from 8-bit
    // BMP copies beside the target, one per image; the user's file stays as
    // it is.
    converter.InputDocumentType = type;
    converter.SetDocumentFile(job.source);
    converter.OutFileName = job.target;
    const std::string prepared = job.target + ".prepared-" + std::to_string(::getpid()) + ".Bmp";
    return ConvertPreparedImage(converter, job.source, prepared, job.target);
  }
  return ConvertDocumentAs(converter, type, job.source, job.target);
}

int UnpackFaxFile(TApdFaxUnpacker& unpacker, const std::string& source, const std::string& target, int imageCode) {
  if (int rc = MakeFolderOf(target)) return rc;
  unpacker.SetInFileName(source);
  unpacker.OutFileName = target;
  try {
    switch (imageCode) {
      case kImageBmp: {
        const Bitmap bitmap = unpacker.FileToBitmap();
        return SaveBmpFile(target, bitmap);
      }
      case kImageDcx: unpacker.FileToDcx(); return 0;
      case kImagePcx: unpacker.FileToPcx(); return 0;
      case kImageTiff: unpacker.FileToTiff(); return 0;
      default: return ecBadArgument;
    }
  } catch (const EAPDException& e) {
    return e.ErrorCode();
  }
}

const char* PageImageExtension(int imageCode) {
  static const char* const kExtensions[] = {".bmp", ".DCX", ".PCX", ".TIF"};
  return imageCode >= kImageBmp && imageCode <= kImageTiff ? kExtensions[imageCode] : "";
}

std::string PageImageBase(const std::string& outputName, const std::tm& now) {
  const std::filesystem::path path(outputName);
  const std::string name = path.filename().string();
  const std::size_t dot = name.find('.');
  const std::string base = dot == std::string::npos ? DateName(now) : name.substr(0, dot);
  return (path.parent_path() / base).string();
}

void UnpackEachPage(TApdFaxUnpacker& unpacker, const std::string& base, int imageCode) {
  if (imageCode < kImageBmp || imageCode > kImageTiff) throw EBadArgument();
  // A file without pages is no fax file (its header could not be read).
  const unsigned pages = unpacker.PageCountOf();
  if (pages == 0) RaiseError(ecFaxBadFormat);
  for (unsigned n = 1; n <= pages; ++n) {
    unpacker.OutFileName = base + std::to_string(n) + PageImageExtension(imageCode);
    switch (imageCode) {
      case kImageBmp: {
        // A null page is an aborted unpack: it ends without an image.
        const Bitmap page = unpacker.PageToBitmap(n);
        if (page.IsNull()) return;
        if (int rc = SaveBmpFile(unpacker.OutFileName, page)) RaiseError(rc);
        break;
      }
      case kImageDcx: unpacker.PageToDcx(n); break;
      case kImagePcx: unpacker.PageToPcx(n); break;
      default: unpacker.PageToTiff(n); break;
    }
  }
}

int UnpackFaxPages(TApdFaxUnpacker& unpacker, const std::string& source, const std::string& outputName, int imageCode,
                   const std::tm& now) {
  const std::string base = PageImageBase(outputName, now);
  if (int rc = MakeFolderOf(base)) return rc;
  try {
    unpacker.SetInFileName(source);
    UnpackEachPage(unpacker, base, imageCode);
  } catch (const EAPDException& e) {
    return e.ErrorCode();
  }
  return 0;
}

}  // namespace telvane
