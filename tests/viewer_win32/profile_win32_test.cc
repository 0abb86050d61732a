// The profile and the message file through the system's profile calls, with
// real files: defaults, bad values, long strings, big and broken message
// files, files that cannot be read.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "tests/viewer_win32/dialog_driver.h"
#include "viewer/win32_message_texts.h"
#include "viewer/win32_profile.h"

namespace marlow::viewer {
namespace {

using test::TestFolder;

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Sets the message file for one test and clears it afterwards.
struct MessageFileScope {
  explicit MessageFileScope(const std::string& path) { SetMessageFilePath(path); }
  ~MessageFileScope() { SetMessageFilePath(""); }
};

TEST(ProfileWin32, MissingFileGivesDefaultsAndExitWritesAllKeys) {
  const std::string path = TestFolder("missing") + "\\DvrProfile.ini";
  DeleteFileA(path.c_str());
  Win32Profile profile(path);
  ViewerSettings s;
  LoadSettings(profile, &s);
  EXPECT_EQ(s.videoWidth, 640);
  EXPECT_EQ(s.videoHeight, 448);
  EXPECT_EQ(s.volume, 32768);
  EXPECT_EQ(s.port, 8841);
  EXPECT_EQ(s.timeoutMs, 7000);
  EXPECT_EQ(s.ddnsIp, "127.0.0.1");
  SaveSettings(profile, s);
  const std::string text = ReadFile(path);
  EXPECT_EQ(text.find("[Setting]"), 0u) << text;
  const char* keys[] = {"Capture Path=C:\\DVRCapture",
                        "AlwaysOnTop=0",
                        "Show Time=1",
                        "Video Width=640",
                        "Video Height=448",
                        "Repeat=0",
                        "Time Format=%Y/%m/%d %H:%M:%S",
                        "Volume=32768",
                        "Mute=0",
                        "IP Address=192.168.10.100",
                        "Port=8841",
                        "DynamicIp=0",
                        "Use DDraw=1",
                        "Auto Reconnection=1",
                        "Timeout=7",
                        "Ddns Ip=127.0.0.1",
                        "Ddns Port=1800",
                        "Local Recording Path=C:\\DVRCapture",
                        "DvrName=DVR000"};
  size_t at = 0;
  for (const char* key : keys) {  // every key, in the exit order
    const size_t found = text.find(key, at);
    ASSERT_NE(found, std::string::npos) << key << "\n" << text;
    at = found;
  }
}

TEST(ProfileWin32, BadValuesLongStringsAndTheTimeout) {
  const std::string path = TestFolder("bad") + "\\DvrProfile.ini";
  const std::string hundred(100, 'x');
  WriteFile(path,
            "[Setting]\r\nPort=eighty\r\nVideo Width=12abc\r\nVolume=\r\nTimeout=3\r\n"
            "Ddns Port=-1\r\nAlwaysOnTop= 1\r\nDvrName=" +
                hundred + "\r\nCapture Path=" + hundred + "\r\nMsgFile=" + hundred +
                "\r\nNumberOfChannels=many\r\n");
  Win32Profile profile(path);
  ViewerSettings s;
  LoadSettings(profile, &s);
  EXPECT_EQ(s.port, 8841);      // not a number
  EXPECT_EQ(s.videoWidth, 12);  // the platform's reading of a leading number
  EXPECT_EQ(s.volume, 32768);   // empty
  EXPECT_EQ(s.ddnsPort, -1);    // not range-checked
  EXPECT_EQ(s.alwaysOnTop, 1);
  EXPECT_EQ(s.timeoutMs, 3000);
  EXPECT_EQ(s.dvrName, std::string(79, 'x'));
  EXPECT_EQ(s.capturePath, std::string(79, 'x'));
  SaveSettings(profile, s);
  EXPECT_NE(ReadFile(path).find("Timeout=3\r\n"), std::string::npos);
  // MsgFile has a path-sized buffer: all 100 characters count.
  char msgFile[kProfilePathSize];
  profile.ReadString("MsgFile", "", msgFile, sizeof msgFile);
  EXPECT_EQ(std::string(msgFile), hundred);
  EXPECT_EQ(profile.ReadInt("NumberOfChannels", 4), 4);
}

TEST(ProfileWin32, UnreadableFilesGiveDefaultsAndBuiltInTexts) {
  const std::string folder = TestFolder("locked");
  const std::string path = folder + "\\DvrProfile.ini", messages = folder + "\\msg.txt";
  WriteFile(path, "[Setting]\r\nPort=1234\r\n");
  WriteFile(messages, "[Messages]\r\n0=Fine\r\n");
  // Held open with no sharing: nobody else may read them.
  HANDLE a = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                         nullptr);
  HANDLE b = CreateFileA(messages.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         0, nullptr);
  ASSERT_NE(a, INVALID_HANDLE_VALUE);
  ASSERT_NE(b, INVALID_HANDLE_VALUE);
  Win32Profile profile(path);
  EXPECT_EQ(profile.ReadInt("Port", 8841), 8841);
  {
    MessageFileScope scope(messages);
    EXPECT_FALSE(LookupMessage(0, nullptr));
    EXPECT_EQ(MessageOr(0, "OK"), "OK");
  }
  // A write that fails is ignored.
  profile.WriteString("Port", "1");
  CloseHandle(a);
  CloseHandle(b);
  EXPECT_EQ(profile.ReadInt("Port", 8841), 1234);
}

TEST(MessageFileWin32, LookupBigBrokenAndEmptyMessages) {
  const std::string folder = TestFolder("messages");
  // 10 000 keys; texts longer than 254 characters are cut.
  std::string big = "[Other]\r\n0=wrong section\r\n[Messages]\r\n";
  for (int i = 0; i < 10000; ++i) big += std::to_string(i) + "=Text " + std::to_string(i) + "\r\n";
  big += "20000=" + std::string(400, 'y') + "\r\n20001=\r\n";
  WriteFile(folder + "\\big.txt", big);
  {
    MessageFileScope scope(folder + "\\big.txt");
    std::string text;
    EXPECT_TRUE(LookupMessage(0, &text));
    EXPECT_EQ(text, "Text 0");
    EXPECT_TRUE(LookupMessage(9999, &text));
    EXPECT_EQ(text, "Text 9999");
    EXPECT_TRUE(LookupMessage(20000, &text));
    EXPECT_EQ(text, std::string(254, 'y'));
    EXPECT_FALSE(LookupMessage(20001, &text));  // empty counts as absent
    EXPECT_FALSE(LookupMessage(-1, &text));
  }
  // Binary junk, with NULs, brackets and equals signs: no message, no crash.
  std::string junk;
  uint32_t x = 12345;
  for (int i = 0; i < 65536; ++i) {
    x = x * 1103515245u + 12345u;
    junk += static_cast<char>(x >> 16);
  }
  WriteFile(folder + "\\junk.txt", junk);
  {
    MessageFileScope scope(folder + "\\junk.txt");
    for (int n = 0; n <= 106; ++n) EXPECT_EQ(MessageOr(n, "built in"), "built in") << n;
  }
  // No message file in use.
  EXPECT_FALSE(LookupMessage(0, nullptr));
}

TEST(StartupWin32, ProfileAndMessageFileFollowTheCurrentDirectory) {
  char previous[MAX_PATH];
  GetCurrentDirectoryA(sizeof previous, previous);
  const std::string folder = TestFolder("startup");
  ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
  DeleteFileA("DvrProfile.ini");
  char language[16];
  std::snprintf(language, sizeof language, "%04x.txt",
                static_cast<unsigned>(GetSystemDefaultLCID()) & 0xFFFFu);
  DeleteFileA(language);

  StartupPaths paths = ComputeProcessStartupPaths();
  EXPECT_EQ(paths.profilePath, folder + "\\DvrProfile.ini");
  EXPECT_EQ(paths.messageFilePath, "");  // the language file is missing
  EXPECT_EQ(paths.channelCount, 4);

  WriteFile(language, "[Messages]\r\n0=Language\r\n");
  EXPECT_EQ(ComputeProcessStartupPaths().messageFilePath, folder + "\\" + language);
  WriteFile("DvrProfile.ini", "[Setting]\r\nMsgFile=mine.txt\r\nNumberOfChannels=16\r\n");
  WriteFile("mine.txt", "[Messages]\r\n0=Mine\r\n");
  paths = ComputeProcessStartupPaths();
  EXPECT_EQ(paths.messageFilePath, folder + "\\mine.txt");
  EXPECT_EQ(paths.channelCount, 16);
  SetCurrentDirectoryA(previous);
}

TEST(MessageTextsWin32, TooltipsLoseMenuMnemonics) {
  EXPECT_EQ(WithoutMnemonics("&Play"), "Play");
  EXPECT_EQ(WithoutMnemonics("Fast For&ward"), "Fast Forward");
  EXPECT_EQ(WithoutMnemonics("Tom && Jerry&"), "Tom & Jerry");
}

}  // namespace
}  // namespace marlow::viewer
