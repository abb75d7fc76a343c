// Conversion between the GBK code page of stored texts and UTF-8.
#pragma once

#include <string>

namespace telvane {

// Bytes that are not valid GBK become U+FFFD.
std::string GbkToUtf8(const std::string& gbk);
// Characters GBK cannot hold become '?'.
std::string Utf8ToGbk(const std::string& utf8);

}  // namespace telvane
