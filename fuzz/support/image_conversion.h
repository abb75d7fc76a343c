// The body shared by the fuzz targets of the converter's image inputs.
#pragma once

#include <cstddef>
#include <cstdint>

#include "faxdoc/fax_types.h"

namespace telvane::fuzz {

// Writes the bytes as `inName` and converts them to an APF file. The last
// byte also picks the placement options and the page geometry, so that every
// placement path is reached. Aborts when a failed conversion carries no error
// code or leaves an APF file behind, or when a success leaves none.
void FuzzImageConversion(FaxInputDocumentType type, const char* inName, const uint8_t* data, size_t size);

}  // namespace telvane::fuzz
