// What the simulated line's calling fax terminal sends while the window
// waits for calls: a fax TIFF file that spandsp's sending terminal takes
// (1728 pixels across, resolution tags in dots per inch).
#pragma once

#include <string>

namespace telvane {

// Writes every page of the APF file `apf` into `tiff`: 1728 pixels across
// (narrower lines padded with white, wider ones cut), 204 dots per inch
// across and 98 or 196 down as the page is, T.4 one-dimensional coding.
// False with `error` set when the APF cannot be read or the TIFF written.
bool WriteApfAsFaxTiff(const std::string& apf, const std::string& tiff, std::string& error);

struct IncomingFax {
  std::string tiff;   // the file the calling terminal sends
  std::string error;  // why `chosen` could not be used (the sample is sent instead)
};

// The fax the calling terminal sends. `chosen` (the user's setting) naming a
// TIFF file is sent as it is, an APF file as a TIFF copy in `simDir`; when
// it is empty or its copy fails, the sample fax, made in `simDir` from a
// short text the first time it is needed. `tiff` is empty only when the
// sample cannot be made either.
IncomingFax PrepareIncomingFax(const std::string& chosen, const std::string& simDir);

}  // namespace telvane
