#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "settings/SettingsStore.h"
#include "settings/SettingsTable.h"

namespace varnetta {
namespace {

namespace fs = std::filesystem;

constexpr char kSectionLine[] = "[Software\\Orlenvik\\Varnetta]\n";

constexpr char kDefaultFile[] =
    "[Software\\Orlenvik\\Varnetta]\n"
    "UseLongBinFormat=No\n"
    "FrontAnalyse=Yes\n"
    "FrontAliasing=Yes\n"
    "FrontLevels=No\n"
    "IgnoreCRC=No\n"
    "IgnoreErrors=No\n"
    "StoreWorkLog=No\n"
    "MultiFile=No\n"
    "DeepRecovery=Yes\n"
    "TuneScatter=3\n"
    "DeltaImpulse=0.3\n";

// The value lines of kDefaultFile but those of the names given, in their
// order, each ending in `end`.
std::string DefaultLinesBut(std::initializer_list<std::string_view> names, std::string_view end = "\n") {
  std::string lines;
  std::string_view rest = std::string_view(kDefaultFile).substr(std::string_view(kSectionLine).size());
  while (!rest.empty()) {
    const std::string_view line = rest.substr(0, rest.find('\n'));
    rest.remove_prefix(line.size() + 1);
    const std::string_view name = line.substr(0, line.find('='));
    if (std::find(names.begin(), names.end(), name) == names.end()) {
      lines += line;
      lines += end;
    }
  }
  return lines;
}

const char* const kFlagNames[] = {"UseLongBinFormat", "FrontAnalyse", "FrontAliasing", "FrontLevels",
                                  "IgnoreCRC",        "IgnoreErrors", "StoreWorkLog",  "MultiFile",
                                  "DeepRecovery"};

std::vector<std::int32_t> FlagsOf(const AppSettings& s) {
  return {s.UseLongBinFormat, s.FrontAnalyse, s.FrontAliasing, s.FrontLevels,
          s.IgnoreCRC,        s.IgnoreErrors, s.StoreWorkLog,  s.MultiFile,
          s.DeepRecovery};
}

void WriteFile(const fs::path& path, std::string_view text) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  ASSERT_TRUE(out.good()) << path;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class SettingsStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = testing::TempDir() + "settings_store_XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    home_ = pattern;
  }
  void TearDown() override {
    std::error_code error;
    fs::remove_all(home_, error);
  }

  fs::path ConfPath() const { return home_ / "Orlenvik" / "Varnetta.conf"; }

  SettingsStore Store() const { return StoreAt(home_); }
  static SettingsStore StoreAt(const fs::path& home) {
    SettingsStore store(home);
    store.BuildRegistryKeyPath();
    return store;
  }

  AppSettings LoadFromFile(std::string_view text) {
    WriteFile(ConfPath(), text);
    AppSettings settings;
    Store().LoadSettings(settings);
    return settings;
  }

  std::vector<std::string> FilesBesideConf() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(ConfPath().parent_path())) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

  fs::path home_;
};

TEST_F(SettingsStoreTest, PlacesTheFileAfterCompanyAndProfile) {
  const SettingsStore store = Store();
  EXPECT_EQ(store.RegistryKeyPath(), "Software\\Orlenvik\\Varnetta");
  EXPECT_EQ(store.FilePath(), ConfPath());
}

TEST_F(SettingsStoreTest, FirstStartUsesTheDefaultsAndSavesThem) {
  SettingsStore store = Store();
  AppSettings settings;
  store.LoadSettings(settings);
  EXPECT_EQ(settings, AppSettings{});
  EXPECT_FALSE(fs::exists(ConfPath())) << "loading creates nothing";

  EXPECT_TRUE(store.SaveSettings(settings));
  EXPECT_EQ(ReadFile(ConfPath()), kDefaultFile);
  EXPECT_EQ(FilesBesideConf(), std::vector<std::string>{"Varnetta.conf"});
}

