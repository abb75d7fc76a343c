// The kinds of input the tool converts into fax files, as "convert" and
// "send" tell them apart, and how the converter takes each.
#pragma once

#include <string>

#include "faxdoc/fax_converter.h"
#include "faxdoc/image_kind.h"

namespace telvane::cli {

enum class InputType { kByExtension, kText, kTextEx, kTiff, kPcx, kDcx, kBmp, kJpeg, kImage, kCover };

// The type an image file's first bytes show; kByExtension for other files.
InputType TypeOfContent(const std::string& fileName);
// The same for a kind already read.
InputType TypeOfKind(ImageKind kind);
// The converter's input type for `type`.
FaxInputDocumentType DocumentTypeOf(InputType type);
// Images other than 2-colour TIFF and PCX files and BMP files of more than
// 2 colours are made into 8-bit BMP files before conversion, as the desktop
// program does.
bool NeedsPreparation(InputType type, const std::string& input);

}  // namespace telvane::cli
