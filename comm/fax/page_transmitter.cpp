// Page data to the modem, as fast as the output buffer takes it.
#include "comm/fax/page_transmitter.h"

#include <algorithm>

#include "faxdoc/apf_format.h"
#include "faxdoc/t4_encoder.h"

namespace telvane {

void AppendStuffed(std::string& out, const std::uint8_t* line, std::size_t n, int minBytes) {
  for (std::size_t i = 0; i < n; ++i) {
    out += static_cast<char>(line[i]);
    if (line[i] == kDLE) out += static_cast<char>(kDLE);  // DLE is the modem's escape: sent twice
  }
  // Zero fill before the next EOL keeps each line at least as long as the
  // receiver's minimum scan-line time requires (T.4 fill bits).
  if (static_cast<int>(n) < minBytes) out.append(static_cast<std::size_t>(minBytes) - n, '\0');
}

const std::vector<std::uint8_t>& BlankLine(bool wide) {
  static const std::vector<std::uint8_t> normal(kBlankLine, kBlankLine + sizeof kBlankLine);
  static const std::vector<std::uint8_t> wideLine = [] {
    const std::vector<std::uint8_t> white(kWideWidth / 8, 0);
    return EncodeRasterLine(white.data(), kWideWidth);
  }();
  return wide ? wideLine : normal;
}

void PageTransmitter::Begin(std::unique_ptr<PageLines> body, PageSendOptions options) {
  body_ = std::move(body);
  opt_ = std::move(options);
  phase_ = phBlank;
  blankDone_ = 0;
  fillDone_ = false;
  headerDone_ = 0;
  staged_.clear();
  stagedAt_ = 0;
  sent_ = 0;
  bodyTaken_ = 0;
  recoder_.reset();
  if (opt_.twoDimK > 0)
    recoder_ = std::make_unique<MhToMrRecoder>(opt_.wide ? kWideWidth : kNormalWidth, opt_.twoDimK, opt_.minBytes,
                                               MhToMrRecoder::Layout::kPacked);
}

void PageTransmitter::Stage(const std::vector<std::uint8_t>& mh) {
  if (!recoder_) {
    AppendStuffed(staged_, mh.data(), mh.size(), opt_.minBytes);
    return;
  }
  // The re-coder pads each 2-D line to the minimum itself.
  recoded_.clear();
  recoder_->Take(mh.data(), mh.size(), recoded_);
  AppendStuffed(staged_, recoded_.data(), recoded_.size(), 0);
}

int PageTransmitter::RoomLevel(TApdComPort& port, int bufferMinimum) {
  // Room means both: a whole chunk free and no more than BufferMinimum
  // waiting. One free level expresses both, so that the trigger does not
  // fire again and again while the buffer is still above the minimum.
  int size = port.OutSize();
  return std::min(size, std::max(kOutChunk, size - bufferMinimum));
}

bool PageTransmitter::Flush(TApdComPort& port) {
  while (stagedAt_ < staged_.size()) {
    int free = port.OutBuffFree();
    if (free <= 0) return false;
    std::size_t n = std::min(staged_.size() - stagedAt_, static_cast<std::size_t>(free));
    port.PutBlock(staged_.data() + stagedAt_, n);
    stagedAt_ += n;
    sent_ += n;
  }
  staged_.clear();
  stagedAt_ = 0;
  return true;
}

int PageTransmitter::Send(TApdComPort& port) {
  std::vector<std::uint8_t> line;
  int lines = 0;
  for (;;) {
    if (!Flush(port)) return 0;
    if (phase_ == phDone) return 1;
    if (lines >= opt_.maxSendCount) return 0;
    if (port.OutBuffFree() < std::min(kOutChunk, static_cast<int>(port.OutSize())) ||
        port.OutBuffUsed() > opt_.bufferMinimum)
      return 0;
    switch (phase_) {
      case phBlank:
        if (blankDone_ < kBlankLinesPerPage) {
          Stage(BlankLine(opt_.wide));
          ++blankDone_;
          ++lines;
        } else if (!fillDone_) {
          // Zero fill gives the modem a cushion of data before the page proper.
          int used = port.OutBuffUsed();
          // (Never inside a packed 2-D bit stream.)
          if (opt_.startFill && !recoder_ && used < opt_.bufferMinimum)
            staged_.append(static_cast<std::size_t>(std::min(opt_.bufferMinimum - used, kMaxFill)), '\0');
          fillDone_ = true;
        } else {
          phase_ = phHeader;
        }
        break;
      case phHeader:
        if (headerDone_ < opt_.headerLines.size()) {
          Stage(opt_.headerLines[headerDone_++]);
          ++lines;
        } else {
          phase_ = phBody;
        }
        break;
      case phBody: {
        int rc = body_ ? body_->Next(line) : 0;
        if (rc < 0) return rc;
        if (rc == 0) {
          if (recoder_) {
            recoded_.clear();
            recoder_->Finish(recoded_);
            AppendStuffed(staged_, recoded_.data(), recoded_.size(), 0);
          }
          phase_ = phDone;
        } else {
          bodyTaken_ += line.size();
          Stage(line);
          ++lines;
        }
        break;
      }
      case phDone:
        break;
    }
  }
}

}  // namespace telvane
