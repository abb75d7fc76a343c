// The fax command set of each dialect: +FCLASS, the Class 2 names (+FDCC,
// +FDIS, +FLID, +FBOR, +FPTS, +FK, +FMFR ...) and the Class 2.0 names of
// T.32 (+FCC, +FIS, +FLI, +FBO, +FPS, +FKS, +FMI, +FLO, +FNR ...). A command
// of the other dialect is an ERROR, as on a modem that knows only one of them.
#include "tools/modem_emulator/modem_emulator.h"

namespace telvane::emu {
namespace {

bool SmallNumber(const std::string& v, int max, int& out) {
  if (v.empty() || v.size() > 3) return false;
  int n = 0;
  for (char c : v) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  if (n > max) return false;
  out = n;
  return true;
}

bool QuotedString(const std::string& v, size_t maxChars) {
  if (v.size() < 2 || v.front() != '"' || v.back() != '"') return false;
  if (v.size() - 2 > maxChars) return false;
  for (size_t i = 1; i + 1 < v.size(); ++i)
    if (v[i] < 32 || v[i] > 126 || v[i] == '"') return false;
  return true;
}

// Parameters a DCE stores and reports without acting on them here.
struct PlainParameter {
  const char* name;
  bool class20;
  const char* initial;
  const char* ranges;
};
constexpr PlainParameter kPlain[] = {
    {"+FCQ", false, "0", "(0-2)"},        {"+FPHCTO", false, "30", "(0-255)"},
    {"+FTBC", false, "0", "(0-3)"},       {"+FREL", false, "0", "(0,1)"},
    {"+FECM", false, "0", "(0,1)"},       {"+FBUG", false, "0", "(0,1)"},
    {"+FCIG", false, "\"\"", "(20),(32-127)"}, {"+FSPL", false, "0", "(0,1)"},
    {"+FLPL", false, "0", "(0,1)"},       {"+FMINSP", false, "0", "(0-5)"},
    {"+FCTCRTY", false, "0", "(0-255)"},  {"+FBADLIN", false, "0", "(0-255)"},
    {"+FBADMUL", false, "0", "(0-255)"},  {"+FCQ", true, "0,0", "(0-2),(0-2)"},
    {"+FCT", true, "1E", "(0-FF)"},       {"+FIE", true, "0", "(0,1)"},
    {"+FPP", true, "0", "(0,1)"},         {"+FAP", true, "0,0,0", "(0,1),(0,1),(0,1)"},
    {"+FSP", true, "0", "(0,1)"},         {"+FLP", true, "0", "(0,1)"},
    {"+FPI", true, "\"\"", "(20),(32-127)"}, {"+FMS", true, "0", "(0-5)"},
    {"+FRQ", true, "0,0", "(0-64),(0-FF)"}, {"+FEA", true, "0", "(0,1)"},
    {"+FIT", true, "0,0", "(0-255),(0,1)"},
};

}  // namespace

bool ModemEmulator::Parameter(const AtCommand& cmd, std::string& value, const std::string& ranges,
                              const std::function<bool(const std::string&)>& valid) {
  switch (cmd.op) {
    case AtCommand::Op::kRead:
      Info(value);
      return true;
    case AtCommand::Op::kTest:
      Info(ranges);
      return true;
    case AtCommand::Op::kSet:
      if (!valid(cmd.value)) return false;
      value = cmd.value;
      return true;
    case AtCommand::Op::kAction:
      return false;
  }
  return false;
}

bool ModemEmulator::ExecuteFax(const AtCommand& cmd, bool& async) {
  using Op = AtCommand::Op;
  const std::string& name = cmd.name;
  if (name == "+FCLASS") {
    std::string list = "0";
    if (options_.class2) list += ",2";
    if (options_.class20) list += ",2.0";
    std::string value = fclass_;
    bool ok = Parameter(cmd, value, list, [&](const std::string& v) {
      return v == "0" || (v == "2" && options_.class2) || (v == "2.0" && options_.class20);
    });
    if (ok && value != fclass_) {
      fclass_ = value;
      HangUp();
    }
    return ok;
  }
  if (!FaxClass()) return false;  // fax commands exist only in a fax class
  const bool c20 = Is20();
  auto is = [&](const char* class2, const char* class20) { return name == (c20 ? class20 : class2); };
  auto numeric = [&](int& field, int max, const std::string& ranges) {
    std::string value = std::to_string(field);
    int parsed = field;
    if (!Parameter(cmd, value, ranges, [&](const std::string& v) { return SmallNumber(v, max, parsed); }))
      return false;
    field = parsed;
    return true;
  };
  auto params = [&](SessionParams& p) {
    switch (cmd.op) {
      case Op::kRead:
        Info(p.Format());
        return true;
      case Op::kTest:
        Info(SessionParams::Ranges());
        return true;
      case Op::kSet:
        return p.Apply(cmd.value);
      default:
        return false;
    }
  };

  if (is("+FDCC", "+FCC")) {
    if (!params(caps_)) return false;
    if (cmd.op == Op::kSet) session_ = caps_;  // new capabilities also reset the session's
    return true;
  }
  if (is("+FDIS", "+FIS")) {
    SessionParams before = session_;
    if (!params(session_)) return false;
    if (session_ != before) dcsSent_ = false;  // the next page needs a new DCS
    return true;
  }
  if (is("+FDCS", "+FCS")) return cmd.op == Op::kRead || cmd.op == Op::kTest ? params(dcs_) : false;
  if (is("+FLID", "+FLI"))
    return Parameter(cmd, localId_, "(20),(32-127)", [](const std::string& v) { return QuotedString(v, 20); });
  if (name == "+FCR") return numeric(fcr_, 1, "(0,1)");
  if (name == "+FAA") return numeric(faa_, 1, "(0,1)");
  if (is("+FBOR", "+FBO")) return numeric(bor_, 3, "(0-3)");
  if (is("+FPTS", "+FPS")) return numeric(pageStatus_, 5, "(1-5)");
  if (c20 && name == "+FLO") return numeric(flo_, 2, "(0-2)");
  if (c20 && name == "+FNR") {
    std::string value = std::to_string(fnr_[0]) + "," + std::to_string(fnr_[1]) + "," + std::to_string(fnr_[2]) +
                        "," + std::to_string(fnr_[3]);
    int next[4] = {fnr_[0], fnr_[1], fnr_[2], fnr_[3]};
    bool ok = Parameter(cmd, value, "(0,1),(0,1),(0,1),(0,1)", [&](const std::string& v) {
      size_t pos = 0;
      for (int i = 0; i < 4; ++i) {
        size_t comma = v.find(',', pos);
        std::string item = v.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
        if (!item.empty() && !SmallNumber(item, 1, next[i])) return false;
        if (comma == std::string::npos) return true;
        pos = comma + 1;
      }
      return false;  // more than four fields
    });
    if (ok) std::copy(std::begin(next), std::end(next), fnr_);
    return ok;
  }
  if (c20 && name == "+FIP" && (cmd.op == Op::kAction || cmd.op == Op::kSet)) {
    // T.32: back to the factory settings of the fax parameters.
    caps_ = session_ = dcs_ = SessionParams{};
    localId_ = "\"\"";
    params_.clear();
    fcr_ = faa_ = bor_ = flo_ = 0;
    std::fill(std::begin(fnr_), std::end(fnr_), 0);
    pageStatus_ = 1;
    return true;
  }
  if (c20 && name == "+FHS") {
    if (cmd.op != Op::kRead) return false;
    Info(HangUpCodeText(Dialect::kClass20, lastHangUp_));
    return true;
  }
  if (is("+FMFR", "+FMI") || is("+FMDL", "+FMM") || is("+FREV", "+FMR")) {
    if (cmd.op != Op::kRead) return false;
    Info(is("+FMFR", "+FMI") ? "TELVANE" : is("+FMDL", "+FMM") ? "FAX MODEM EMULATOR" : "1.0");
    return true;
  }
  if (!c20 && name == "+FBUF") {
    if (cmd.op != Op::kRead) return false;
    Info("1024,0,0,0");
    return true;
  }
  if (name == "+FDT" && (cmd.op == Op::kAction || cmd.op == Op::kSet)) {
    if (call_ != Call::kFaxSend || waitingFet_) return false;
    async = true;
    StartSendPage();
    return true;
  }
  if (name == "+FDR" && cmd.op == Op::kAction) {
    if (call_ != Call::kFaxReceive) return false;
    async = true;
    StartReceivePage();
    return true;
  }
  if (name == "+FET" && cmd.op == Op::kSet) {
    int ppm = 0;
    if (!waitingFet_ || !SmallNumber(cmd.value, 5, ppm)) return false;
    async = true;
    PostPage(ppm);
    return true;
  }
  if (is("+FK", "+FKS") && cmd.op == Op::kAction) {
    // Session abort: the DCE sends DCN and reports cause 02, "call aborted
    // from +FK or <CAN>".
    if (call_ == Call::kFaxSend || call_ == Call::kFaxReceive) {
      lastHangUp_ = 2;
      Info(FaxName("+FHNG:", "+FHS:") + HangUpCodeText(CurrentDialect(), 2));
      HangUp();
    }
    return true;
  }
  for (const PlainParameter& p : kPlain) {
    if (p.class20 != c20 || name != p.name) continue;
    auto [it, fresh] = params_.try_emplace(name, p.initial);
    return Parameter(cmd, it->second, p.ranges, [](const std::string& v) { return !v.empty() && v.size() < 40; });
  }
  return false;
}

}  // namespace telvane::emu
