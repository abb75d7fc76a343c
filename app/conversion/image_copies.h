// The image steps before a document conversion, done on copies in a work
// folder so that the user's file is only read: images the converter does not
// read itself (JPEG, PNG, GIF, netpbm, WebP, TIFF and PCX of more than two
// colours, two-colour BMP) become an 8-bit BMP of their first image (the form
// the converter reads them in), and a
// page asked for in landscape is turned a quarter turn clockwise.
#pragma once

#include <string>

namespace telvane {

// Prepares `input` for the converter in `workDir` and gives in `readFrom`
// the file the converter is to read (`input` itself when nothing had to be
// done). Only BMP images (prepared JPEG and two-colour files included) are
// turned. 0, or the error code of a file that cannot be read or written.
int PrepareImageCopy(const std::string& input, bool landscape, const std::string& workDir, std::string& readFrom);

}  // namespace telvane
