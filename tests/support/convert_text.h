// Runs a text conversion for a test and turns its exception into the code.
#pragma once

#include <string>

#include "faxdoc/fax_converter.h"
#include "tests/support/temp_dir.h"

namespace telvane::test {

// Writes `text` to in.txt in `dir` and converts it with `cvt`'s settings into
// out.apf there. Returns 0 or the error code the conversion raised.
int ConvertText(TApdFaxConverter& cvt, const TempDir& dir, const std::string& text);

}  // namespace telvane::test
