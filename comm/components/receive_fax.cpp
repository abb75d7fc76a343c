// The receive fax component: accepting calls, naming the files of incoming
// faxes, and the settings of the receive engine.
#include "comm/components/receive_fax.h"

#include "comm/components/fax_file_names.h"
#include "comm/fax/fax_receiver.h"

namespace telvane {

TApdReceiveFax::TApdReceiveFax(IMainThreadDispatcher* main) : TApdAbstractFax(main) {}

TApdReceiveFax::~TApdReceiveFax() { DropEngine(); }

void TApdReceiveFax::SetDestinationDir(const std::string& v) { destinationDir_ = CutText(v); }

void TApdReceiveFax::StartReceive() {
  CheckPort();
  faxFile_.clear();
  RunEngine(std::make_unique<FaxReceiver>(*ComPort(), static_cast<IFaxOwner&>(*this), main_));
}

std::string TApdReceiveFax::NextFaxFileName(std::time_t now) const {
  return FreeFaxFileName(destinationDir_, faxNameMode_, FaxFileExt(), now);
}

int TApdReceiveFax::TotalPages() const { return Engine() ? Engine()->Session().currentPage : 0; }

void TApdReceiveFax::ApplyProperties(FaxSession& s) const {
  TApdAbstractFax::ApplyProperties(s);
  s.answerOnRing = answerOnRing_;
  s.faxAndData = faxAndData_;
  s.oneFax = oneFax_;
  s.constantStatus = constantStatus_;
}

void TApdReceiveFax::FaxNext(std::string& phone, std::string& faxFile, std::string& coverFile) {
  // A receiver sends nothing.
  phone.clear();
  faxFile.clear();
  coverFile.clear();
}

void TApdReceiveFax::FaxName(std::string& fileName) {
  if (OnFaxName)
    OnFaxName(*this, fileName);
  else  // taken at once: another receiver in the folder asks for its name before this fax is written
    fileName = ReserveFaxFileName(destinationDir_, faxNameMode_, FaxFileExt(), Clock());
  faxFile_ = fileName;
}

void TApdReceiveFax::FaxAccept(const std::string& /*remoteId*/, bool& accept) {
  accept = true;
  if (OnFaxAccept) OnFaxAccept(*this, accept);
}

void TApdReceiveFax::FaxLog(int logCode) {
  TApdAbstractFax::FaxLog(logCode);
  // The file of a call that has ended is no longer "the file being written".
  if (logCode == lfaxReceiveOk || logCode == lfaxReceiveSkip || logCode == lfaxReceiveFail) faxFile_.clear();
}

}  // namespace telvane
