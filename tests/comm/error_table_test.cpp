// The error-text table and the mapping of codes onto exception classes.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "base/error_codes.h"
#include "base/exceptions.h"

namespace telvane {
namespace {

TEST(ErrorTable, KnownCodesHaveTheirTexts) {
  EXPECT_STREQ(ErrorText(-2), "File not found");
  EXPECT_STREQ(ErrorText(-100), "Attempt to read beyond end of file");
  EXPECT_STREQ(ErrorText(-1002), "Bad argument passed to function");
  EXPECT_STREQ(ErrorText(-5001), "No more trigger slots");
  EXPECT_STREQ(ErrorText(-8001), "File is not an APF file");
  EXPECT_STREQ(ErrorText(-8052), "APFAX.FNT not found, or resource bad");
  EXPECT_STREQ(ErrorText(-8074), "Remote fax did not answer");
  EXPECT_STREQ(ErrorText(4843), "Finished");
  EXPECT_STREQ(ErrorText(0), "OK");  // a session that ended well: "结束: OK"
}

TEST(ErrorTable, OtherCodesFallBackToTheSystemText) {
  // A negated errno that the table does not hold gets the C library's text.
  EXPECT_NE(std::string(ErrorText(-EACCES)).find("ermission"), std::string::npos);
  EXPECT_EQ(std::string(ErrorText(-99999)), "Unknown error -99999");
  // The same pointer comes back: callers may keep it.
  EXPECT_EQ(ErrorText(-EACCES), ErrorText(-EACCES));
}

TEST(ErrorTable, ErrnoMapping) {
  EXPECT_EQ(ErrnoToCode(0), 0);
  EXPECT_EQ(ErrnoToCode(ENOENT), ecFileNotFound);
  EXPECT_EQ(ErrnoToCode(ENOSPC), ecDiskFull);
  EXPECT_EQ(ErrnoToCode(ENOMEM), ecOutOfMemory);
  EXPECT_EQ(ErrnoToCode(EACCES), -EACCES);
}

template <typename E>
void ExpectRaises(int code) {
  try {
    RaiseError(code);
    ADD_FAILURE() << "no exception for " << code;
  } catch (const E& e) {
    EXPECT_EQ(e.ErrorCode(), code);
    EXPECT_STREQ(e.what(), ErrorText(code));
  } catch (...) {
    ADD_FAILURE() << "wrong exception class for " << code;
  }
}

TEST(Exceptions, EachCodeRaisesTheClassOfItsArea) {
  EXPECT_NO_THROW(RaiseError(0));
  ExpectRaises<EFaxBadFormat>(ecFaxBadFormat);
  ExpectRaises<EFaxError>(ecConvertAbort);
  ExpectRaises<EPortNotAssigned>(ecPortNotAssigned);
  ExpectRaises<EOutputBufferTooSmall>(ecOutputBufferTooSmall);
  ExpectRaises<ESerialIOError>(ecNotOpen);
  ExpectRaises<ETriggerError>(ecNoMoreTriggers);
  ExpectRaises<EModemError>(ecFatalTimeout);
  ExpectRaises<ETapiBusy>(ecTapiBusy);
  ExpectRaises<ETapiError>(ecTapiNotSet);
  ExpectRaises<EFileError>(ecFileNotFound);
  ExpectRaises<EGeneral>(ecGotQuitMsg);
  // Every class derives from the one base.
  ExpectRaises<EAPDException>(ecFaxBusy);
}

}  // namespace
}  // namespace telvane
