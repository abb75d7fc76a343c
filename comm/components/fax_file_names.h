// Names of the files received faxes are written to.
#pragma once

#include <ctime>
#include <string>

namespace telvane {

// The first free name of naming mode `mode` in `dir`: mode 1 "FAX" + four
// digits, mode 2 month and day (two digits each) + four digits, numbers from
// 0001 to 9999, then "." + `ext`; any other mode "noname.apf". When all
// numbers are taken, or "noname.apf" exists, a name that no file in `dir` has
// yet is made (and the empty file created, so that a second fax cannot take
// it too). Empty on failure.
std::string FreeFaxFileName(const std::string& dir, int mode, const std::string& ext, std::time_t now);

// The same name, taken at once: the empty file is created, so that another
// receiver asking before the fax is written gets the next free name. A name
// that cannot be created for another reason than existing is given as it is
// (writing the fax then reports the error).
std::string ReserveFaxFileName(const std::string& dir, int mode, const std::string& ext, std::time_t now);

}  // namespace telvane
