// Input types of the tool's conversions.
#include "tools/fax_tool/input_types.h"

#include "faxdoc/image_kind.h"
#include "faxdoc/image_preparation.h"

namespace telvane::cli {

InputType TypeOfContent(const std::string& fileName) { return TypeOfKind(FileImageKind(fileName)); }

InputType TypeOfKind(ImageKind kind) {
  switch (kind) {
    case ImageKind::Tiff: return InputType::kTiff;
    case ImageKind::Pcx: return InputType::kPcx;
    case ImageKind::Dcx: return InputType::kDcx;
    case ImageKind::Bmp: return InputType::kBmp;
    case ImageKind::Jpeg: return InputType::kJpeg;
    case ImageKind::Pdf: return InputType::kImage;
    default: return IsQtReadKind(kind) ? InputType::kImage : InputType::kByExtension;
  }
}

FaxInputDocumentType DocumentTypeOf(InputType type) {
  switch (type) {
    case InputType::kTextEx: return idTextEx;
    case InputType::kTiff: return idTiff;
    case InputType::kPcx: return idPcx;
    case InputType::kDcx: return idDcx;
    case InputType::kBmp:
    case InputType::kJpeg:
    case InputType::kImage: return idBmp;  // other images are converted as the BMPs made from them
    default: return idText;
  }
}

bool NeedsPreparation(InputType type, const std::string& input) {
  switch (type) {
    case InputType::kJpeg:
    case InputType::kImage: return true;
    case InputType::kBmp:
    case InputType::kTiff:
    case InputType::kPcx: return NeedsBmp8Preparation(input);
    default: return false;
  }
}

}  // namespace telvane::cli
