// Replacing two files that belong together (the phone book's names and
// numbers) so that a failure half-way never leaves one changed and the other
// not: both new files are built completely beside their targets first, then
// renamed over them; when the second rename fails, the first target is put
// back from a link to its earlier contents.
#pragma once

#include <string>

namespace telvane {

struct FileContents {
  std::string path;
  std::string bytes;
};

// Empty on success; otherwise a text naming the file that failed and why,
// and both targets hold what they held before (unless putting the first one
// back failed too, which the text then says).
//
// The new files are built as "<target>.new", the earlier first target is kept
// as "<first>.old" until the second rename is done; leftovers of an earlier
// run under these names are replaced.
std::string ReplaceFilesTogether(const FileContents& first, const FileContents& second);

}  // namespace telvane
