// V.250 command line splitting.
#include "tools/modem_emulator/at_command.h"

#include <cctype>

namespace telvane::emu {
namespace {

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '!' || c == '%' || c == '-' || c == '.' ||
         c == '/' || c == ':' || c == '_';
}

class Scanner {
 public:
  explicit Scanner(std::string_view s) : s_(s) {}
  void SkipBlanks() {
    while (i_ < s_.size() && s_[i_] == ' ') ++i_;
  }
  bool AtEnd() const { return i_ >= s_.size(); }
  char Peek() const { return AtEnd() ? '\0' : s_[i_]; }
  char Take() { return s_[i_++]; }
  int Number() {  // -1 when no digits follow
    SkipBlanks();
    if (!IsDigit(Peek())) return -1;
    int n = 0;
    while (IsDigit(Peek()) && n < 100000) n = n * 10 + (Take() - '0');
    return n;
  }
  std::string_view Rest() {
    std::string_view r = s_.substr(i_);
    i_ = s_.size();
    return r;
  }
  // A set value up to an unquoted ';' or the end; blanks outside quotes dropped.
  bool Value(std::string& out) {
    bool quoted = false;
    while (!AtEnd()) {
      char c = Peek();
      if (!quoted && c == ';') break;
      Take();
      if (c == '"') quoted = !quoted;
      if (!quoted && c == ' ') continue;
      out += (quoted || c == '"') ? c : Upper(c);
    }
    return !quoted;
  }

 private:
  std::string_view s_;
  size_t i_ = 0;
};

}  // namespace

bool ParseAtBody(std::string_view body, std::vector<AtCommand>& out) {
  Scanner in(body);
  for (;;) {
    in.SkipBlanks();
    if (in.AtEnd()) return true;
    char c = Upper(in.Take());
    AtCommand cmd;
    if (c == '+') {
      cmd.kind = AtCommand::Kind::kExtended;
      cmd.name = "+";
      while (IsNameChar(in.Peek())) cmd.name += Upper(in.Take());
      if (cmd.name.size() < 2) return false;
      in.SkipBlanks();
      if (in.Peek() == '=') {
        in.Take();
        in.SkipBlanks();
        if (in.Peek() == '?') {
          in.Take();
          cmd.op = AtCommand::Op::kTest;
        } else {
          cmd.op = AtCommand::Op::kSet;
          if (!in.Value(cmd.value)) return false;
        }
      } else if (in.Peek() == '?') {
        in.Take();
        cmd.op = AtCommand::Op::kRead;
      }
      in.SkipBlanks();
      if (in.Peek() == ';') in.Take();
      else if (!in.AtEnd()) return false;
      out.push_back(std::move(cmd));
      continue;
    }
    if (c == 'D') {
      cmd.kind = AtCommand::Kind::kDial;
      cmd.letter = 'D';
      cmd.value = std::string(in.Rest());
      out.push_back(std::move(cmd));
      return true;
    }
    if (c == 'S') {
      cmd.kind = AtCommand::Kind::kSRegister;
      cmd.letter = 'S';
      cmd.number = in.Number();
      if (cmd.number < 0 || cmd.number > 255) return false;
      in.SkipBlanks();
      if (in.Peek() == '=') {
        in.Take();
        cmd.op = AtCommand::Op::kSet;
        int v = in.Number();
        cmd.value = v < 0 ? "0" : std::to_string(v);
      } else if (in.Peek() == '?') {
        in.Take();
        cmd.op = AtCommand::Op::kRead;
      } else {
        return false;
      }
      out.push_back(std::move(cmd));
      continue;
    }
    if (c == '&') {
      cmd.kind = AtCommand::Kind::kAmpersand;
      if (in.AtEnd()) return false;
      cmd.letter = Upper(in.Take());
      if (!std::isalpha(static_cast<unsigned char>(cmd.letter))) return false;
      cmd.number = in.Number();
      out.push_back(std::move(cmd));
      continue;
    }
    if (std::isalpha(static_cast<unsigned char>(c))) {
      cmd.letter = c;
      cmd.number = in.Number();
      out.push_back(std::move(cmd));
      continue;
    }
    return false;
  }
}

}  // namespace telvane::emu
