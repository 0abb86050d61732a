// Texts for the result codes of the drawing interface, as the display puts
// them into its last error.
#pragma once

#include <cstdint>

namespace marlow {

// Number of codes with a text of their own.
constexpr int kDirectDrawResultTexts = 101;
// Text for every code outside the table.
constexpr char kUnknownDirectDrawResult[] = "Recieved an error not part of DirectX 5";

// The one-sentence description of `result`, or kUnknownDirectDrawResult.
const char* DirectDrawResultText(int32_t result);

// The table's code at `index` (0 .. kDirectDrawResultTexts - 1), for tests
// that walk every entry; 0 outside.
int32_t DirectDrawResultCodeAt(int index);

}  // namespace marlow
