#include "app/settings/settings_text.h"

#include <charconv>
#include <limits>

namespace telvane::settings {
namespace {

constexpr const char* kHeader =
    "; Telvane settings. Written by the program; values are \"name\"=dword:decimal or \"name\"=\"text\".\n";
constexpr const char* kHexDigits = "0123456789ABCDEF";

void AppendQuoted(std::string& out, const std::string& text) {
  out += '"';
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    switch (ch) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          out += "\\x";
          out += kHexDigits[c >> 4];
          out += kHexDigits[c & 0x0F];
        } else {
          out += ch;
        }
    }
  }
  out += '"';
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Reads a quoted text starting at line[pos] == '"'; pos ends after the closing quote.
bool ReadQuoted(const std::string& line, size_t& pos, std::string& out, std::string& error) {
  out.clear();
  ++pos;
  while (pos < line.size()) {
    const char c = line[pos++];
    if (c == '"') return true;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (pos >= line.size()) break;
    const char e = line[pos++];
    switch (e) {
      case '"': out += '"'; break;
      case '\\': out += '\\'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 'x': {
        const int high = pos < line.size() ? HexValue(line[pos]) : -1;
        const int low = pos + 1 < line.size() ? HexValue(line[pos + 1]) : -1;
        // Only ASCII: a byte of its own could break the UTF-8 of the text.
        if (high < 0 || low < 0 || high > 7) {
          error = "\\x needs two hexadecimal digits from 00 to 7F";
          return false;
        }
        out += static_cast<char>(high * 16 + low);
        pos += 2;
        break;
      }
      default:
        error = std::string("unknown escape \\") + e;
        return false;
    }
  }
  error = "a quoted text is not closed";
  return false;
}

void SkipBlanks(const std::string& line, size_t& pos) {
  while (pos < line.size() && IsBlank(line[pos])) ++pos;
}

bool StartsWithIgnoringCase(const std::string& text, size_t pos, const std::string& prefix) {
  if (text.size() - pos < prefix.size()) return false;
  return SameName(text.substr(pos, prefix.size()), prefix);
}

// One "name"=value line.
bool ParseValueLine(const std::string& line, std::string& name, Value& value, std::string& error) {
  size_t pos = 0;
  if (!ReadQuoted(line, pos, name, error)) return false;
  SkipBlanks(line, pos);
  if (pos >= line.size() || line[pos] != '=') {
    error = "'=' expected after the name";
    return false;
  }
  ++pos;
  SkipBlanks(line, pos);
  if (pos < line.size() && line[pos] == '"') {
    std::string text;
    if (!ReadQuoted(line, pos, text, error)) return false;
    value = std::move(text);
  } else if (StartsWithIgnoringCase(line, pos, "dword:")) {
    pos += 6;
    SkipBlanks(line, pos);
    std::int64_t number = 0;
    const char* first = line.data() + pos;
    const char* last = line.data() + line.size();
    const auto [end, ec] = std::from_chars(first, last, number);
    if (ec != std::errc() || end == first || number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max()) {
      error = "dword: needs a decimal number from -2147483648 to 2147483647";
      return false;
    }
    pos = static_cast<size_t>(end - line.data());
    value = static_cast<std::int32_t>(number);
  } else {
    error = "a value is a quoted text or dword:number";
    return false;
  }
  SkipBlanks(line, pos);
  if (pos != line.size()) {
    error = "unexpected text after the value";
    return false;
  }
  return true;
}

}  // namespace

std::string FormatSettings(const Tree& tree) {
  std::string out = kHeader;
  for (const Key& key : tree.Keys()) {
    out += "\n[" + key.name + "]\n";
    for (const NamedValue& v : key.values) {
      AppendQuoted(out, v.name);
      out += '=';
      if (const auto* i = std::get_if<std::int32_t>(&v.value))
        out += "dword:" + std::to_string(*i);
      else
        AppendQuoted(out, std::get<std::string>(v.value));
      out += '\n';
    }
  }
  return out;
}

bool ParseSettings(const std::string& text, Tree& tree, std::string& error) {
  tree = Tree();
  if (!IsValidUtf8(text)) {
    error = "the file is not UTF-8 text";
    return false;
  }
  size_t start = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  std::string currentKey;  // empty before the first [key]
  int lineNumber = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++lineNumber;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t first = 0;
    SkipBlanks(line, first);
    size_t last = line.size();
    while (last > first && IsBlank(line[last - 1])) --last;
    line = line.substr(first, last - first);

    std::string problem;
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      if (line.size() < 3 || line.back() != ']') {
        problem = "a key is written [name]";
      } else {
        const std::string name = line.substr(1, line.size() - 2);
        try {
          CheckKeyName(name);
          tree.OpenKey(name);
          currentKey = name;
        } catch (const std::exception& e) {
          problem = e.what();
        }
      }
    } else if (line[0] == '"') {
      std::string name;
      Value value;
      if (!ParseValueLine(line, name, value, problem)) {
      } else if (currentKey.empty()) {
        problem = "a value before the first [key]";
      } else {
        tree.Set(currentKey, name, std::move(value));
      }
    } else {
      problem = "neither a [key] nor a \"name\"=value line";
    }
    if (!problem.empty()) {
      error = "line " + std::to_string(lineNumber) + ": " + problem;
      return false;
    }
  }
  return true;
}

}  // namespace telvane::settings
