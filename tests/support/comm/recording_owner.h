// A fax engine's owner for tests: it records every notification, hands out
// the faxes it was given one after the other, names the file a received fax
// goes to, and takes or refuses calls as told.
#pragma once

#include <algorithm>
#include <cstddef>
#include <functional>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "comm/fax/fax_owner.h"

namespace telvane::test {

struct RecordingOwner : IFaxOwner {
  // Faxes handed out by FaxNext, in order (phone, fax file, cover file);
  // afterwards empty answers, which end a sender's list.
  std::vector<std::tuple<std::string, std::string, std::string>> faxes;
  std::size_t nextAsked = 0;
  bool accept = true;
  std::string receiveName;
  // Hooks into the notifications: they run first, before anything is recorded.
  std::function<void()> duringNext;
  std::function<void(int progress)> duringStatus;
  std::function<void(int code)> duringLog;

  std::vector<int> status;  // progress of every status notification
  std::vector<FaxStatusKind> kinds;
  std::vector<int> logs, errors, finishes;
  std::string acceptedId;

  void FaxNext(std::string& phone, std::string& faxFile, std::string& coverFile) override {
    if (duringNext) duringNext();
    if (nextAsked < faxes.size())
      std::tie(phone, faxFile, coverFile) = faxes[nextAsked];
    else
      phone.clear(), faxFile.clear(), coverFile.clear();
    ++nextAsked;
  }
  void FaxStatus(FaxStatusKind kind, int progress) override {
    if (duringStatus) duringStatus(progress);
    status.push_back(progress);
    kinds.push_back(kind);
  }
  void FaxLog(int code) override {
    if (duringLog) duringLog(code);
    logs.push_back(code);
  }
  void FaxName(std::string& fileName) override { fileName = receiveName; }
  void FaxAccept(const std::string& remoteId, bool& ok) override {
    acceptedId = remoteId;
    ok = accept;
  }
  void FaxError(int code) override { errors.push_back(code); }
  void FaxFinish(int code) override { finishes.push_back(code); }

  bool SawProgress(int code) const { return std::find(status.begin(), status.end(), code) != status.end(); }
  // Progress codes with repeats in a row removed.
  std::vector<int> Progress() const {
    std::vector<int> out;
    std::unique_copy(status.begin(), status.end(), std::back_inserter(out));
    return out;
  }
  // The errors and the progress codes, for the message of a failed test.
  std::string Summary() const {
    std::string all = "errors:";
    for (int e : errors) all += " " + std::to_string(e);
    all += "\nprogress:";
    for (int p : status) all += " " + std::to_string(p);
    return all + "\n";
  }
};

}  // namespace telvane::test
