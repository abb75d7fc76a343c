// Little-endian fields of design files, and the texts of load failures.
#include "designer/fcp_stream.h"

#include <QtEndian>
#include <cstring>

namespace telvane {

QString FcpResult::Message() const {
  switch (Error) {
    case FcpError::None: return QString();
    case FcpError::VersionMismatch: return QString::fromLatin1(kFcpVersionMessage);
    case FcpError::EndsEarly:
      return Field == 0 ? QStringLiteral("The cover page file ends inside its header.")
                        : QStringLiteral("The cover page file ends inside field %1.").arg(Field);
    case FcpError::UnknownFieldType:
      return QStringLiteral("Field %1 of the cover page file has the unknown type %2 "
                            "(0 is a text field, 1 an image field).")
          .arg(Field)
          .arg(FieldType);
    case FcpError::BadPicture:
      return QStringLiteral("The picture of field %1 of the cover page file cannot be read.").arg(Field);
    case FcpError::BadGeometry:
      return Field == 0 ? QStringLiteral("The cover page file holds a page size no page can have.")
                        : QStringLiteral("Field %1 of the cover page file lies where no page can hold it.").arg(Field);
    case FcpError::FileError: return FileMessage;
  }
  return QString();
}

void FcpWriter::I32(int32_t v) { U32(static_cast<uint32_t>(v)); }

void FcpWriter::U32(uint32_t v) {
  char b[4];
  qToLittleEndian<quint32>(v, b);
  bytes_.append(b, 4);
}

void FcpWriter::Double(double v) {
  quint64 bits;
  std::memcpy(&bits, &v, 8);
  char b[8];
  qToLittleEndian<quint64>(bits, b);
  bytes_.append(b, 8);
}

bool FcpReader::U8(uint8_t& v) {
  if (Remaining() < 1) return false;
  v = static_cast<uint8_t>(data_[pos_++]);
  return true;
}

bool FcpReader::I32(int32_t& v) {
  uint32_t u;
  if (!U32(u)) return false;
  v = static_cast<int32_t>(u);
  return true;
}

bool FcpReader::U32(uint32_t& v) {
  if (Remaining() < 4) return false;
  v = qFromLittleEndian<quint32>(data_.constData() + pos_);
  pos_ += 4;
  return true;
}

bool FcpReader::Double(double& v) {
  if (Remaining() < 8) return false;
  const quint64 bits = qFromLittleEndian<quint64>(data_.constData() + pos_);
  std::memcpy(&v, &bits, 8);
  pos_ += 8;
  return true;
}

bool FcpReader::Bytes(qsizetype n, QByteArray& out) {
  if (n < 0 || Remaining() < n) return false;
  out = data_.mid(pos_, n);
  pos_ += n;
  return true;
}

}  // namespace telvane
