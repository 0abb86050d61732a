// Wine's script host drives the registered control from JScript and
// VBScript against a recorder stand-in on 127.0.0.1: the answers the
// scripts see, and what the recorder received.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/control/pelican_test_util.h"
#include "tools/recorder_standin/recorder_standin.h"

using namespace pelican_test;

namespace {

std::wstring ScriptPath(const char* name) {
  std::wstring path = L"Z:";
  for (const char* p = MARLOW_TEST_SCRIPTS; *p != '\0'; ++p)
    path += *p == '/' ? L'\\' : wchar_t(*p);
  path += L"\\";
  for (const char* p = name; *p != '\0'; ++p) path += wchar_t(*p);
  return path;
}

bool Has(const std::string& output, const std::string& line) {
  return output.find(line + "\r\n") != std::string::npos ||
         output.find(line + "\n") != std::string::npos;
}

class ScriptHost : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Regsvr32(false), 0);
    marlow::RecorderStandinOptions options;
    options.password = "4321";
    options.lifetimeMs = 60000;
    recorder_ = std::make_unique<marlow::RecorderStandin>(options);
    ASSERT_TRUE(recorder_->Listen(0));
    ASSERT_EQ(recorder_->Start(), 1);
  }
  void TearDown() override { recorder_->Stop(); }

  std::string Run(const char* script) {
    std::string output;
    const std::wstring line = L"cscript.exe //nologo \"" + ScriptPath(script) + L"\" " +
                              std::to_wstring(recorder_->Port()) + L" 4321";
    EXPECT_EQ(RunProcess(line, &output, 90000), 0) << output;
    return output;
  }

  std::unique_ptr<marlow::RecorderStandin> recorder_;
};

}  // namespace

TEST_F(ScriptHost, JScriptCallsEveryMethodWithGoodAndHostileArguments) {
  const std::string out = Run("pelican_script_test.js");
  EXPECT_TRUE(Has(out, "created")) << out;
  // ChangeMode is reachable by name and answers true whatever the engine did.
  EXPECT_TRUE(Has(out, "ChangeMode(1,4,16) true")) << out;
  EXPECT_TRUE(Has(out, "ChangeMode(7,0,0) true")) << out;
  EXPECT_TRUE(Has(out, "changemode by any case true")) << out;
  EXPECT_TRUE(Has(out, "ChangeMode strings ok")) << out;
  EXPECT_TRUE(Has(out, "ChangeMode too few error 8002000e")) << out;  // DISP_E_BADPARAMCOUNT
  EXPECT_TRUE(Has(out, "key before connect ok")) << out;
  // Overlong texts and out-of-range ports take no effect, without an error.
  EXPECT_TRUE(Has(out, "long address ok")) << out;
  EXPECT_TRUE(Has(out, "long ddns ok")) << out;
  EXPECT_TRUE(Has(out, "huge port ok")) << out;
  // Wrong types are refused by the type library's invoke.
  EXPECT_TRUE(Has(out, "null address error 80020005")) << out;  // DISP_E_TYPEMISMATCH
  EXPECT_TRUE(Has(out, "object port error 80020005")) << out;
  EXPECT_TRUE(Has(out, "too few error 8002000e")) << out;
  EXPECT_TRUE(Has(out, "key as string ok")) << out;
  EXPECT_TRUE(Has(out, "key too large error 8002000a")) << out;  // DISP_E_OVERFLOW
  EXPECT_TRUE(Has(out, "connect ok")) << out;
  EXPECT_TRUE(Has(out, "disconnect again ok")) << out;
  EXPECT_TRUE(Has(out, "done")) << out;

  const auto r = recorder_->Snapshot();
  EXPECT_EQ(r.sessions, 1);  // only the good connect reached the recorder
  EXPECT_EQ(r.goodDigests, 1);
  EXPECT_EQ(r.logouts, 1);
  ASSERT_EQ(r.keys.size(), 1u);  // the key before the connection was never sent
  EXPECT_EQ(r.keys[0], 2);
}

TEST_F(ScriptHost, VBScriptConnectsSendsAKeyAndDisconnects) {
  const std::string out = Run("pelican_script_test.vbs");
  EXPECT_TRUE(Has(out, "created ok")) << out;
  EXPECT_TRUE(Has(out, "ChangeMode(1,4,16) true")) << out;
  EXPECT_TRUE(Has(out, "key before connect ok")) << out;
  EXPECT_TRUE(Has(out, "long address ok")) << out;
  EXPECT_TRUE(Has(out, "null address error d")) << out;  // "Type mismatch"
  EXPECT_TRUE(Has(out, "text port error d")) << out;
  EXPECT_TRUE(Has(out, "connect ok")) << out;
  EXPECT_TRUE(Has(out, "key ok")) << out;
  EXPECT_TRUE(Has(out, "disconnect ok")) << out;
  const auto r = recorder_->Snapshot();
  EXPECT_EQ(r.goodDigests, 1);
  EXPECT_EQ(r.logouts, 1);
  ASSERT_EQ(r.keys.size(), 1u);
  EXPECT_EQ(r.keys[0], 3);
}
