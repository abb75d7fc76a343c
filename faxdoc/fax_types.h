// Enumerations shared by the converter, the unpacker and the fax engines.
#pragma once

#include <cstdint>

namespace telvane {

enum TFaxResolution { frNormal, frHigh };
enum TFaxWidth { fwNormal, fwWide };

enum TFaxInputDocumentType { idNone, idText, idTextEx, idTiff, idPcx, idDcx, idBmp, idBitmap, idUser };

// Converter options, held as bits.
using TFaxCvtOptions = uint8_t;
inline constexpr TFaxCvtOptions coDoubleWidth = 1;
inline constexpr TFaxCvtOptions coHalfHeight = 2;
inline constexpr TFaxCvtOptions coCenterImage = 4;
inline constexpr TFaxCvtOptions coYield = 8;
inline constexpr TFaxCvtOptions coYieldOften = 16;
inline constexpr TFaxCvtOptions kDefaultCvtOptions = coDoubleWidth | coCenterImage | coYield;  // 13

inline constexpr int LineWidthOf(TFaxWidth w) { return w == fwWide ? 2048 : 1728; }

}  // namespace telvane
