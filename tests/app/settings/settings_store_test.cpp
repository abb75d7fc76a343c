// The settings stores: the rules both follow (names in any ASCII letter
// case, types, booleans, absent values, texts), then the file store's own
// behaviour: its text on disk, hand edits, a file it cannot parse, and
// writes that fail.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <climits>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/settings/file_settings_store.h"
#include "app/settings/memory_settings_store.h"
#include "tests/support/temp_dir.h"

namespace telvane {
namespace {

using test::ReadAll;
using test::TempDir;
using test::WriteAll;

const std::string kFax = "software\\Kestrel\\Fax";
const std::string kDevice = "software\\Kestrel\\telphone";
const std::string kHeaderLine =
    "; Telvane settings. Written by the program; values are \"name\"=dword:decimal or \"name\"=\"text\".\n";

// --- Rules of both stores ---

struct StoreKind {
  const char* name;
  std::function<std::unique_ptr<ISettingsStore>(const TempDir&)> make;
};
void PrintTo(const StoreKind& k, std::ostream* os) { *os << k.name; }

const StoreKind kMemory{"Memory", [](const TempDir&) { return std::make_unique<MemorySettingsStore>(); }};
// The file lies in a folder that does not exist yet: the first write makes it.
const StoreKind kFile{"File", [](const TempDir& dir) {
                        return std::make_unique<FileSettingsStore>(dir.File("config/telvane/settings.reg"));
                      }};

class StoreTest : public ::testing::Test {
 protected:
  TempDir dir_;
};

class BothStores : public StoreTest, public ::testing::WithParamInterface<StoreKind> {
 protected:
  void SetUp() override { store_ = GetParam().make(dir_); }
  std::unique_ptr<ISettingsStore> store_;
};

TEST_P(BothStores, AbsentValuesReadAsNothing) {
  EXPECT_EQ(store_->ReadInteger(kFax, "Bauds"), std::nullopt);
  EXPECT_EQ(store_->ReadString(kFax, "StationID"), std::nullopt);
  EXPECT_EQ(ReadBool(*store_, kFax, "AutoAnswer"), std::nullopt);
  EXPECT_FALSE(store_->ValueExists(kFax, "Bauds"));
  // A value under one key is absent under another.
  store_->WriteString(kDevice, "Modem", "Simulated line");
  EXPECT_FALSE(store_->ValueExists(kFax, "Modem"));
  EXPECT_EQ(store_->ReadString(kFax, "Modem"), std::nullopt);
  EXPECT_EQ(store_->ReadString(kDevice, "Modem"), "Simulated line");
}

struct NameCase {
  const char* name;
  std::string writeKey, writeName, readKey, readName;
  bool found;
};
void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }

class NameMatching : public StoreTest,
                     public ::testing::WithParamInterface<std::tuple<StoreKind, NameCase>> {};

TEST_P(NameMatching, IgnoresAsciiLetterCaseOnly) {
  const auto& [kind, c] = GetParam();
  auto store = kind.make(dir_);
  store->WriteInteger(c.writeKey, c.writeName, 42);
  EXPECT_EQ(store->ValueExists(c.readKey, c.readName), c.found);
  EXPECT_EQ(store->ReadInteger(c.readKey, c.readName), c.found ? std::optional<std::int32_t>(42) : std::nullopt);
  // A write under the other spelling changes the same value.
  store->WriteInteger(c.readKey, c.readName, 43);
  EXPECT_EQ(store->ReadInteger(c.writeKey, c.writeName), c.found ? 43 : 42);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, NameMatching,
    ::testing::Combine(
        ::testing::Values(kMemory, kFile),
        ::testing::Values(
            NameCase{"SameSpelling", kFax, "Bauds", kFax, "Bauds", true},
            NameCase{"ValueNameCase", kFax, "coverFile", kFax, "COVERFILE", true},
            NameCase{"KeyCase", kFax, "Ring", "SOFTWARE\\kestrel\\fAX", "Ring", true},
            NameCase{"OtherKey", kFax, "Modem", kDevice, "Modem", false},
            // Backslashes are part of the key: a slash is another key.
            NameCase{"SlashIsNotBackslash", kFax, "Ring", "software/Kestrel/Fax", "Ring", false},
            NameCase{"SimilarName", kFax, "DialWait", kFax, "DialWaits", false},
            // Only ASCII letters are folded: A-umlaut and a-umlaut differ.
            NameCase{"NonAsciiLettersDiffer", kFax, "\xC3\x84nderung", kFax, "\xC3\xA4nderung", false},
            NameCase{"ChineseName", kFax, "\xE7\xAB\x99 ID", kFax, "\xE7\xAB\x99 id", true})),
    [](const auto& info) {
      return std::string(std::get<0>(info.param).name) + "_" + std::get<1>(info.param).name;
    });

TEST_P(BothStores, ReadingTheOtherTypeIsAnError) {
  store_->WriteInteger(kFax, "Bauds", 7);
  store_->WriteString(kFax, "StationID", "5551234");
  EXPECT_THROW(store_->ReadString(kFax, "Bauds"), SettingsError);
  EXPECT_THROW(store_->ReadInteger(kFax, "StationID"), SettingsError);
  EXPECT_THROW(ReadBool(*store_, kFax, "stationid"), SettingsError);
  // The values themselves are untouched.
  EXPECT_EQ(store_->ReadInteger(kFax, "Bauds"), 7);
  EXPECT_EQ(store_->ReadString(kFax, "StationID"), "5551234");
}

TEST_P(BothStores, WritingTheOtherTypeReplacesTheValue) {
  store_->WriteInteger(kFax, "LogName", 1);
  store_->WriteString(kFax, "logname", "/var/log/fax");
  EXPECT_EQ(store_->ReadString(kFax, "LogName"), "/var/log/fax");
  EXPECT_THROW(store_->ReadInteger(kFax, "LogName"), SettingsError);
}

struct BoolCase {
  std::int32_t stored;
  bool reads;
};

class BoolRules : public StoreTest, public ::testing::WithParamInterface<std::tuple<StoreKind, BoolCase>> {};

TEST_P(BoolRules, AnyNonZeroIntegerIsTrue) {
  const auto& [kind, c] = GetParam();
  auto store = kind.make(dir_);
  store->WriteInteger(kFax, "AutoAnswer", c.stored);
  EXPECT_EQ(ReadBool(*store, kFax, "AutoAnswer"), c.reads);
  // Written back, a boolean is 0 or 1.
  WriteBool(*store, kFax, "AutoAnswer", c.reads);
  EXPECT_EQ(store->ReadInteger(kFax, "AutoAnswer"), c.reads ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Settings, BoolRules,
                         ::testing::Combine(::testing::Values(kMemory, kFile),
                                            ::testing::Values(BoolCase{0, false}, BoolCase{1, true},
                                                              BoolCase{5, true}, BoolCase{-1, true},
                                                              BoolCase{INT32_MIN, true})),
                         [](const auto& info) {
                           const std::int32_t v = std::get<1>(info.param).stored;
                           return std::string(std::get<0>(info.param).name) + "_" + (v < 0 ? "minus" : "") +
                                  std::to_string(v < 0 ? -(static_cast<std::int64_t>(v)) : v);
                         });

TEST_P(BothStores, IntegersKeepTheirFullRange) {
  for (const std::int32_t v : {INT32_MIN, -1, 0, 38400, INT32_MAX}) {
    store_->WriteInteger(kFax, "DialWait", v);
    EXPECT_EQ(store_->ReadInteger(kFax, "DialWait"), v);
  }
}

// Texts come back exactly, whatever they hold.
TEST_P(BothStores, TextsComeBackExactly) {
  const std::vector<std::string> texts = {
      "",
      "传真 5551234",
      "Fax sent by $I using  Telvane    $D $T",
      "C:\\Logs\\fax.log",
      "quote \" backslash \\ end\\",
      "\\x41 is not an escape in the value",
      "lines\r\nand\ttabs\x01\x1f\x7f",
      "  blanks at both ends  ",
      "; not a comment",
      "[not a key]",
      "=dword:5",
  };
  for (const std::string& text : texts) {
    store_->WriteString(kFax, "HeaderTitle", text);
    EXPECT_EQ(store_->ReadString(kFax, "HeaderTitle"), text);
  }
}

// Names of values are texts too: quotes, backslashes and the empty name.
TEST_P(BothStores, AwkwardValueNamesAreKept) {
  const std::vector<std::string> names = {"", "a\"b", "back\\slash", "with space", "tab\tname"};
  for (size_t i = 0; i < names.size(); ++i) store_->WriteInteger(kFax, names[i], static_cast<std::int32_t>(i));
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(store_->ReadInteger(kFax, names[i]), i) << names[i];
}

TEST_P(BothStores, RefusesWhatItCouldNotStore) {
  store_->WriteString(kFax, "SenderName", "before");
  // Bytes that are not UTF-8, a key with a line break, an empty key.
  EXPECT_THROW(store_->WriteString(kFax, "SenderName", "\xD5\xC5\xC8\xFD"), SettingsError);
  EXPECT_THROW(store_->WriteString(kFax, "Sender\xFFName", "x"), SettingsError);
  EXPECT_THROW(store_->WriteInteger("software\nKestrel", "Bauds", 1), SettingsError);
  EXPECT_THROW(store_->WriteInteger("", "Bauds", 1), SettingsError);
  EXPECT_EQ(store_->ReadString(kFax, "SenderName"), "before");
}

INSTANTIATE_TEST_SUITE_P(Settings, BothStores, ::testing::Values(kMemory, kFile),
                         [](const auto& info) { return std::string(info.param.name); });

// --- The in-memory store's knobs ---

TEST(MemorySettingsStore, FailingWritesChangeNothingAndAreCounted) {
  MemorySettingsStore store;
  store.WriteInteger(kFax, "Ring", 2);
  store.failWrites = true;
  EXPECT_THROW(store.WriteInteger(kFax, "Ring", 5), SettingsError);
  EXPECT_THROW(store.WriteString(kFax, "StationID", "x"), SettingsError);
  store.failWrites = false;
  EXPECT_EQ(store.ReadInteger(kFax, "Ring"), 2);
  EXPECT_FALSE(store.ValueExists(kFax, "StationID"));
  EXPECT_EQ(store.writes, 3);
  EXPECT_EQ(store.reads, 2);
}

TEST(MemorySettingsStore, AnyAccessCreatesTheKey) {
  MemorySettingsStore store;
  EXPECT_FALSE(store.KeyExists(kFax));
  EXPECT_EQ(store.ReadInteger("Software\\KESTREL\\fax", "Bauds"), std::nullopt);
  EXPECT_TRUE(store.KeyExists(kFax));
  EXPECT_FALSE(store.KeyExists(kDevice));
}

// --- The file store ---

class FileStore : public StoreTest {
 protected:
  FileStore() : path_(dir_.File("settings.reg")), store_(path_) {
    store_.onSetAside = [this](const std::string& message) { messages_.push_back(message); };
  }
  std::string path_;
  FileSettingsStore store_;
  std::vector<std::string> messages_;
};

TEST_F(FileStore, WritesTextAPersonCanRead) {
  store_.WriteInteger(kFax, "Bauds", 7);
  store_.WriteString(kFax, "StationID", "传真 5551234");
  store_.WriteString(kDevice, "Modem", "Say \"hi\"\\\n");
  // A later write under another spelling keeps the first spelling.
  store_.WriteInteger(kFax, "BAUDS", -8);
  EXPECT_EQ(ReadAll(path_), kHeaderLine +
                                "\n[software\\Kestrel\\Fax]\n"
                                "\"Bauds\"=dword:-8\n"
                                "\"StationID\"=\"传真 5551234\"\n"
                                "\n[software\\Kestrel\\telphone]\n"
                                "\"Modem\"=\"Say \\\"hi\\\"\\\\\\n\"\n");
}

TEST_F(FileStore, NothingIsKeptBetweenCalls) {
  store_.WriteInteger(kFax, "Bauds", 7);
  // Another program (or a person) rewrites the file.
  WriteAll(path_, "[software\\kestrel\\fax]\n\"bauds\"=dword:9\n");
  EXPECT_EQ(store_.ReadInteger(kFax, "Bauds"), 9);
  // A second store on the same file sees the first one's writes.
  FileSettingsStore other(path_);
  other.WriteString(kFax, "StationID", "x");
  EXPECT_EQ(store_.ReadString(kFax, "stationid"), "x");
  EXPECT_EQ(store_.ReadInteger(kFax, "Bauds"), 9);
  std::filesystem::remove(path_);
  EXPECT_FALSE(store_.ValueExists(kFax, "Bauds"));
}

TEST_F(FileStore, ReadsTheSettingsDirectoryByDefault) {
  setenv("TELVANE_CONFIG_DIR", dir_.File("elsewhere").c_str(), 1);
  EXPECT_EQ(FileSettingsStore::DefaultPath(), dir_.File("elsewhere") + "/settings.reg");
  unsetenv("TELVANE_CONFIG_DIR");
}

// Files written by hand: what is read from them.
struct HandCase {
  const char* name;
  std::string text;
  std::string valueName;
  std::optional<std::int32_t> integer;
  std::optional<std::string> string;
};
void PrintTo(const HandCase& c, std::ostream* os) { *os << c.name; }

class HandWritten : public FileStore, public ::testing::WithParamInterface<HandCase> {};

TEST_P(HandWritten, IsReadAsWritten) {
  const HandCase& c = GetParam();
  WriteAll(path_, c.text);
  if (c.string) {
    EXPECT_EQ(store_.ReadString(kFax, c.valueName), c.string);
  } else {
    EXPECT_EQ(store_.ReadInteger(kFax, c.valueName), c.integer);
  }
  EXPECT_TRUE(messages_.empty());
  // A write keeps what was there.
  store_.WriteInteger(kFax, "Added", 1);
  if (c.string) {
    EXPECT_EQ(store_.ReadString(kFax, c.valueName), c.string);
  } else {
    EXPECT_EQ(store_.ReadInteger(kFax, c.valueName), c.integer);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, HandWritten,
    ::testing::Values(
        HandCase{"Empty", "", "Bauds", std::nullopt, std::nullopt},
        HandCase{"CrLfAndBlanks", "[software\\Kestrel\\Fax]\r\n  \"Bauds\" = dword: -5  \r\n", "Bauds", -5, {}},
        HandCase{"ByteOrderMarkAndNoFinalLineEnd", "\xEF\xBB\xBF[software\\Kestrel\\Fax]\n\"ID\"=\"传真\"", "ID", {},
                 "传真"},
        HandCase{"CommentsAndBlankLines", "# mine\n\n; more\n[software\\Kestrel\\Fax]\n\n\"Ring\"=DWORD:3\n", "Ring",
                 3, {}},
        HandCase{"KeyTwiceLaterValueCounts",
                 "[software\\Kestrel\\Fax]\n\"Ring\"=dword:1\n[SOFTWARE\\KESTREL\\FAX]\n\"ring\"=dword:2\n", "Ring", 2,
                 {}},
        HandCase{"EscapesInText", "[software\\Kestrel\\Fax]\n\"T\"=\"a\\x09b\\x7F\\r\"\n", "T", {}, "a\tb\x7F\r"},
        HandCase{"OtherKeyOnly", "[software\\Kestrel\\telphone]\n\"Bauds\"=dword:3\n", "Bauds", std::nullopt,
                 std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

// Files the store cannot make sense of: set aside, never overwritten.
struct BrokenCase {
  const char* name;
  std::string text;
  const char* problem;  // part of the message
};
void PrintTo(const BrokenCase& c, std::ostream* os) { *os << c.name; }

class BrokenFile : public FileStore, public ::testing::WithParamInterface<BrokenCase> {};

TEST_P(BrokenFile, IsSetAsideAndTheDefaultsApply) {
  const BrokenCase& c = GetParam();
  WriteAll(path_, c.text);
  EXPECT_EQ(store_.ReadInteger(kFax, "Bauds"), std::nullopt);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find(path_ + " "), std::string::npos) << messages_[0];
  EXPECT_NE(messages_[0].find(path_ + ".bad"), std::string::npos) << messages_[0];
  EXPECT_NE(messages_[0].find(c.problem), std::string::npos) << messages_[0];
  EXPECT_EQ(ReadAll(path_ + ".bad"), c.text);
  EXPECT_FALSE(std::filesystem::exists(path_));
  // Once set aside, the next read says nothing more and the next write starts afresh.
  EXPECT_FALSE(store_.ValueExists(kFax, "Bauds"));
  store_.WriteInteger(kFax, "Ring", 2);
  EXPECT_EQ(ReadAll(path_), kHeaderLine + "\n[software\\Kestrel\\Fax]\n\"Ring\"=dword:2\n");
  EXPECT_EQ(messages_.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, BrokenFile,
    ::testing::Values(
        BrokenCase{"ValueBeforeKey", "\"Bauds\"=dword:7\n[software\\Kestrel\\Fax]\n", "line 1"},
        BrokenCase{"TooLarge", "[software\\Kestrel\\Fax]\n\"Bauds\"=dword:2147483648\n", "line 2"},
        BrokenCase{"NotANumber", "[software\\Kestrel\\Fax]\n\"Bauds\"=dword:seven\n", "line 2"},
        BrokenCase{"UnknownEscape", "[k]\n\"a\"=\"\\q\"\n", "unknown escape"},
        BrokenCase{"ByteEscapeBeyondAscii", "[k]\n\"a\"=\"\\xC3\"\n", "line 2"},
        BrokenCase{"OpenQuote", "[k]\n\"a\"=\"text\n", "not closed"},
        BrokenCase{"TextAfterValue", "[k]\n\"a\"=dword:1 2\n", "after the value"},
        BrokenCase{"EmptyKey", "[]\n", "line 1"},
        BrokenCase{"NoEquals", "[k]\n\"a\" dword:1\n", "'='"},
        BrokenCase{"ForeignLine", "[k]\nBauds=7\n", "line 2"},
        BrokenCase{"NotUtf8", "[k]\n\"a\"=\"\xD5\xC5\xC8\xFD\"\n", "UTF-8"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FileStore, AnEarlierSetAsideFileIsKept) {
  WriteAll(path_ + ".bad", "first");
  WriteAll(path_ + ".bad-1", "second");
  WriteAll(path_, "third");
  store_.WriteInteger(kFax, "Ring", 1);
  EXPECT_EQ(ReadAll(path_ + ".bad"), "first");
  EXPECT_EQ(ReadAll(path_ + ".bad-1"), "second");
  EXPECT_EQ(ReadAll(path_ + ".bad-2"), "third");
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find(path_ + ".bad-2"), std::string::npos);
  EXPECT_EQ(store_.ReadInteger(kFax, "Ring"), 1);
}

TEST_F(FileStore, AFolderInPlaceOfTheFileCannotBeRead) {
  std::filesystem::create_directory(path_);
  EXPECT_THROW(store_.ReadInteger(kFax, "Bauds"), SettingsError);
  EXPECT_THROW(store_.WriteInteger(kFax, "Bauds", 1), SettingsError);
  EXPECT_TRUE(std::filesystem::is_directory(path_));
  EXPECT_TRUE(messages_.empty());
}

// Writes that fail leave the earlier file as it was, byte for byte, and no
// temporary file behind. Both ways fail for root as well: the file size
// limit of the process (as a full disk would), and a folder that cannot
// exist because a regular file has its name.
class FailingWrite : public FileStore {
 protected:
  void SetUp() override {
    store_.WriteInteger(kFax, "Bauds", 7);
    store_.WriteString(kFax, "StationID", "传真 5551234");
    before_ = ReadAll(path_);
  }
  void ExpectUnchanged() {
    EXPECT_EQ(ReadAll(path_), before_);
    EXPECT_EQ(store_.ReadInteger(kFax, "Bauds"), 7);
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_.Path())) ++files;
    EXPECT_EQ(files, 1u) << "a temporary file was left behind";
  }
  std::string before_;
};

// Limits the size of files this process writes while it lives.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, oldHandler_);
  }

 private:
  rlimit saved_{};
  void (*oldHandler_)(int) = nullptr;
};

TEST_F(FailingWrite, WhenTheDiskIsFull) {
  try {
    const FileSizeLimit limit(before_.size() + 16);
    store_.WriteString(kFax, "HeaderTitle", std::string(200, 'x'));
    ADD_FAILURE() << "the write went through";
  } catch (const SettingsError& e) {
    EXPECT_NE(std::string(e.what()).find(path_), std::string::npos) << e.what();
  }
  ExpectUnchanged();
  EXPECT_FALSE(store_.ValueExists(kFax, "HeaderTitle"));
}

TEST_F(FailingWrite, WhenTheFolderCannotBeMade) {
  WriteAll(dir_.File("blocker"), "a file where a folder should be");
  FileSettingsStore blocked(dir_.File("blocker/telvane/settings.reg"));
  try {
    blocked.WriteInteger(kFax, "Bauds", 1);
    ADD_FAILURE() << "the write went through";
  } catch (const SettingsError& e) {
    EXPECT_NE(std::string(e.what()).find("blocker"), std::string::npos) << e.what();
  }
  EXPECT_EQ(ReadAll(dir_.File("blocker")), "a file where a folder should be");
  std::filesystem::remove(dir_.File("blocker"));
  ExpectUnchanged();
}

}  // namespace
}  // namespace telvane
