// The send fax component: sends the faxes its owner names (OnFaxNext) or the
// one fax its properties describe, merging a list of files into one fax.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "comm/components/abstract_fax.h"
#include "faxdoc/text_renderer.h"

namespace telvane {

class TApdSendFax : public TApdAbstractFax {
 public:
  explicit TApdSendFax(IMainThreadDispatcher* main);
  ~TApdSendFax() override;

  // Checks the port, merges FaxFileList when it is to go out as one fax, and
  // starts the session. Throws EPortNotAssigned (-1005), -1009 for a network
  // port, EOutputBufferTooSmall (-3006), EFaxBadFormat (-8001) for a list file
  // that is no APF file; nothing has been dialled then.
  void StartTransmit();

  // --- Properties ---
  const std::vector<std::string>& FaxFileList() const { return faxFileList_; }
  void SetFaxFileList(std::vector<std::string> v);
  // The first entry of FaxFileList; setting it makes it the only entry.
  std::string FaxFile() const override;
  void SetFaxFile(const std::string& v) override;
  const std::string& PhoneNumber() const { return phoneNumber_; }
  void SetPhoneNumber(const std::string& v);
  const std::string& CoverFile() const { return coverFile_; }
  void SetCoverFile(const std::string& v);
  const std::string& HeaderLine() const { return headerLine_; }
  void SetHeaderLine(const std::string& v);
  const std::string& HeaderSender() const { return headerSender_; }
  void SetHeaderSender(const std::string& v);
  const std::string& HeaderRecipient() const { return headerRecipient_; }
  void SetHeaderRecipient(const std::string& v);
  const std::string& HeaderTitle() const { return headerTitle_; }
  void SetHeaderTitle(const std::string& v);
  bool EnhTextEnabled() const { return enhTextEnabled_; }
  void SetEnhTextEnabled(bool v) { enhTextEnabled_ = v; }
  const FaxFontSpec& EnhFont() const { return enhFont_; }
  void SetEnhFont(const FaxFontSpec& v) { enhFont_ = v; }
  const FaxFontSpec& EnhHeaderFont() const { return enhHeaderFont_; }
  void SetEnhHeaderFont(const FaxFontSpec& v) { enhHeaderFont_ = v; }
  bool BlindDial() const { return blindDial_; }
  void SetBlindDial(bool v) { blindDial_ = v; }
  bool DetectBusy() const { return detectBusy_; }
  void SetDetectBusy(bool v) { detectBusy_ = v; }
  bool ToneDial() const { return toneDial_; }
  void SetToneDial(bool v) { toneDial_ = v; }
  const std::string& DialPrefix() const { return dialPrefix_; }
  void SetDialPrefix(const std::string& v);   // at most 40 characters
  int DialWait() const { return dialWait_; }              // seconds
  void SetDialWait(int secs) { dialWait_ = secs; }
  int DialAttempts() const { return dialAttempts_; }
  void SetDialAttempts(int v) { dialAttempts_ = v; }
  int DialRetryWait() const { return dialRetryWait_; }    // seconds
  void SetDialRetryWait(int secs) { dialRetryWait_ = secs; }
  int MaxSendCount() const { return maxSendCount_; }
  void SetMaxSendCount(int v) { maxSendCount_ = v; }
  int BufferMinimum() const { return bufferMinimum_; }
  void SetBufferMinimum(int v) { bufferMinimum_ = v; }
  bool SafeMode() const { return safeMode_; }
  void SetSafeMode(bool v) { safeMode_ = v; }
  // The current dial attempt of the running session.
  int DialAttempt() const;
  // The merged file of the running session (empty when none was made).
  const std::string& MergedFile() const { return mergedFile_; }

  // Asked for each fax; an empty phone number and fax file end the list.
  std::function<void(TApdAbstractFax&, std::string& phone, std::string& faxFile, std::string& coverFile)>
      OnFaxNext;
  // Makes the system-font renderer for enhanced text; the QtGui one when empty.
  std::function<std::unique_ptr<TextBitmapRenderer>()> TextRendererFactory;

 protected:
  void ApplyProperties(FaxSession& s) const override;
  void SessionEnded(int code) override;
  void FaxNext(std::string& phone, std::string& faxFile, std::string& coverFile) override;
  void FaxName(std::string& fileName) override;
  void FaxAccept(const std::string& remoteId, bool& accept) override;

 private:
  void RemoveMergedFile();

  std::vector<std::string> faxFileList_;
  std::string phoneNumber_, coverFile_;
  std::string headerLine_, headerSender_, headerRecipient_, headerTitle_;
  bool enhTextEnabled_ = false;
  FaxFontSpec enhFont_;
  FaxFontSpec enhHeaderFont_;
  bool blindDial_ = false;
  bool detectBusy_ = true;
  bool toneDial_ = true;
  std::string dialPrefix_;
  int dialWait_ = 60;
  int dialAttempts_ = 3;
  int dialRetryWait_ = 60;
  int maxSendCount_ = 50;
  int bufferMinimum_ = 1000;
  bool safeMode_ = true;

  std::string mergedFile_;
  bool nextAnswered_ = false;
};

}  // namespace telvane