TEST_F(SettingsStoreTest, SavesEveryFieldInItsTextForm) {
  AppSettings settings;
  settings.UseLongBinFormat = 1;
  settings.FrontAnalyse = 0;
  settings.FrontAliasing = 0;
  settings.FrontLevels = 1;
  settings.IgnoreCRC = 1;
  settings.IgnoreErrors = 1;
  settings.StoreWorkLog = 1;
  settings.MultiFile = 7;  // any non-zero flag is stored as Yes
  settings.DeepRecovery = 0;
  settings.TuneScatter = -12;
  settings.DeltaImpulseText = " 0,45 ";
  ASSERT_TRUE(Store().SaveSettings(settings));
  EXPECT_EQ(ReadFile(ConfPath()), std::string(kSectionLine) +
                                      "UseLongBinFormat=Yes\nFrontAnalyse=No\nFrontAliasing=No\nFrontLevels=Yes\n"
                                      "IgnoreCRC=Yes\nIgnoreErrors=Yes\nStoreWorkLog=Yes\nMultiFile=Yes\n"
                                      "DeepRecovery=No\nTuneScatter=-12\nDeltaImpulse=\\x200,45\\x20\n");
  AppSettings loaded;
  Store().LoadSettings(loaded);
  settings.MultiFile = 1;
  settings.DeltaImpulse = 0.45;
  EXPECT_EQ(loaded, settings);
}

