// File access shared by the APF reader, writer and header functions: whole
// reads and writes at an offset, the header check and the page chain walk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "faxdoc/apf_format.h"

namespace telvane::apf {

// Opens for reading; the descriptor, or -2 for an empty name, or a negated
// file error.
int OpenForReading(const std::string& fileName);

// Reads up to `length` bytes at `offset`, fewer only where the file ends.
// The count read, or a negated file error.
long ReadUpTo(int fd, uint64_t offset, void* data, size_t length);

// Reads exactly `length` bytes: 0, -100 when the file ends first, or a
// negated file error.
int ReadExactly(int fd, uint64_t offset, void* data, size_t length);

// Writes all `length` bytes at the current position (or at `offset`):
// 0, -160 when the device takes nothing, or a negated file error.
int WriteFully(int fd, const void* data, size_t length);
int WriteFullyAt(int fd, uint64_t offset, const void* data, size_t length);

// Reads the 64-byte file header: 0, -100 for a short file, -8001 for a
// wrong signature, or a negated file error.
int ReadFileHeader(int fd, ApfFileHeader& header);

// Walks the page chain from FirstPageOffset to page `pageNumber` (1 is the
// first page): the page header and the offset of its data.
int FindPage(int fd, const ApfFileHeader& header, unsigned pageNumber, ApfPageHeader& page, uint64_t& dataOffset);

}  // namespace telvane::apf
