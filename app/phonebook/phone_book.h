// The phone book: names with one phone number each, kept as two parallel
// text files in a folder, "PhoneBook1.Dat" (names) and "PhoneBook2.Dat"
// (numbers), paired by line number. Text is GBK, every line ends with CR LF
// (LF or CR alone are read as well), an empty list is an empty file.
//
// Every change first writes the book as it is to "PhoneBook1.bak" and
// "PhoneBook2.bak" (so one step can be undone by copying them back), then
// the changed book to both .Dat files together: either both are replaced or
// neither (see paired_files.h). A change that fails leaves the book in
// memory and both .Dat files as they were.
#pragma once

#include <QString>
#include <QStringList>
#include <stdexcept>

namespace telvane {

enum class PhoneBookOutcome {
  Done,
  NothingToDo,   // no such entry, an empty name to add, a move past either end
  Inconsistent,  // the two files hold different numbers of lines: no change is made
  Duplicate,     // the name to add is in the book already (in any letter case)
};

// A phone book file that cannot be read or written; the text names the file.
class PhoneBookError : public std::runtime_error {
  using runtime_error::runtime_error;
};

class PhoneBook {
 public:
  static constexpr const char* kNamesFile = "PhoneBook1.Dat";
  static constexpr const char* kNumbersFile = "PhoneBook2.Dat";
  static constexpr const char* kNamesBackup = "PhoneBook1.bak";
  static constexpr const char* kNumbersBackup = "PhoneBook2.bak";

  explicit PhoneBook(QString folder);

  QString Folder() const { return folder_; }
  QString FilePath(const char* fileName) const;

  // Reads both files afresh, making the folder when it is missing. Without a
  // names file (first use) both .Dat files are first written empty. A file
  // that cannot be read throws PhoneBookError; the lists read so far stay and
  // the book counts as inconsistent.
  void Load();

  // Both files were read and hold the same number of lines.
  bool Consistent() const;
  const QStringList& Names() const { return names_; }
  const QStringList& Numbers() const { return numbers_; }

  // Appends name and number, both trimmed.
  PhoneBookOutcome Add(const QString& name, const QString& number);
  PhoneBookOutcome Remove(int index);
  // Replaces entry `index` by the trimmed name and number; no duplicate check,
  // an empty name is taken.
  PhoneBookOutcome Change(int index, const QString& name, const QString& number);
  PhoneBookOutcome MoveUp(int index);
  PhoneBookOutcome MoveDown(int index);

  // Without leading and trailing blanks and control characters.
  static QString Trimmed(const QString& text);

 private:
  void Save(const QStringList& names, const QStringList& numbers);
  PhoneBookOutcome Swap(int index, int other);
  bool Valid(int index) const { return index >= 0 && index < names_.size(); }

  QString folder_;
  QStringList names_;
  QStringList numbers_;
  bool namesRead_ = false;
  bool numbersRead_ = false;
};

}  // namespace telvane
