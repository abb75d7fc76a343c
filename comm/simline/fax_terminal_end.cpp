// The spandsp fax terminal behind the simulated line.
#include "comm/simline/fax_terminal_end.h"

#define SPANDSP_EXPOSE_INTERNAL_STRUCTURES
#include <spandsp.h>

namespace telvane {
namespace {
// T.30 frame codes as they stand in the third byte of a frame (after the
// address and control bytes), with the direction bit masked off.
constexpr uint8_t kFcfDcs = 0x82;
constexpr uint8_t kFcfFtt = 0x44;
constexpr uint8_t kFcfCfr = 0x84;
constexpr uint8_t kFcfMcf = 0x8C;
constexpr uint8_t kFcfMps = 0x4E;
constexpr uint8_t kFcfEom = 0x8E;
constexpr uint8_t kFcfEop = 0x2E;
}  // namespace

FaxTerminalEnd::FaxTerminalEnd(const TerminalSettings& settings, bool callingParty) : settings_(settings) {
  fax_ = fax_init(nullptr, callingParty ? TRUE : FALSE);
  fax_set_transmit_on_idle(fax_, TRUE);
  t30_ = fax_get_t30_state(fax_);
  if (!settings_.stationId.empty()) t30_set_tx_ident(t30_, settings_.stationId.c_str());
  if (settings_.sends)
    t30_set_tx_file(t30_, settings_.tiffPath.c_str(), -1, -1);
  else
    t30_set_rx_file(t30_, settings_.tiffPath.c_str(), -1);
  const unsigned modems = settings_.modems ? settings_.modems : (T30_SUPPORT_V27TER | T30_SUPPORT_V29 | T30_SUPPORT_V17);
  t30_set_supported_modems(t30_, static_cast<int>(modems));
  if (settings_.mhOnly) t30_set_supported_compressions(t30_, T30_SUPPORT_T4_1D_COMPRESSION);
  // Like a B4 machine, the terminal takes the wider pages too, of any
  // length; an A4 machine only the 215 mm width.
  const int widths = settings_.a4Only ? T30_SUPPORT_215MM_WIDTH
                                      : T30_SUPPORT_215MM_WIDTH | T30_SUPPORT_255MM_WIDTH | T30_SUPPORT_303MM_WIDTH;
  t30_set_supported_image_sizes(t30_, widths | T30_SUPPORT_UNLIMITED_LENGTH | T30_SUPPORT_A4_LENGTH |
                                          T30_SUPPORT_B4_LENGTH | T30_SUPPORT_US_LETTER_LENGTH |
                                          T30_SUPPORT_US_LEGAL_LENGTH);
  // The Class 1 DTEs this line serves do not correct errors.
  t30_set_ecm_capability(t30_, FALSE);
  t30_set_phase_e_handler(t30_, &FaxTerminalEnd::PhaseE, this);
  t30_set_real_time_frame_handler(t30_, &FaxTerminalEnd::Frame, this);
  if (settings_.logLevel > 0) {
    const int level = settings_.logLevel | SPAN_LOG_SHOW_PROTOCOL | SPAN_LOG_SHOW_TAG;
    for (logging_state_t* log : {t30_get_logging_state(t30_), fax_get_logging_state(fax_)}) {
      span_log_set_level(log, level);
      span_log_set_tag(log, settings_.logTag.c_str());
    }
  }
}

FaxTerminalEnd::~FaxTerminalEnd() {
  if (fax_) fax_free(fax_);
}

void FaxTerminalEnd::Tx(int16_t* amp, int n) {
  const int made = fax_tx(fax_, amp, n);
  for (int i = made; i < n; ++i) amp[i] = 0;
}

void FaxTerminalEnd::Rx(const int16_t* amp, int n) { fax_rx(fax_, const_cast<int16_t*>(amp), n); }

void FaxTerminalEnd::Terminate() {
  if (!result_.finished) t30_terminate(t30_);
}

void FaxTerminalEnd::PhaseE(t30_state_s* s, void* user, int code) {
  auto* self = static_cast<FaxTerminalEnd*>(user);
  t30_stats_t stats{};
  t30_get_transfer_statistics(s, &stats);
  TerminalResult& r = self->result_;
  r.finished = true;
  r.completionCode = code;
  r.completionText = t30_completion_code_to_str(code);
  r.bitRate = stats.bit_rate;
  r.pages = self->settings_.sends ? stats.pages_tx : stats.pages_rx;
  r.encoding = stats.encoding;
  r.badRows = stats.bad_rows;
  if (const char* ident = t30_get_rx_ident(s)) r.remoteIdent = ident;
}

void FaxTerminalEnd::Frame(t30_state_s*, void* user, int incoming, const uint8_t* msg, int len) {
  auto* self = static_cast<FaxTerminalEnd*>(user);
  if (len < 3) return;
  const uint8_t fcf = msg[2] & 0xFE;
  if (fcf == kFcfFtt) ++(incoming ? self->result_.fttReceived : self->result_.fttSent);
  if (!incoming && (fcf == kFcfMps || fcf == kFcfEom || fcf == kFcfEop)) self->sentMps_ = fcf == kFcfMps;
  if (incoming && self->settings_.sends && (fcf == kFcfCfr || (fcf == kFcfMcf && self->sentMps_)))
    self->pageStart_ = true;
  if (!incoming && fcf == kFcfDcs && len >= 5) {
    // DCS bits 11-14 (FIF octet 2, mask 0x3C) give the modem and its rate:
    // bit 14 set is V.17, else bit 11 set V.29, else V.27 ter.
    const bool b11 = msg[4] & 0x04, b12 = msg[4] & 0x08, b14 = msg[4] & 0x20;
    self->dcsSent_ = true;
    self->dcsV17_ = b14;
    self->dcsV29_ = !b14 && b11;
    if (b14)
      self->dcsRate_ = b11 ? (b12 ? 7200 : 9600) : (b12 ? 12000 : 14400);
    else if (b11)
      self->dcsRate_ = b12 ? 7200 : 9600;
    else
      self->dcsRate_ = b12 ? 4800 : 2400;
  }
}

bool FaxTerminalEnd::TakePageStart() {
  const bool started = pageStart_;
  pageStart_ = false;
  return started;
}

bool FaxTerminalEnd::TakeDcsSent(int& bitRate, bool& v17, bool& v29) {
  if (!dcsSent_) return false;
  dcsSent_ = false;
  bitRate = dcsRate_;
  v17 = dcsV17_;
  v29 = dcsV29_;
  return true;
}

}  // namespace telvane
