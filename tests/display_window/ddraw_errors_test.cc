#include "display/win32_ddraw_errors.h"

#include <windows.h>
// windows.h first: the interface header needs its types.
#include <ddraw.h>
#include <gtest/gtest.h>

#include <set>
#include <string>

namespace marlow {
namespace {

TEST(DirectDrawResultText, KnownAndUnknownCodes) {
  EXPECT_STREQ("The request completed successfully.", DirectDrawResultText(DD_OK));
  EXPECT_STREQ(kUnknownDirectDrawResult, DirectDrawResultText(0x12345678));
  EXPECT_STREQ("Recieved an error not part of DirectX 5", DirectDrawResultText(0x88760001));
  // Codes of the interface that the table leaves out on purpose.
  EXPECT_STREQ(kUnknownDirectDrawResult, DirectDrawResultText(DDERR_NOSTEREOHARDWARE));
  EXPECT_STREQ(kUnknownDirectDrawResult, DirectDrawResultText(DDERR_OVERLAPPINGRECTS));
  for (HRESULT code :
       {DDERR_SURFACELOST, DDERR_INVALIDPARAMS, DDERR_OUTOFMEMORY, DDERR_UNSUPPORTED, DDERR_GENERIC,
        DDERR_NOTINITIALIZED, DDERR_INVALIDPIXELFORMAT, DDERR_NOTPAGELOCKED}) {
    EXPECT_STRNE(kUnknownDirectDrawResult, DirectDrawResultText(code)) << std::hex << code;
  }
}

TEST(DirectDrawResultText, TableHoldsTheInterfaceCodesOnce) {
  const int offsets[] = {5,   10,  20,  40,  55,  90,  95,  100, 110, 120, 130, 145, 150, 160,
                         170, 180, 205, 210, 212, 215, 220, 222, 225, 230, 240, 250, 255, 260,
                         280, 290, 310, 316, 317, 320, 330, 335, 340, 350, 360, 380, 382, 384,
                         387, 400, 410, 420, 430, 435, 440, 450, 460, 470, 480, 490, 510, 520,
                         537, 540, 560, 561, 562, 563, 564, 565, 566, 567, 568, 569, 570, 571,
                         572, 573, 574, 575, 576, 577, 578, 579, 580, 581, 582, 583, 584, 585,
                         586, 587, 588, 589, 590, 591, 592, 620, 640, 660, 680};
  static_assert(sizeof(offsets) / sizeof(offsets[0]) == 95, "95 interface codes");
  std::set<int32_t> codes;
  std::set<std::string> texts;
  for (int i = 0; i < kDirectDrawResultTexts; ++i) {
    const int32_t code = DirectDrawResultCodeAt(i);
    codes.insert(code);
    const std::string text = DirectDrawResultText(code);
    EXPECT_NE(kUnknownDirectDrawResult, text);
    EXPECT_EQ('.', text.back()) << text;
    texts.insert(text);
  }
  EXPECT_EQ(101u, codes.size());
  for (int offset : offsets) {
    EXPECT_EQ(1u, codes.count(static_cast<int32_t>(0x88760000u + offset))) << offset;
  }
  // The generic results stand for themselves.
  for (HRESULT code : {S_OK, E_NOTIMPL, E_FAIL, CO_E_NOTINITIALIZED, E_OUTOFMEMORY, E_INVALIDARG}) {
    EXPECT_EQ(1u, codes.count(code)) << std::hex << code;
  }
  EXPECT_EQ(0, DirectDrawResultCodeAt(101));
  EXPECT_EQ(0, DirectDrawResultCodeAt(-1));
}

}  // namespace
}  // namespace marlow
