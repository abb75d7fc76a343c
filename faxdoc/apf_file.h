// Reading APF headers: signature test, file header, page header by number.
#pragma once

#include <string>

#include "faxdoc/apf_format.h"

namespace telvane {

// True when the file can be read and starts with the APF signature.
bool IsApfFile(const std::string& fileName);

// 0, or -2 for an empty name, -8001 for a wrong signature, a negated file error.
int GetFaxHeader(const std::string& fileName, ApfFileHeader& header);

// Walks the page chain from FirstPageOffset. Page 0 succeeds without reading a
// page header (`header` is left as it is); a page above PageCount gives -8001.
int GetPageHeader(const std::string& fileName, unsigned pageNumber, ApfPageHeader& header);

}  // namespace telvane
