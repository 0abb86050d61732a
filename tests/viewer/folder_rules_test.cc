#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "viewer/folder_rules.h"

namespace marlow::viewer {
namespace {

// Drive paths cannot be made on this system: a set of folders stands in for
// the file system. Drive C: exists; drive R: is read-only.
class FakeFolders : public FolderSystem {
 public:
  bool FolderExists(const char* path) override { return folders.count(path) != 0; }
  bool MakeFolder(const char* path) override {
    made.push_back(path);
    if (path[0] == 'R') return false;
    folders.insert(path);
    return true;
  }
  std::set<std::string> folders = {"C:\\", "R:\\", "C:\\data"};
  std::vector<std::string> made;
};

class ScriptedPrompt : public FolderPrompt {
 public:
  bool AskYesNo(const char* text) override {
    questions.push_back(text);
    return answer;
  }
  void Warn(const char* text) override { warnings.push_back(text); }
  bool answer = true;
  std::vector<std::string> questions, warnings;
};

TEST(FolderRules, FolderNames) {
  EXPECT_TRUE(IsValidFolderName("DVR Capture"));
  EXPECT_TRUE(IsValidFolderName("a.b"));
  for (const char* bad : {"", " lead", "trail ", "dot.", ".dot", "\ttab", "a\"b", "a*b", "a/b",
                          "a:b", "a<b", "a>b", "a?b", "a\\b", "a|b"})
    EXPECT_FALSE(IsValidFolderName(bad)) << bad;
  EXPECT_FALSE(IsValidFolderName(nullptr));
}

TEST(FolderRules, CheckOnlyEdgeCases) {
  FakeFolders fs;
  EXPECT_EQ(CreateFolderPath(fs, "C:\\", true), kFolderOk);
  EXPECT_EQ(CreateFolderPath(fs, "Q:\\", true), kFolderOk);  // checking does not look
  EXPECT_EQ(CreateFolderPath(fs, "C:\\new\\deeper", true), kFolderOk);
  for (const char* bad : {"C:", "", "1:\\x", "C;\\x", "C:/x", "C:\\x\\", "C:\\a\\\\b", "C:\\a.\\b",
                          "C:\\ a", "C:\\a*"})
    EXPECT_EQ(CreateFolderPath(fs, bad, true), kFolderInvalid) << bad;
  EXPECT_EQ(CreateFolderPath(fs, nullptr, true), kFolderInvalid);
  EXPECT_TRUE(fs.made.empty());
  // Only the first 259 characters count: a bad character beyond them is not seen.
  std::string longPath = "C:\\" + std::string(256, 'a') + "*";
  EXPECT_EQ(CreateFolderPath(fs, longPath.c_str(), true), kFolderOk);
}

TEST(FolderRules, CreatingEveryMissingLevel) {
  FakeFolders fs;
  EXPECT_EQ(CreateFolderPath(fs, "C:\\data\\cam\\2024", false), kFolderOk);
  EXPECT_TRUE(fs.FolderExists("C:\\data\\cam\\2024"));
  EXPECT_EQ(fs.made,
            (std::vector<std::string>{"C:\\data", "C:\\data\\cam", "C:\\data\\cam\\2024"}));
  EXPECT_EQ(CreateFolderPath(fs, "Q:\\", false), kFolderCannotCreate);  // no such drive
  EXPECT_EQ(CreateFolderPath(fs, "R:\\x", false), kFolderCannotCreate);
  // A bad component further on stops the walk before anything is made there.
  fs.made.clear();
  EXPECT_EQ(CreateFolderPath(fs, "C:\\ok\\bad?", false), kFolderInvalid);
  EXPECT_EQ(fs.made, std::vector<std::string>{"C:\\ok"});
}

TEST(FolderRules, ValidateAsksWarnsAndCreates) {
  FakeFolders fs;
  ScriptedPrompt prompt;
  EXPECT_EQ(ValidateFolder(fs, prompt, "C:\\data"), kFolderOk);
  EXPECT_TRUE(prompt.questions.empty());

  EXPECT_EQ(ValidateFolder(fs, prompt, "C:\\a\\b"), kFolderOk);  // Yes
  ASSERT_EQ(prompt.questions.size(), 1u);
  EXPECT_EQ(prompt.questions[0],
            "The folder:\n\nC:\\a\\b\n\ndoes not exist. Do you want the folder to be created?");
  EXPECT_TRUE(fs.FolderExists("C:\\a\\b"));

  prompt.answer = false;
  EXPECT_EQ(ValidateFolder(fs, prompt, "C:\\no"), kFolderDeclined);
  EXPECT_FALSE(fs.FolderExists("C:\\no"));
  EXPECT_TRUE(prompt.warnings.empty());

  prompt.answer = true;
  EXPECT_EQ(ValidateFolder(fs, prompt, "C:\\bad|"), kFolderInvalid);
  EXPECT_EQ(ValidateFolder(fs, prompt, "R:\\ro"), kFolderCannotCreate);
  EXPECT_EQ(prompt.warnings,
            (std::vector<std::string>{
                "The folder:\n\nC:\\bad|\n\nis invalid. Please reenter.",
                "The folder:\n\nR:\\ro\n\ncan not be created. Please double check."}));
}

}  // namespace
}  // namespace marlow::viewer
