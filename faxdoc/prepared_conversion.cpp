#include "faxdoc/prepared_conversion.h"

#include <cstdio>
#include <vector>

#include "base/exceptions.h"
#include "faxdoc/apf_join.h"
#include "faxdoc/image_preparation.h"

namespace telvane {
namespace {

// Removes the files it lists when it goes out of scope.
struct Scratch {
  std::vector<std::string> files;
  ~Scratch() {
    for (const std::string& f : files) std::remove(f.c_str());
  }
};

}  // namespace

int ConvertDocumentAs(TApdFaxConverter& cvt, FaxInputDocumentType type, const std::string& input,
                      const std::string& output) {
  cvt.InputDocumentType = type;
  cvt.SetDocumentFile(input);
  cvt.OutFileName = output;
  try {
    cvt.ConvertDocument();
  } catch (const EAPDException& e) {
    return e.ErrorCode();
  }
  return 0;
}

int ConvertPreparedImage(TApdFaxConverter& cvt, const std::string& source, const std::string& preparedBase,
                         const std::string& output) {
  Scratch prepared;
  const FaxPageGeometry geometry{LineWidthOf(cvt.Width), cvt.Resolution == frHigh ? 196 : 98};
  if (int rc = PrepareBmp8Pages(source, preparedBase, prepared.files, geometry)) return rc;
  if (prepared.files.size() == 1) return ConvertDocumentAs(cvt, idBmp, prepared.files.front(), output);
  Scratch parts;
  for (size_t i = 0; i < prepared.files.size(); ++i) {
    parts.files.push_back(output + ".part-" + std::to_string(i + 1));
    if (int rc = ConvertDocumentAs(cvt, idBmp, prepared.files[i], parts.files.back())) return rc;
  }
  const int rc = JoinApfFiles(parts.files, output);
  cvt.OutFileName = output;
  return rc;
}

}  // namespace telvane
