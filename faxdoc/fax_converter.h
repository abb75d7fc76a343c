// The fax converter component: turns a document into an APF fax file.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "faxdoc/bitmap.h"
#include "faxdoc/converter_engine.h"
#include "faxdoc/fax_font.h"
#include "faxdoc/fax_types.h"
#include "faxdoc/text_renderer.h"

namespace telvane {

class TApdFaxConverter;

// Progress of a conversion; setting Abort stops it with -8003.
using FaxCvtStatusEvent =
    std::function<void(TApdFaxConverter& F, bool Starting, bool Ending, unsigned PagesConverted,
                       unsigned LinesConverted, uint64_t BytesConverted, uint64_t BytesToConvert, bool& Abort)>;

class TApdFaxConverter {
 public:
  TApdFaxConverter() = default;

  FaxInputDocumentType InputDocumentType = idNone;
  TFaxResolution Resolution = frNormal;
  TFaxWidth Width = fwNormal;
  unsigned TopMargin = 0;
  unsigned LeftMargin = 50;
  unsigned LinesPerPage = 60;
  unsigned TabStop = 4;
  FaxFontSpec EnhFont;
  FaxFontType FontType = FaxFontType::ffStandard;
  std::string FontFile = "APFAX.FNT";  // kept for callers; the font is built in
  std::string OutFileName;
  std::string StationID;
  FaxCvtStatusEvent OnStatus;
  // Lets pending user-interface events run between steps (the coYield options).
  YieldHook Yield;
  // Makes the system-font renderer for enhanced text; the QtGui one when empty.
  std::function<std::unique_ptr<TextBitmapRenderer>()> TextRendererFactory;

  FaxCvtOptions Options() const { return options_; }
  // coYieldOften without coYield adds coYield.
  void SetOptions(FaxCvtOptions options);

  const std::string& DocumentFile() const { return documentFile_; }
  // A new non-empty name also sets OutFileName to it with the extension ".APF".
  void SetDocumentFile(const std::string& name);

  // Converts DocumentFile into OutFileName. Throws EAPDException-derived
  // errors with the code: -1002 for idNone/idBitmap, -8003 on abort, -8002
  // for an image file this converter cannot read, file errors.
  void ConvertDocument();
  // Converts a bitmap object (copied first) into OutFileName, or DocumentFile
  // with the extension ".APF" when OutFileName is empty, as idBitmap for this
  // call only. -1002 for a null bitmap; otherwise as ConvertDocument.
  void ConvertBitmap(const Bitmap& bitmap);

  // The names a conversion will use (extensions added as described above).
  std::string ResolvedInputName(const char* defaultExtension) const;
  std::string ResolvedOutputName() const;

 private:
  std::unique_ptr<FaxInput> MakeInput() const;
  int Convert(std::unique_ptr<FaxInput> input);

  FaxCvtOptions options_ = kDefaultCvtOptions;
  std::string documentFile_;
};

// "name.ext" -> "name.APF"; also used for the default output name.
std::string ChangeExtension(const std::string& fileName, const std::string& extension);
bool HasExtension(const std::string& fileName);

}  // namespace telvane
