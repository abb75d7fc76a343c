// Converting an image that needs preparation: its 8-bit BMP copies are made
// under a given name, converted one per converter run and, for several
// images (the pages of a TIFF or of a PDF document), joined page by page into the output.
#pragma once

#include <string>

#include "faxdoc/fax_converter.h"

namespace telvane {

// Converts `input` of `type` into `output` with `cvt`'s other settings: 0,
// or the converter's error code.
int ConvertDocumentAs(TApdFaxConverter& cvt, FaxInputDocumentType type, const std::string& input,
                      const std::string& output);

// Prepares `source` into 8-bit BMP files named after `preparedBase` (see
// PrepareBmp8Pages) and converts them with `cvt`'s settings into `output`,
// one fax page per image or more for a tall one; PDF pages are rendered
// for `cvt`'s resolution and width. Every prepared and
// intermediate file is removed afterwards, and no output is left on failure.
// Returns 0 or the error code of the preparation or of the converter.
int ConvertPreparedImage(TApdFaxConverter& cvt, const std::string& source, const std::string& preparedBase,
                         const std::string& output);

}  // namespace telvane
