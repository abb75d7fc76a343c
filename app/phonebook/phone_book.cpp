#include "app/phonebook/phone_book.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QStringEncoder>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "app/phonebook/paired_files.h"
#include "app/platform/app_paths.h"
#include "base/error_codes.h"
#include "faxdoc/image_file_io.h"
#include "faxdoc/output_file.h"

namespace telvane {
namespace {

constexpr const char* kCodePage = "GBK";
// A phone book far larger than anyone keeps; a bigger file is read as an error.
constexpr std::uint64_t kMaxFileSize = 64u << 20;

std::string Native(const QString& path) { return QFile::encodeName(path).toStdString(); }

[[noreturn]] void Fail(const QString& text) { throw PhoneBookError(text.toStdString()); }

QString Quoted(const QString& path) { return '"' + path + '"'; }

QStringList ReadList(const QString& path) {
  std::vector<std::uint8_t> bytes;
  int rc = ReadWholeFile(Native(path), bytes, kMaxFileSize);
  if (rc == ecBadGraphicsFormat) Fail(QStringLiteral("Cannot open file %1: it is too large").arg(Quoted(path)));
  if (rc != ecOK) Fail(QStringLiteral("Cannot open file %1: %2").arg(Quoted(path), QString::fromUtf8(ErrorText(rc))));
  QStringDecoder decoder(kCodePage);
  const QString text = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  // Lines end with CR LF, LF or CR; text after the last line end is a line too.
  QStringList lines;
  qsizetype start = 0;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] != u'\r' && text[i] != u'\n') continue;
    lines.append(text.mid(start, i - start));
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.append(text.mid(start));
  return lines;
}

std::string Encode(const QStringList& lines, const QString& path) {
  QStringEncoder encoder(kCodePage);
  QByteArray bytes;
  for (const QString& line : lines) {
    bytes += encoder.encode(line);
    if (encoder.hasError())
      Fail(QStringLiteral("Cannot write %1 to file %2: it holds characters that the GBK code page does not have")
               .arg(Quoted(line), Quoted(path)));
    bytes += "\r\n";
  }
  return bytes.toStdString();
}

void WriteFile(const QString& path, const std::string& bytes) {
  const int rc = WriteWholeFile(Native(path), reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  if (rc != ecOK)
    Fail(QStringLiteral("Cannot create file %1: %2").arg(Quoted(path), QString::fromUtf8(ErrorText(rc))));
}

}  // namespace

PhoneBook::PhoneBook(QString folder) : folder_(std::move(folder)) {}

QString PhoneBook::FilePath(const char* fileName) const {
  return QString::fromStdString(WithTrailingSlash(folder_.toStdString())) + QString::fromLatin1(fileName);
}

QString PhoneBook::Trimmed(const QString& text) {
  qsizetype first = 0;
  qsizetype last = text.size();
  while (first < last && text[first].unicode() <= 0x20) ++first;
  while (last > first && text[last - 1].unicode() <= 0x20) --last;
  return text.mid(first, last - first);
}

void PhoneBook::Load() {
  names_.clear();
  numbers_.clear();
  namesRead_ = numbersRead_ = false;
  if (!MakeFolder(Native(folder_))) Fail(QStringLiteral("Cannot create the folder %1").arg(Quoted(folder_)));
  const QString namesPath = FilePath(kNamesFile);
  if (!QFileInfo::exists(namesPath) && !QFileInfo(namesPath).isSymLink()) {
    WriteFile(namesPath, {});
    WriteFile(FilePath(kNumbersFile), {});
  }
  names_ = ReadList(namesPath);
  namesRead_ = true;
  numbers_ = ReadList(FilePath(kNumbersFile));
  numbersRead_ = true;
}

bool PhoneBook::Consistent() const { return namesRead_ && numbersRead_ && names_.size() == numbers_.size(); }

void PhoneBook::Save(const QStringList& names, const QStringList& numbers) {
  const QString namesPath = FilePath(kNamesFile);
  const QString numbersPath = FilePath(kNumbersFile);
  // Everything is encoded before anything is written, so that a name the
  // code page cannot hold changes no file.
  const std::string oldNames = Encode(names_, FilePath(kNamesBackup));
  const std::string oldNumbers = Encode(numbers_, FilePath(kNumbersBackup));
  const std::string newNames = Encode(names, namesPath);
  const std::string newNumbers = Encode(numbers, numbersPath);
  WriteFile(FilePath(kNamesBackup), oldNames);
  WriteFile(FilePath(kNumbersBackup), oldNumbers);
  const std::string failure = ReplaceFilesTogether({Native(namesPath), newNames}, {Native(numbersPath), newNumbers});
  if (!failure.empty()) Fail(QString::fromStdString(failure));
  names_ = names;
  numbers_ = numbers;
}

PhoneBookOutcome PhoneBook::Add(const QString& name, const QString& number) {
  if (!Consistent()) return PhoneBookOutcome::Inconsistent;
  const QString trimmed = Trimmed(name);
  if (trimmed.isEmpty()) return PhoneBookOutcome::NothingToDo;
  if (names_.contains(trimmed, Qt::CaseInsensitive)) return PhoneBookOutcome::Duplicate;
  Save(names_ + QStringList{trimmed}, numbers_ + QStringList{Trimmed(number)});
  return PhoneBookOutcome::Done;
}

PhoneBookOutcome PhoneBook::Remove(int index) {
  if (!Valid(index)) return PhoneBookOutcome::NothingToDo;
  if (!Consistent()) return PhoneBookOutcome::Inconsistent;
  QStringList names = names_;
  QStringList numbers = numbers_;
  names.removeAt(index);
  numbers.removeAt(index);
  Save(names, numbers);
  return PhoneBookOutcome::Done;
}

PhoneBookOutcome PhoneBook::Change(int index, const QString& name, const QString& number) {
  if (!Valid(index)) return PhoneBookOutcome::NothingToDo;
  if (!Consistent()) return PhoneBookOutcome::Inconsistent;
  QStringList names = names_;
  QStringList numbers = numbers_;
  names[index] = Trimmed(name);
  numbers[index] = Trimmed(number);
  Save(names, numbers);
  return PhoneBookOutcome::Done;
}

PhoneBookOutcome PhoneBook::Swap(int index, int other) {
  if (!Valid(index) || !Valid(other)) return PhoneBookOutcome::NothingToDo;
  if (!Consistent()) return PhoneBookOutcome::Inconsistent;
  QStringList names = names_;
  QStringList numbers = numbers_;
  names.swapItemsAt(index, other);
  numbers.swapItemsAt(index, other);
  Save(names, numbers);
  return PhoneBookOutcome::Done;
}

PhoneBookOutcome PhoneBook::MoveUp(int index) { return Swap(index, index - 1); }

PhoneBookOutcome PhoneBook::MoveDown(int index) { return Swap(index, index + 1); }

}  // namespace telvane
