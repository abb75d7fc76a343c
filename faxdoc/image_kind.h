// Telling image and document files apart by their first bytes, whatever
// their names say.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace telvane {

enum class ImageKind { Unknown, Bmp, Jpeg, Png, Gif, Netpbm, WebP, Tiff, Pcx, Dcx, Pdf };

// The kind of a file whose first `size` bytes are `head` (32 bytes suffice).
ImageKind ImageKindOf(const uint8_t* head, size_t size);
// The kind of a file from its first bytes; Unknown when it cannot be read.
ImageKind FileImageKind(const std::string& fileName);

// "a PNG image", "a TIFF image", ...; "a file" for Unknown.
const char* ImageKindName(ImageKind kind);

// True for the kinds read through Qt's image readers (PNG, GIF, the netpbm
// formats, WebP, TIFF of any depth).
bool IsQtReadKind(ImageKind kind);

// True for the extensions (".png", lower case) of the kinds IsQtReadKind
// names other than TIFF: such a file is an image even when it is empty or
// its first bytes are damaged, and gets the image readers' error.
bool IsImageExtension(const std::string& lowerExtension);

}  // namespace telvane
