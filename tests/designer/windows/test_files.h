// Reading and writing whole files in the designer windows' tests.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

namespace telvane::test {

// The file's bytes, or "<missing>" when it cannot be read.
inline QByteArray Contents(const QString& name) {
  QFile file(name);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline void Put(const QString& name, const QByteArray& bytes) {
  QFile file(name);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

}  // namespace telvane::test
