// Joins several APF files into one temporary APF file, so that a list of
// files goes out as one fax.
#pragma once

#include <string>
#include <vector>

namespace telvane {

// Writes the pages of `files`, in list order, into a new file in `tempDir`
// named "~AP" and six unique characters, and returns its name. A file
// without the APF signature, or whose pages run past its end, raises
// EFaxBadFormat (-8001); a file that cannot be read or written raises the
// exception of its file error. No partial file is left behind on failure.
std::string MergeApfFiles(const std::vector<std::string>& files, const std::string& tempDir);

// The folder for temporary files (TMPDIR, else /tmp).
std::string TempFolder();

}  // namespace telvane
