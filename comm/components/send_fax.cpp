// The send fax component: which faxes go out, the merge of a file list into
// one fax, and the settings of the send engine.
#include "comm/components/send_fax.h"

#include <unistd.h>

#include "base/error_codes.h"
#include "base/exceptions.h"
#include "comm/fax/fax_sender.h"
#include "comm/components/merge_apf.h"

namespace telvane {
namespace {

constexpr std::size_t kDialPrefixMax = 40;

}  // namespace

TApdSendFax::TApdSendFax(IMainThreadDispatcher* main) : TApdAbstractFax(main) {}

TApdSendFax::~TApdSendFax() {
  // The engine goes before the merged file it may still be reading.
  DropEngine();
  RemoveMergedFile();
}

void TApdSendFax::SetFaxFileList(std::vector<std::string> v) {
  for (auto& name : v) name = CutText(name);
  faxFileList_ = std::move(v);
}

std::string TApdSendFax::FaxFile() const { return faxFileList_.empty() ? std::string() : faxFileList_.front(); }

void TApdSendFax::SetFaxFile(const std::string& v) {
  faxFileList_.clear();
  faxFileList_.push_back(CutText(v));
}

void TApdSendFax::SetPhoneNumber(const std::string& v) { phoneNumber_ = CutText(v); }
void TApdSendFax::SetCoverFile(const std::string& v) { coverFile_ = CutText(v); }
void TApdSendFax::SetHeaderLine(const std::string& v) { headerLine_ = CutText(v); }
void TApdSendFax::SetHeaderSender(const std::string& v) { headerSender_ = CutText(v); }
void TApdSendFax::SetHeaderRecipient(const std::string& v) { headerRecipient_ = CutText(v); }
void TApdSendFax::SetHeaderTitle(const std::string& v) { headerTitle_ = CutText(v); }
void TApdSendFax::SetDialPrefix(const std::string& v) { dialPrefix_ = CutText(v, kDialPrefixMax); }

int TApdSendFax::DialAttempt() const { return Engine() ? Engine()->Session().attempt : 0; }

void TApdSendFax::StartTransmit() {
  CheckPort();
  RemoveMergedFile();
  nextAnswered_ = false;
  // A list of files without a next-fax handler goes out as one fax: joined
  // before anything is dialled, so that a bad file stops the send at once.
  if (!OnFaxNext && faxFileList_.size() >= 2) mergedFile_ = MergeApfFiles(faxFileList_, TempFolder());
  try {
    // A start that fails reports through OnFaxError and OnFaxFinish; the
    // finish removes the merged file.
    RunEngine(std::make_unique<FaxSender>(*ComPort(), static_cast<IFaxOwner&>(*this), main_));
  } catch (...) {
    RemoveMergedFile();
    throw;
  }
}

void TApdSendFax::ApplyProperties(FaxSession& s) const {
  TApdAbstractFax::ApplyProperties(s);
  s.headerLine = headerLine_;
  s.headerSender = headerSender_;
  s.headerRecipient = headerRecipient_;
  s.headerTitle = headerTitle_;
  s.blindDial = blindDial_;
  s.detectBusy = detectBusy_;
  s.UpdateDefaultInit();
  s.toneDial = toneDial_;
  s.dialPrefix = dialPrefix_;
  s.SetDialWaitSecs(dialWait_);
  s.dialAttempts = dialAttempts_;
  s.SetRetryWaitSecs(dialRetryWait_);
  s.maxSendCount = maxSendCount_;
  s.bufferMinimum = bufferMinimum_;
  s.safeMode = safeMode_;
  s.enhText.enabled = enhTextEnabled_;
  s.enhText.font = enhFont_;
  s.enhText.headerFont = enhHeaderFont_;
  s.enhText.rendererFactory = TextRendererFactory;
}

void TApdSendFax::FaxNext(std::string& phone, std::string& faxFile, std::string& coverFile) {
  if (OnFaxNext) {
    phone.clear();
    faxFile.clear();
    coverFile.clear();
    OnFaxNext(*this, phone, faxFile, coverFile);
    // The names are kept as given: on a file system that tells case apart an
    // upper-cased path names another file.
    phoneNumber_ = CutText(phone);
    coverFile_ = CutText(coverFile);
    if (!faxFile.empty() || !phone.empty()) SetFaxFile(faxFile);
    return;
  }
  // Without a handler the component sends exactly one fax.
  if (nextAnswered_) {
    phone.clear();
    faxFile.clear();
    coverFile.clear();
    return;
  }
  nextAnswered_ = true;
  phone = phoneNumber_;
  faxFile = mergedFile_.empty() ? FaxFile() : mergedFile_;
  coverFile = coverFile_;
}

void TApdSendFax::FaxName(std::string& /*fileName*/) {}

void TApdSendFax::FaxAccept(const std::string& /*remoteId*/, bool& /*accept*/) {}

void TApdSendFax::SessionEnded(int /*code*/) { RemoveMergedFile(); }

void TApdSendFax::RemoveMergedFile() {
  if (mergedFile_.empty()) return;
  ::unlink(mergedFile_.c_str());
  mergedFile_.clear();
}

}  // namespace telvane
