// Enumerations shared by the converter, the unpacker and the fax engines.
#pragma once

#include <cstdint>

namespace telvane {

enum TFaxResolution { frNormal, frHigh };
enum TFaxWidth { fwNormal, fwWide };

enum FaxInputDocumentType { idNone, idText, idTextEx, idTiff, idPcx, idDcx, idBmp, idBitmap, idUser };

// Converter options, held as bits.
using FaxCvtOptions = uint8_t;
inline constexpr FaxCvtOptions coDoubleWidth = 1;
inline constexpr FaxCvtOptions coHalfHeight = 2;
inline constexpr FaxCvtOptions coCenterImage = 4;
inline constexpr FaxCvtOptions coYield = 8;
inline constexpr FaxCvtOptions coYieldOften = 16;
inline constexpr FaxCvtOptions kDefaultCvtOptions = coDoubleWidth | coCenterImage | coYield;  // 13

inline constexpr int LineWidthOf(TFaxWidth w) { return w == fwWide ? 2048 : 1728; }

}  // namespace telvane
