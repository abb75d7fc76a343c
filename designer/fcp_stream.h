// Byte-level reading and writing of .fcp design files (little-endian), and
// the results of loading and saving.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <string>
#include <utility>

namespace telvane {

enum class FcpError {
  None,
  VersionMismatch,   // the header's version is not length 4, "1.00"
  EndsEarly,         // the file ends inside the header or a field record
  UnknownFieldType,  // a field type byte other than 0 (text) or 1 (image)
  BadPicture,        // an image field's picture is not a BMP this program reads
  BadGeometry,       // a page size or field position no page can have
  FileError,         // the file cannot be opened, read or written
};

struct FcpResult {
  FcpResult() = default;
  FcpResult(FcpError error, int field = 0, int fieldType = 0, QString fileMessage = QString())
      : Error(error), Field(field), FieldType(fieldType), FileMessage(std::move(fileMessage)) {}

  FcpError Error = FcpError::None;
  int Field = 0;        // 1-based number of the field concerned, 0 for the header
  int FieldType = 0;    // the type byte, for UnknownFieldType
  QString FileMessage;  // the system's text, for FileError

  bool Ok() const { return Error == FcpError::None; }
  // The text shown to the user.
  QString Message() const;
};

inline constexpr char kFcpVersionMessage[] = "Version mismatch! Unable to read Fax Cover Page!";

class FcpWriter {
 public:
  void U8(uint8_t v) { bytes_.append(static_cast<char>(v)); }
  void I32(int32_t v);
  void U32(uint32_t v);
  void Double(double v);
  void Bytes(const QByteArray& b) { bytes_.append(b); }
  QByteArray& Data() { return bytes_; }

 private:
  QByteArray bytes_;
};

// Reads from a buffer; every read fails (returns false, reads nothing) when
// fewer bytes are left than asked for.
class FcpReader {
 public:
  explicit FcpReader(const QByteArray& data) : data_(data) {}
  bool U8(uint8_t& v);
  bool I32(int32_t& v);
  bool U32(uint32_t& v);
  bool Double(double& v);
  bool Bytes(qsizetype n, QByteArray& out);
  qsizetype Remaining() const { return data_.size() - pos_; }

 private:
  const QByteArray& data_;
  qsizetype pos_ = 0;
};

}  // namespace telvane
