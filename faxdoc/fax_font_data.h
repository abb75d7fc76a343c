// The font block itself, generated into fax_font_data.cpp by tools/make_fax_font.
#pragma once

#include <cstdint>

#include "faxdoc/fax_font.h"

namespace telvane::detail {

extern const uint8_t kFaxFontData[kFaxFontResourceSize];

}  // namespace telvane::detail
