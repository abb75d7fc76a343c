#include "tests/support/convert_text.h"

#include "base/exceptions.h"

namespace telvane::test {

int ConvertText(TApdFaxConverter& cvt, const TempDir& dir, const std::string& text) {
  const std::string input = dir.File("in.txt");
  WriteAll(input, text);
  cvt.SetDocumentFile(input);
  cvt.OutFileName = dir.File("out.apf");
  try {
    cvt.ConvertDocument();
    return 0;
  } catch (const EAPDException& e) {
    return e.ErrorCode();
  }
}

}  // namespace telvane::test
