// PDF file structure for fax pages: objects, cross-reference table, trailer.
#include "faxdoc/pdf_writer.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "base/error_codes.h"

namespace telvane {

namespace {

// A page length in points for the page box and the image's scale: the
// largest multiple of 0.001 below the exact length. A reader that renders at
// the fax's own resolution then covers exactly the page's pixels with the
// image; at the exact length its arithmetic can land a hair past a pixel
// edge, map the image onto one row more and blend two rows into grey.
std::string PageLength(double points) {
  const double below = (std::ceil(points * 1000.0 - 1e-6) - 1.0) / 1000.0;
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, below, std::chars_format::fixed, 3);
  std::string s(text, result.ptr);
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

}  // namespace

int PdfWriter::Put(const std::string& text) { return file_.Write(text.data(), text.size()); }

int PdfWriter::BeginObject(unsigned number, const std::string& body) {
  if (offsets_.size() < number) offsets_.resize(number, 0);
  offsets_[number - 1] = file_.Size();
  return Put(std::to_string(number) + " 0 obj\n" + body);
}

int PdfWriter::Begin() {
  // The comment of bytes above 127 marks the file as binary for transfer programs.
  if (const int rc = Put("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"); rc != ecOK) return rc;
  return BeginObject(1, "<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
}

int PdfWriter::AddFaxPage(const CcittPageCoder& page, double linesPerInch) {
  if (page.Rows() == 0 || page.Columns() == 0 || linesPerInch <= 0) return ecBadArgument;
  const unsigned pageObject = nextObject_, contentObject = nextObject_ + 1, imageObject = nextObject_ + 2;
  nextObject_ += 3;
  pageObjects_.push_back(pageObject);
  const std::string width = PageLength(page.Columns() * 72.0 / kFaxDotsPerInchAcross);
  const std::string height = PageLength(page.Rows() * 72.0 / linesPerInch);
  const std::string columns = std::to_string(page.Columns()), rows = std::to_string(page.Rows());

  int rc = BeginObject(pageObject, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + width + " " + height +
                                       "] /Resources << /XObject << /Fax " + std::to_string(imageObject) +
                                       " 0 R >> >> /Contents " + std::to_string(contentObject) +
                                       " 0 R >>\nendobj\n");
  if (rc != ecOK) return rc;

  // The image's unit square stretched over the whole page.
  const std::string content = "q " + width + " 0 0 " + height + " 0 0 cm /Fax Do Q\n";
  rc = BeginObject(contentObject, "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content +
                                      "endstream\nendobj\n");
  if (rc != ecOK) return rc;

  // The coded lines as the filter reads them: one-dimensional (/K 0), each
  // line from a byte boundary, no EOL codes, ended by the row count rather
  // than by a return-to-control code. Decoded, 0 is black, as DeviceGray shows it.
  const std::vector<uint8_t>& data = page.Data();
  rc = BeginObject(imageObject, "<< /Type /XObject /Subtype /Image /Width " + columns + " /Height " + rows +
                                    " /ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /CCITTFaxDecode"
                                    " /DecodeParms << /K 0 /Columns " + columns + " /Rows " + rows +
                                    " /EncodedByteAlign true /EndOfLine false /EndOfBlock false"
                                    " /BlackIs1 false >> /Length " + std::to_string(data.size()) +
                                    " >>\nstream\n");
  if (rc != ecOK) return rc;
  if ((rc = file_.Write(data.data(), data.size())) != ecOK) return rc;
  return Put("\nendstream\nendobj\n");
}

int PdfWriter::Finish() {
  std::string kids;
  for (const unsigned object : pageObjects_) kids += (kids.empty() ? "" : " ") + std::to_string(object) + " 0 R";
  int rc = BeginObject(2, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(Pages()) +
                              " >>\nendobj\n");
  if (rc != ecOK) return rc;

  const uint64_t xref = file_.Size();
  const size_t objects = offsets_.size() + 1;  // with the free object 0
  if ((rc = Put("xref\n0 " + std::to_string(objects) + "\n0000000000 65535 f \n")) != ecOK) return rc;
  for (const uint64_t offset : offsets_) {
    // Each entry is exactly 20 bytes, its line end included.
    char entry[32];
    std::snprintf(entry, sizeof entry, "%010llu 00000 n \n", static_cast<unsigned long long>(offset));
    if ((rc = Put(entry)) != ecOK) return rc;
  }
  return Put("trailer\n<< /Size " + std::to_string(objects) + " /Root 1 0 R >>\nstartxref\n" +
             std::to_string(xref) + "\n%%EOF\n");
}

}  // namespace telvane
