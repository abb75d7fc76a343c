// Joining APF files page by page into one file.
#pragma once

#include <string>
#include <vector>

namespace telvane {

// Writes into the open descriptor `out` (at its start) the first file's
// header, its page count the sum of all, followed by every page of every file
// in list order. Returns 0, -8001 for a file without the APF signature, whose
// pages run past its end or whose pages add up to more than 65535, or a
// negated file error.
int WriteJoinedApf(const std::vector<std::string>& files, int out);

// Joins `files` into the file `target`, written aside and renamed into
// place, so that no partial file is left on failure. Same results.
int JoinApfFiles(const std::vector<std::string>& files, const std::string& target);

}  // namespace telvane
