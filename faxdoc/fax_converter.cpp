#include "faxdoc/fax_converter.h"

#include <filesystem>

#include "faxdoc/apf_writer.h"
#include "faxdoc/bitmap_input.h"
#include "base/error_codes.h"
#include "base/exceptions.h"
#include "faxdoc/pcx_input.h"
#include "faxdoc/text_input.h"
#include "faxdoc/tiff_input.h"

namespace telvane {

bool HasExtension(const std::string& fileName) { return std::filesystem::path(fileName).has_extension(); }

std::string ChangeExtension(const std::string& fileName, const std::string& extension) {
  std::filesystem::path p(fileName);
  p.replace_extension(extension);
  return p.string();
}

void TApdFaxConverter::SetOptions(FaxCvtOptions options) {
  if (options & coYieldOften) options |= coYield;
  options_ = options;
}

void TApdFaxConverter::SetDocumentFile(const std::string& name) {
  if (name == documentFile_) return;
  documentFile_ = name;
  if (!name.empty()) OutFileName = ChangeExtension(name, ".APF");
}

std::string TApdFaxConverter::ResolvedInputName(const char* defaultExtension) const {
  if (documentFile_.empty() || HasExtension(documentFile_)) return documentFile_;
  return documentFile_ + "." + defaultExtension;
}

std::string TApdFaxConverter::ResolvedOutputName() const {
  if (!OutFileName.empty()) return HasExtension(OutFileName) ? OutFileName : OutFileName + ".APF";
  return ChangeExtension(documentFile_, ".APF");
}

std::unique_ptr<FaxInput> TApdFaxConverter::MakeInput() const {
  switch (InputDocumentType) {
    case idText:
    case idTextEx: {
      TextInputOptions o;
      o.Enhanced = InputDocumentType == idTextEx;
      o.TabStop = TabStop;
      o.LinesPerPage = LinesPerPage;
      o.FontType = FontType;
      o.EnhFont = EnhFont;
      o.RendererFactory = TextRendererFactory;
      return std::make_unique<TextInputState>(std::move(o));
    }
    case idTiff: return std::make_unique<TiffInput>();
    case idPcx: return std::make_unique<PcxInput>();
    case idDcx: return std::make_unique<DcxInput>();
    case idBmp: return std::make_unique<BmpInput>();
    default:
      // idNone, and idBitmap, which needs a bitmap object (ConvertBitmap).
      return nullptr;
  }
}

int TApdFaxConverter::Convert(std::unique_ptr<FaxInput> input) {
  if (!input) return ecBadArgument;

  FaxConverterState state;
  state.Flags = options_;
  state.LeftMargin = LeftMargin;
  state.TopMargin = TopMargin;
  state.UseHighRes = Resolution == frHigh;
  state.LineWidth = LineWidthOf(Width);
  state.StationId = StationID.substr(0, kApfStationIdMax);
  state.Yield = Yield;
  if (OnStatus) {
    state.Status = [this](const ConverterStatus& s) {
      bool abort = false;
      OnStatus(*this, s.Starting, s.Ending, s.PagesConverted, s.LinesConverted, s.BytesConverted, s.BytesToConvert,
               abort);
      return abort;
    };
  }
  // Fonts and bitmaps first: a failure here touches no file.
  if (int rc = input->Prepare(state)) return rc;

  const std::string inputName = ResolvedInputName(input->DefaultExtension());
  const std::string outputName = ResolvedOutputName();
  ApfWriter writer;
  if (int rc = writer.Create(outputName)) return rc;
  ApfLineOutput output(writer, state.UseHighRes, Width == fwWide);
  int rc = RunConversion(state, *input, inputName, output);
  if (rc == 0) rc = writer.Finish(state.StationId);
  if (rc != 0) writer.Abandon();
  return rc;
}

void TApdFaxConverter::ConvertDocument() { RaiseError(Convert(MakeInput())); }

void TApdFaxConverter::ConvertBitmap(const Bitmap& bitmap) {
  if (bitmap.IsNull()) RaiseError(ecBadArgument);
  // Without an output name or a document to take one from there is no file to write.
  if (OutFileName.empty() && documentFile_.empty()) RaiseError(ecFileNotFound);
  std::unique_ptr<FaxInput> input;
  try {
    input = std::make_unique<BitmapInput>(bitmap);
  } catch (const std::bad_alloc&) {
    RaiseError(ecOutOfMemory);
  }
  const FaxInputDocumentType saved = InputDocumentType;
  InputDocumentType = idBitmap;
  const int rc = Convert(std::move(input));
  InputDocumentType = saved;
  RaiseError(rc);
}

}  // namespace telvane