TEST(SettingsStoreParseBool, AcceptsYesAndOneInAnyCase) {
  struct Case {
    const char* text;
    std::int32_t value;
  };
  const Case cases[] = {{"Yes", 1}, {"yes", 1}, {"YES", 1}, {"yEs", 1}, {"1", 1},     {"No", 0},   {"0", 0},
                        {"true", 0}, {"", 0},   {" Yes", 0}, {"Yes ", 0}, {"01", 0}, {"Yess", 0}, {"Y", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(SettingsStore::ParseBool(c.text), c.value);
  }
}

TEST_F(SettingsStoreTest, LoadsEveryFlagByItsText) {
  struct Case {
    const char* text;
    std::optional<std::int32_t> value;  // nothing: each flag keeps its default
  };
  const Case cases[] = {{"yes", 1}, {"YES", 1}, {"1", 1}, {"No", 0}, {"0", 0}, {"true", 0}, {"", std::nullopt}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string file = kSectionLine;
    for (const char* name : kFlagNames) file += std::string(name) + "=" + c.text + "\n";
    const AppSettings loaded = LoadFromFile(file);
    const std::vector<std::int32_t> expected =
        c.value ? std::vector<std::int32_t>(std::size(kFlagNames), *c.value) : FlagsOf(AppSettings{});
    EXPECT_EQ(FlagsOf(loaded), expected);
  }
}

TEST_F(SettingsStoreTest, LoadsTuneScatterByItsLeadingInteger) {
  struct Case {
    const char* text;
    std::int32_t value;
  };
  const Case cases[] = {{"7abc", 7}, {"abc", 0}, {"-5", -5}, {"50", 50}, {"", 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(LoadFromFile(std::string(kSectionLine) + "TuneScatter=" + c.text + "\n").TuneScatter, c.value);
  }
}

TEST_F(SettingsStoreTest, KeepsTheDeltaImpulseTextAsRead) {
  struct Case {
    const char* stored;  // as the file spells it
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"0,25", "0,25", 0.25},     {"0.25", "0.25", 0.25},        {"1e-1", "1e-1", 0.1},
      {"abc", "abc", 0.0},        {"\\x200,5x", " 0,5x", 0.5},   {"0,5 \\x20", "0,5  ", 0.5},
      {"\\t0,5\\x20", "\t0,5 ", 0.5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    const std::string line = std::string("DeltaImpulse=") + c.stored + "\n";
    const AppSettings loaded = LoadFromFile(kSectionLine + line);
    EXPECT_EQ(loaded.DeltaImpulseText, c.text);
    EXPECT_DOUBLE_EQ(loaded.DeltaImpulse, c.value);
    ASSERT_TRUE(Store().SaveSettings(loaded));
    EXPECT_EQ(ReadFile(ConfPath()), kSectionLine + line + DefaultLinesBut({"DeltaImpulse"}));
  }
  const AppSettings empty = LoadFromFile(std::string(kSectionLine) + "DeltaImpulse=\n");
  EXPECT_EQ(empty.DeltaImpulseText, "0.3");
  EXPECT_EQ(empty.DeltaImpulse, 0.3);
}

TEST_F(SettingsStoreTest, ValuesOutsideTheirRangesLoadAsTheyAreAndAreNamed) {
  struct Case {
    const char* lines;
    std::vector<std::pair<std::string, std::string>> outside;  // name and text, in table order
  };
  const Case cases[] = {
      {"", {}},
      {"TuneScatter=1\nDeltaImpulse=0,01\n", {}},
      {"TuneScatter=20\nDeltaImpulse=1\n", {}},
      {"TuneScatter=0\n", {{"TuneScatter", "0"}}},
      {"TuneScatter=21x\n", {{"TuneScatter", "21"}}},
      {"TuneScatter=-5\n", {{"TuneScatter", "-5"}}},
      {"DeltaImpulse=5\n", {{"DeltaImpulse", "5"}}},
      {"DeltaImpulse=1e308\n", {{"DeltaImpulse", "1e308"}}},
      {"DeltaImpulse=1e-320\n", {{"DeltaImpulse", "1e-320"}}},
      {"DeltaImpulse=abc\n", {{"DeltaImpulse", "abc"}}},
      {"DeltaImpulse=nan\n", {{"DeltaImpulse", "nan"}}},
      {"DeltaImpulse=1,0001\n", {{"DeltaImpulse", "1,0001"}}},
      {"DeltaImpulse=5\\nMultiFile=Yes\n", {{"DeltaImpulse", "5\\nMultiFile=Yes"}}},
      {"DeltaImpulse=0\nTuneScatter=50\n", {{"TuneScatter", "50"}, {"DeltaImpulse", "0"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    const AppSettings loaded = LoadFromFile(kSectionLine + std::string(c.lines));
    std::vector<std::pair<std::string, std::string>> outside;
    for (const ValueOutOfRange& value : ValuesOutOfRange(loaded)) outside.emplace_back(value.row->name, value.storedText);
    EXPECT_EQ(outside, c.outside);
  }
  const AppSettings loaded = LoadFromFile(std::string(kSectionLine) + "TuneScatter=50\nDeltaImpulse=5\n");
  EXPECT_EQ(loaded.TuneScatter, 50);
  EXPECT_EQ(loaded.DeltaImpulseText, "5");
  EXPECT_EQ(loaded.DeltaImpulse, 5.0);
}

TEST_F(SettingsStoreTest, TrimsBlanksAroundEveryValue) {
  const AppSettings loaded = LoadFromFile(std::string(kSectionLine) +
                                          "  useLongBinFormat  =  yes  \n"
                                          "TuneScatter\t=\t7 \n"
                                          "DeltaImpulse =  0,25 \t\r\n");
  EXPECT_EQ(loaded.UseLongBinFormat, 1);
  EXPECT_EQ(loaded.TuneScatter, 7);
  EXPECT_EQ(loaded.DeltaImpulseText, "0,25");
  EXPECT_EQ(loaded.DeltaImpulse, 0.25);
}

TEST_F(SettingsStoreTest, MissingValuesLeaveTheFieldsAsTheyWere) {
  WriteFile(ConfPath(), std::string(kSectionLine) + "FrontLevels=Yes\n");
  AppSettings settings;
  settings.MultiFile = 1;
  settings.TuneScatter = 9;
  Store().LoadSettings(settings);
  EXPECT_EQ(settings.FrontLevels, 1);
  EXPECT_EQ(settings.MultiFile, 1);
  EXPECT_EQ(settings.TuneScatter, 9);
}

TEST_F(SettingsStoreTest, TextsLongerThan259Utf16UnitsReadAsEmpty) {
  const std::string cyrillic = "ж";    // 2 bytes, 1 unit
  const std::string emoji = "\xF0\x9F\x98\x80";  // 4 bytes, 2 units
  auto repeat = [](const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
  };
  struct Case {
    const char* name;
    std::string text;
    bool kept;
  };
  const Case cases[] = {
      {"300 characters", "0.5" + std::string(297, '0'), false},
      {"259 ASCII characters", "0.5" + std::string(256, '0'), true},
      {"260 ASCII characters", "0.5" + std::string(257, '0'), false},
      {"259 Cyrillic letters", "0.5" + repeat(cyrillic, 256), true},
      {"260 Cyrillic letters", "0.5" + repeat(cyrillic, 257), false},
      {"259 units with surrogate pairs", "0.5" + repeat(emoji, 128), true},
      {"260 units with surrogate pairs", "0.5" + repeat(emoji, 128) + "x", false},
      {"not UTF-8", "0.5\xC0\xAF", false},
      {"an encoded surrogate", "0.5\xED\xA0\x80", false},
      {"a cut sequence", "0.5\xE2\x82", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const AppSettings loaded = LoadFromFile(std::string(kSectionLine) + "DeltaImpulse=" + c.text + "\n");
    EXPECT_EQ(loaded.DeltaImpulseText, c.kept ? c.text : "0.3");
    EXPECT_EQ(loaded.DeltaImpulse, c.kept ? 0.5 : 0.3);
  }
}

TEST_F(SettingsStoreTest, ReadsOnlyOurSectionLineByLine) {
  struct Case {
    const char* name;
    std::string file;
    std::int32_t multiFile;
    std::int32_t frontAnalyse;
  };
  const Case cases[] = {
      {"other sections are ignored",
       "[Other]\nMultiFile=Yes\n[Software\\Orlenvik\\Varnetta]\nFrontAnalyse=No\n[Later]\nMultiFile=Yes\n", 0, 0},
      {"values before any section are ignored", "MultiFile=Yes\n[Software\\Orlenvik\\Varnetta]\n", 0, 1},
      {"CR LF line ends and a byte order mark", "\xEF\xBB\xBF[Software\\Orlenvik\\Varnetta]\r\nMultiFile=Yes\r\n", 1, 1},
      {"no line end at the end", "[Software\\Orlenvik\\Varnetta]\nMultiFile=Yes", 1, 1},
      {"names and section in another case", "[software\\orlenvik\\VARNETTA]\nmultifile=yes\nFRONTANALYSE=0\n", 1, 0},
      {"the last line of a name counts", "[Software\\Orlenvik\\Varnetta]\nMultiFile=Yes\nMultiFile=No\n", 0, 1},
      {"comments, blank and broken lines are skipped",
       "[Software\\Orlenvik\\Varnetta]\n; MultiFile=Yes\n\n#x\ngarbage\n=Yes\nMultiFile=1\n", 1, 1},
      {"blanks around names, '=' and values are trimmed",
       "[Software\\Orlenvik\\Varnetta]\nMultiFile = Yes\n\t FrontAnalyse\t=\tNo \t\n", 1, 0},
      {"blanks before a comment", "[Software\\Orlenvik\\Varnetta]\n  ; MultiFile=Yes\n\t#FrontAnalyse=No\n", 0, 1},
      {"a name of blanks is none", "[Software\\Orlenvik\\Varnetta]\n \t=Yes\nMultiFile = 1\r\n", 1, 1},
      {"blanks inside a name or value count",
       "[Software\\Orlenvik\\Varnetta]\nMulti File=Yes\nFrontAnalyse=Y es\n", 0, 0},
      {"the section line must be exact", "[Software\\Orlenvik\\Varnetta] \nMultiFile=Yes\n", 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const AppSettings loaded = LoadFromFile(c.file);
    EXPECT_EQ(loaded.MultiFile, c.multiFile);
    EXPECT_EQ(loaded.FrontAnalyse, c.frontAnalyse);
  }
}

TEST_F(SettingsStoreTest, ACorruptFileReadsAsNoValuesAndKeepsItsBytesOnSave) {
  using namespace std::string_literals;
  std::string binary = "\x00\xFF\xFE[Software\\Orlenvik\\Varnetta\x00\nMulti\x01\x02=\xC3\n\x7F"s +
                       "\0\0\0MultiFile=Yes\0\n"s;
  for (int i = 0; i < 2000; ++i) binary += static_cast<char>((i * 7919) % 256);
  ASSERT_FALSE(binary.ends_with('\n'));
  const AppSettings loaded = LoadFromFile(binary);
  EXPECT_EQ(loaded, AppSettings{});
  EXPECT_TRUE(Store().SaveSettings(loaded));
  EXPECT_EQ(ReadFile(ConfPath()), binary + "\n" + kDefaultFile);
  EXPECT_EQ(LoadFromFile(ReadFile(ConfPath())), AppSettings{});
}

TEST_F(SettingsStoreTest, AnOversizedFileIsLeftAlone) {
  std::string huge = std::string(kSectionLine) + "MultiFile=Yes\n";
  huge.resize((1 << 20) + 1, '\n');
  EXPECT_EQ(LoadFromFile(huge).MultiFile, 0);
  EXPECT_FALSE(Store().SaveSettings(AppSettings{}));
  EXPECT_EQ(ReadFile(ConfPath()), huge);
}

TEST_F(SettingsStoreTest, KeepsUnknownValuesOfOurSectionOnSave) {
  WriteFile(ConfPath(), "; note\n[Other]\nA=1\n[Software\\Orlenvik\\Varnetta]\nLaterOption=x\\ty\nmultifile=Yes\n"
                        "Extra=\n");
  SettingsStore store = Store();
  AppSettings settings;
  store.LoadSettings(settings);
  EXPECT_EQ(settings.MultiFile, 1);
  ASSERT_TRUE(store.SaveSettings(settings));
  EXPECT_EQ(ReadFile(ConfPath()), "; note\n[Other]\nA=1\n[Software\\Orlenvik\\Varnetta]\nLaterOption=x\\ty\n"
                                  "MultiFile=Yes\nExtra=\n" +
                                      DefaultLinesBut({"MultiFile"}));
}

TEST_F(SettingsStoreTest, ASaveKeepsEveryLineThatIsNotOneOfOurValuesWhereItWas) {
  struct Case {
    const char* name;
    std::string before;
    std::string after;  // saved with TuneScatter 8 and every other value at its default
  };
  const Case cases[] = {
      {"sections, comments and blank lines around ours",
       "; note\n[Other]\nA=1\n\n[Software\\Orlenvik\\Varnetta]\n# ours\nTuneScatter=3\nLaterOption=x\\ty\n\n"
       "; next\n[Later]\nB = 2\n",
       "; note\n[Other]\nA=1\n\n[Software\\Orlenvik\\Varnetta]\n# ours\nTuneScatter=8\nLaterOption=x\\ty\n" +
           DefaultLinesBut({"TuneScatter"}) + "\n; next\n[Later]\nB = 2\n"},
      {"no section of ours, no line end at the end", "[Other]\nTuneScatter=5",
       "[Other]\nTuneScatter=5\n" + std::string(kDefaultFile).replace(std::string(kDefaultFile).find("=3"), 2, "=8")},
      {"an empty section of ours", "[Software\\Orlenvik\\Varnetta]\n\n[Other]\n",
       std::string(kSectionLine) + DefaultLinesBut({"TuneScatter", "DeltaImpulse"}) +
           "TuneScatter=8\nDeltaImpulse=0.3\n\n[Other]\n"},
      {"CR LF line ends", "[Software\\Orlenvik\\Varnetta]\r\nTuneScatter=1\r\nX=y\r\n",
       "[Software\\Orlenvik\\Varnetta]\r\nTuneScatter=8\r\nX=y\r\n" + DefaultLinesBut({"TuneScatter"}, "\r\n")},
      {"our last line without a line end", "[Software\\Orlenvik\\Varnetta]\nTuneScatter=1",
       "[Software\\Orlenvik\\Varnetta]\nTuneScatter=8\n" + DefaultLinesBut({"TuneScatter"})},
      {"our last line ending in a bare CR", "[Software\\Orlenvik\\Varnetta]\nTuneScatter=1\r",
       "[Software\\Orlenvik\\Varnetta]\nTuneScatter=8\r\n" + DefaultLinesBut({"TuneScatter"})},
      {"every value has its line", kDefaultFile + std::string("[Other]\nA=1"),
       std::string(kDefaultFile).replace(std::string(kDefaultFile).find("=3"), 2, "=8") + "[Other]\nA=1"},
      {"a byte order mark", "\xEF\xBB\xBF[Software\\Orlenvik\\Varnetta]\nTuneScatter=1\n",
       "\xEF\xBB\xBF[Software\\Orlenvik\\Varnetta]\nTuneScatter=8\n" + DefaultLinesBut({"TuneScatter"})},
      {"names and section in another case, blanks around them",
       "[software\\orlenvik\\VARNETTA]\n  tunescatter = 1 \n",
       "[software\\orlenvik\\VARNETTA]\nTuneScatter=8\n" + DefaultLinesBut({"TuneScatter"})},
      {"every line of a name", "[Software\\Orlenvik\\Varnetta]\nTuneScatter=1\n;x\nTuneScatter=2\n",
       "[Software\\Orlenvik\\Varnetta]\nTuneScatter=8\n;x\nTuneScatter=8\n" + DefaultLinesBut({"TuneScatter"})},
      {"our section twice", "[Software\\Orlenvik\\Varnetta]\nTuneScatter=1\n[Other]\nA=1\n"
                            "[Software\\Orlenvik\\Varnetta]\nMultiFile=No\n[Last]\n",
       "[Software\\Orlenvik\\Varnetta]\nTuneScatter=8\n[Other]\nA=1\n[Software\\Orlenvik\\Varnetta]\n"
       "MultiFile=No\n" + DefaultLinesBut({"TuneScatter", "MultiFile"}) + "[Last]\n"},
      {"values before any section are not ours", "TuneScatter=1\n[Software\\Orlenvik\\Varnetta]\n",
       "TuneScatter=1\n" + std::string(kSectionLine) + DefaultLinesBut({"TuneScatter", "DeltaImpulse"}) +
           "TuneScatter=8\nDeltaImpulse=0.3\n"},
  };
  AppSettings settings;
  settings.TuneScatter = 8;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(ConfPath(), c.before);
    ASSERT_TRUE(Store().SaveSettings(settings));
    EXPECT_EQ(ReadFile(ConfPath()), c.after);
    AppSettings loaded;
    Store().LoadSettings(loaded);
    EXPECT_EQ(loaded, settings);
  }
}

TEST_F(SettingsStoreTest, ControlCharactersAreEscapedSoNoOtherValueChanges) {
  struct Case {
    const char* name;
    std::string text;
    std::string stored;
    std::string read;
  };
  const Case cases[] = {
      {"line feed", "0,3\nMultiFile=Yes", "0,3\\nMultiFile=Yes", "0,3\nMultiFile=Yes"},
      {"carriage return and tab", "0.4\r\t", "0.4\\r\\t", "0.4\r\t"},
      {"backslash", "0.5\\n", "0.5\\\\n", "0.5\\n"},
      {"other controls", "0.6\x01\x1B\x7F", "0.6\\x01\\x1B\\x7F", "0.6\x01\x1B\x7F"},
      {"section line", "\n[Other]\n", "\\n[Other]\\n", "\n[Other]\n"},
      {"a zero ends the text", std::string("0.7\0tail", 8), "0.7\\x00tail", "0.7"},
      {"spaces at the ends", " 0.8 ", "\\x200.8\\x20", " 0.8 "},
      {"spaces inside", "0, 9  x", "0, 9  x", "0, 9  x"},
      {"only a space", " ", "\\x20", " "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    AppSettings settings;
    settings.DeltaImpulseText = c.text;
    ASSERT_TRUE(Store().SaveSettings(settings));
    const std::string file = ReadFile(ConfPath());
    EXPECT_TRUE(file.ends_with("\nTuneScatter=3\nDeltaImpulse=" + c.stored + "\n")) << file;
    AppSettings loaded;
    Store().LoadSettings(loaded);
    EXPECT_EQ(loaded.DeltaImpulseText, c.read);
    EXPECT_EQ(loaded.MultiFile, 0);
    EXPECT_EQ(loaded.TuneScatter, 3);
  }
}

TEST_F(SettingsStoreTest, UnknownEscapesStayAsWritten) {
  const AppSettings loaded = LoadFromFile(std::string(kSectionLine) + "DeltaImpulse=0\\,3\\x4\\q\\\n");
  EXPECT_EQ(loaded.DeltaImpulseText, "0\\,3\\x4\\q\\");
}

TEST_F(SettingsStoreTest, AConfigDirectoryThatCannotExistChangesNothing) {
  const std::string content = "not a directory\n";
  struct Case {
    const char* name;
    fs::path file;  // the regular file that stands in the way
    fs::path home;
  };
  const Case cases[] = {
      {"the config home is a file", home_ / "home-file", home_ / "home-file"},
      {"the company directory is a file", home_ / "h2" / "Orlenvik", home_ / "h2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(c.file, content);
    SettingsStore store = StoreAt(c.home);
    AppSettings settings;
    settings.TuneScatter = 5;
    store.LoadSettings(settings);
    EXPECT_EQ(settings.TuneScatter, 5);
    EXPECT_FALSE(store.SaveSettings(settings));
    EXPECT_EQ(ReadFile(c.file), content);
  }
}

TEST_F(SettingsStoreTest, AFileThatIsADirectoryIsLeftAlone) {
  fs::create_directories(ConfPath() / "inside");
  SettingsStore store = Store();
  AppSettings settings;
  store.LoadSettings(settings);
  EXPECT_EQ(settings, AppSettings{});
  EXPECT_FALSE(store.SaveSettings(settings));
  EXPECT_TRUE(fs::is_directory(ConfPath() / "inside"));
  EXPECT_EQ(FilesBesideConf(), std::vector<std::string>{"Varnetta.conf"}) << "no temporary file left";
}

TEST_F(SettingsStoreTest, ASaveReplacesTheOldFileAndLeavesNoTemporaryFile) {
  WriteFile(ConfPath(), std::string(kSectionLine) + "MultiFile=Yes\nTuneScatter=8\n");
  AppSettings settings;
  SettingsStore store = Store();
  store.LoadSettings(settings);
  settings.MultiFile = 0;
  ASSERT_TRUE(store.SaveSettings(settings));
  EXPECT_EQ(ReadFile(ConfPath()),
            std::string(kSectionLine) + "MultiFile=No\nTuneScatter=8\n" + DefaultLinesBut({"MultiFile", "TuneScatter"}));
  EXPECT_EQ(FilesBesideConf(), std::vector<std::string>{"Varnetta.conf"});
}

TEST_F(SettingsStoreTest, ASaveWritesThroughASymbolicLinkToItsTarget) {
  struct Case {
    const char* name;
    std::vector<std::string> links;  // the link at ConfPath() first, each to the next, relative to home_ or absolute
    std::string target;              // relative to home_
    bool targetExists;
  };
  const std::string absolute = (home_ / "elsewhere" / "abs.conf").string();
  const Case cases[] = {
      {"a relative link", {"../dotfiles/Varnetta.conf"}, "dotfiles/Varnetta.conf", true},
      {"an absolute link", {absolute}, "elsewhere/abs.conf", true},
      {"a chain of links", {"../dotfiles/first.conf", "second.conf"}, "dotfiles/second.conf", true},
      {"a link to a file not there yet", {"../dotfiles/new.conf"}, "dotfiles/new.conf", false},
  };
  const std::string old = "; mine\n[Software\\Orlenvik\\Varnetta]\nTuneScatter=5\n[Other]\nA=1\n";
  AppSettings settings;
  settings.TuneScatter = 9;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(home_);
    fs::create_directories(ConfPath().parent_path());
    fs::create_directories(home_ / "dotfiles");
    fs::create_directories(home_ / "elsewhere");
    const fs::path target = home_ / c.target;
    if (c.targetExists) WriteFile(target, old);
    fs::path link = ConfPath();
    for (const std::string& next : c.links) {
      fs::create_symlink(next, link);
      link = fs::path(next).is_absolute() ? fs::path(next) : link.parent_path() / next;
    }

    ASSERT_TRUE(Store().SaveSettings(settings));
    ASSERT_TRUE(fs::is_symlink(ConfPath()));
    EXPECT_EQ(fs::read_symlink(ConfPath()), fs::path(c.links.front()));
    const std::string expected =
        c.targetExists ? "; mine\n[Software\\Orlenvik\\Varnetta]\nTuneScatter=9\n" +
                             DefaultLinesBut({"TuneScatter"}) + "[Other]\nA=1\n"
                       : std::string(kDefaultFile).replace(std::string(kDefaultFile).find("=3"), 2, "=9");
    EXPECT_EQ(ReadFile(target), expected);
    EXPECT_EQ(FilesBesideConf(), std::vector<std::string>{"Varnetta.conf"}) << "no temporary file left";
    for (const auto& entry : fs::directory_iterator(target.parent_path())) {
      EXPECT_FALSE(entry.path().extension() == ".tmp") << entry.path();
    }
    AppSettings loaded;
    Store().LoadSettings(loaded);
    EXPECT_EQ(loaded, settings);
  }
}

TEST_F(SettingsStoreTest, ALoopOfLinksIsLeftAlone) {
  fs::create_directories(ConfPath().parent_path());
  fs::create_symlink("other.conf", ConfPath());
  fs::create_symlink("Varnetta.conf", ConfPath().parent_path() / "other.conf");
  EXPECT_FALSE(Store().SaveSettings(AppSettings{}));
  EXPECT_EQ(fs::read_symlink(ConfPath()), "other.conf");
  EXPECT_EQ(fs::read_symlink(ConfPath().parent_path() / "other.conf"), "Varnetta.conf");
}

TEST_F(SettingsStoreTest, ASaveKeepsTheModeOfTheFile) {
  struct Case {
    const char* name;
    fs::perms mode;
    bool throughALink;
  };
  using fs::perms;
  const Case cases[] = {
      {"600", perms::owner_read | perms::owner_write, false},
      {"640", perms::owner_read | perms::owner_write | perms::group_read, false},
      {"666", perms::owner_read | perms::owner_write | perms::group_read | perms::group_write | perms::others_read |
                  perms::others_write,
       false},
      {"600 behind a link", perms::owner_read | perms::owner_write, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(home_);
    const fs::path file = c.throughALink ? home_ / "target.conf" : ConfPath();
    WriteFile(file, kDefaultFile);
    if (c.throughALink) {
      fs::create_directories(ConfPath().parent_path());
      fs::create_symlink(file, ConfPath());
    }
    fs::permissions(file, c.mode);
    AppSettings settings;
    settings.MultiFile = 1;
    ASSERT_TRUE(Store().SaveSettings(settings));
    EXPECT_EQ(fs::status(file).permissions(), c.mode);
    EXPECT_NE(ReadFile(file).find("\nMultiFile=Yes\n"), std::string::npos);
  }
}

// Makes writes to regular files fail beyond a few bytes, as a full disk
// would, even for root.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit limited = saved_;
    limited.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limited);
    previousHandler_ = signal(SIGXFSZ, SIG_IGN);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  sighandler_t previousHandler_ = SIG_DFL;
};

TEST_F(SettingsStoreTest, AFailedSaveLeavesTheOldFileIntact) {
  const std::string old = std::string(kSectionLine) + "MultiFile=Yes\nTuneScatter=8\n";
  WriteFile(ConfPath(), old);
  bool saved = true;
  {
    const FileSizeLimit limit(16);
    saved = Store().SaveSettings(AppSettings{});
  }
  EXPECT_FALSE(saved);
  EXPECT_EQ(ReadFile(ConfPath()), old);
  EXPECT_EQ(FilesBesideConf(), std::vector<std::string>{"Varnetta.conf"}) << "no temporary file left";
}

TEST(SettingsStoreWithoutAPlace, ReadsNothingAndSavesNothing) {
  struct Case {
    const char* name;
    bool built;
  };
  for (const Case& c : {Case{"no config home", true}, Case{"key path not built", false}}) {
    SCOPED_TRACE(c.name);
    SettingsStore store(c.built ? fs::path() : fs::path(testing::TempDir()) / "unused-config-home");
    if (c.built) store.BuildRegistryKeyPath();
    EXPECT_FALSE(store.OpenSettingsKey());
    EXPECT_EQ(store.ReadSettingText("MultiFile"), "");
    AppSettings settings;
    store.LoadSettings(settings);
    EXPECT_EQ(settings, AppSettings{});
    EXPECT_FALSE(store.SaveSettings(settings));
  }
  EXPECT_FALSE(fs::exists(fs::path(testing::TempDir()) / "unused-config-home"));
}

TEST_F(SettingsStoreTest, ReadSettingTextNeedsAnOpenKey) {
  WriteFile(ConfPath(), std::string(kSectionLine) + "MultiFile=Yes\n");
  SettingsStore store = Store();
  EXPECT_EQ(store.ReadSettingText("MultiFile"), "");
  ASSERT_TRUE(store.OpenSettingsKey());
  EXPECT_EQ(store.ReadSettingText("MultiFile"), "Yes");
  EXPECT_EQ(store.ReadSettingText("MULTIFILE"), "Yes");
  EXPECT_EQ(store.ReadSettingText("TuneScatter"), "");
  AppSettings settings;
  store.LoadSettings(settings);
  EXPECT_EQ(store.ReadSettingText("MultiFile"), "") << "the load closes the key";
}

// Sets or clears an environment variable for one scope.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    Apply(value);
  }
  ~ScopedEnvironment() { Apply(old_ ? old_->c_str() : nullptr); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  void Apply(const char* value) {
    if (value) {
      setenv(name_, value, 1);
    } else {
      unsetenv(name_);
    }
  }
  const char* name_;
  std::optional<std::string> old_;
};

TEST(DefaultConfigHome, FollowsXdgConfigHomeThenHome) {
  struct Case {
    const char* xdg;
    const char* home;
    const char* expected;
  };
  const Case cases[] = {
      {"/cfg", "/home/u", "/cfg"},          {nullptr, "/home/u", "/home/u/.config"},
      {"", "/home/u", "/home/u/.config"},   {"relative/cfg", "/home/u", "/home/u/.config"},
      {nullptr, nullptr, ""},               {nullptr, "", ""},
      {"relative", "relative-home", ""},    {"/cfg", nullptr, "/cfg"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.xdg ? c.xdg : "(unset)") << ", " << (c.home ? c.home : "(unset)"));
    const ScopedEnvironment xdg("XDG_CONFIG_HOME", c.xdg);
    const ScopedEnvironment home("HOME", c.home);
    EXPECT_EQ(DefaultConfigHome(), fs::path(c.expected));
  }
}

}  // namespace
}  // namespace varnetta
