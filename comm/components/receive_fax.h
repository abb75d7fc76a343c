// The receive fax component: answers calls, asks whether to take them and
// names the files incoming faxes are written to.
#pragma once

#include <ctime>
#include <functional>
#include <string>

#include "comm/components/abstract_fax.h"

namespace telvane {

class TApdReceiveFax : public TApdAbstractFax {
 public:
  explicit TApdReceiveFax(IMainThreadDispatcher* main);
  ~TApdReceiveFax() override;

  // Checks the port and starts waiting for calls. Throws EPortNotAssigned
  // (-1005), -1009 for a network port, EOutputBufferTooSmall (-3006).
  void StartReceive();

  // --- Properties ---
  int AnswerOnRing() const { return answerOnRing_; }
  void SetAnswerOnRing(int v) { answerOnRing_ = v; }
  bool FaxAndData() const { return faxAndData_; }
  void SetFaxAndData(bool v) { faxAndData_ = v; }
  bool OneFax() const { return oneFax_; }
  void SetOneFax(bool v) { oneFax_ = v; }
  bool ConstantStatus() const { return constantStatus_; }
  void SetConstantStatus(bool v) { constantStatus_ = v; }
  const std::string& DestinationDir() const { return destinationDir_; }
  void SetDestinationDir(const std::string& v);
  // 1: "FAX0001.APF" numbers; 2: month and day, "12090001.APF".
  int FaxNameMode() const { return faxNameMode_; }
  void SetFaxNameMode(int v) { faxNameMode_ = v; }

  // The caller's station ID is known (RemoteID()); `accept` comes in true.
  std::function<void(TApdAbstractFax&, bool& accept)> OnFaxAccept;
  // Supplies the name of the file an incoming fax is written to.
  std::function<void(TApdAbstractFax&, std::string& fileName)> OnFaxName;

  // The name the naming mode gives a fax that arrives at `now` (no
  // OnFaxName): the first free number in DestinationDir.
  std::string NextFaxFileName(std::time_t now) const;

  int TotalPages() const override;

 protected:
  void ApplyProperties(FaxSession& s) const override;
  void FaxNext(std::string& phone, std::string& faxFile, std::string& coverFile) override;
  void FaxName(std::string& fileName) override;
  void FaxAccept(const std::string& remoteId, bool& accept) override;
  void FaxLog(int logCode) override;

 private:
  int answerOnRing_ = 1;
  bool faxAndData_ = false;
  bool oneFax_ = false;
  bool constantStatus_ = false;
  std::string destinationDir_;
  int faxNameMode_ = 1;
};

}  // namespace telvane
