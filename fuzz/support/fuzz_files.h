// Scratch files for fuzz targets whose readers take file names: one private
// folder per process, emptied for every input and removed at exit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace telvane::fuzz {

// Removes whatever the previous input left and writes `data` as `name`;
// returns the full path.
std::string WriteScratchFile(const char* name, const uint8_t* data, size_t size);
// Full path of `name` in the scratch folder (the file need not exist).
std::string ScratchPath(const char* name);
bool ScratchFileExists(const char* name);

}  // namespace telvane::fuzz
