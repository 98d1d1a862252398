// API-READY
// Virtual-key codes carried by kMsgKeyDown / kMsgKeyUp (wParam). Letters are
// their upper-case codes 'A'..'Z' (65-90) whatever the shift state, digits
// '0'..'9' (48-57); the character of a printable key follows as kMsgChar
// (Tab, Enter, Esc and Backspace come as keys only).
#pragma once
#include <cstdint>

namespace plat {

constexpr uint32_t kKeyBack = 8;
constexpr uint32_t kKeyTab = 9;
constexpr uint32_t kKeyReturn = 13;   // Return and keypad Enter
constexpr uint32_t kKeyShift = 16;
constexpr uint32_t kKeyControl = 17;
constexpr uint32_t kKeyAlt = 18;
constexpr uint32_t kKeyPause = 19;
constexpr uint32_t kKeyCapsLock = 20;
constexpr uint32_t kKeyEscape = 27;
constexpr uint32_t kKeySpace = 32;
constexpr uint32_t kKeyPageUp = 33;
constexpr uint32_t kKeyPageDown = 34;
constexpr uint32_t kKeyEnd = 35;
constexpr uint32_t kKeyHome = 36;
constexpr uint32_t kKeyLeft = 37;
constexpr uint32_t kKeyUp = 38;
constexpr uint32_t kKeyRight = 39;
constexpr uint32_t kKeyDown = 40;
constexpr uint32_t kKeyInsert = 45;
constexpr uint32_t kKeyDelete = 46;
constexpr uint32_t kKeyNumpad0 = 96;  // .. kKeyNumpad0 + 9
constexpr uint32_t kKeyMultiply = 106;
constexpr uint32_t kKeyAdd = 107;
constexpr uint32_t kKeySeparator = 108;
constexpr uint32_t kKeySubtract = 109;
constexpr uint32_t kKeyDecimal = 110;
constexpr uint32_t kKeyDivide = 111;
constexpr uint32_t kKeyF1 = 112;      // .. kKeyF1 + 11 = F12
// Punctuation keys of the US layout (shifted symbols report their key).
constexpr uint32_t kKeySemicolon = 186;
constexpr uint32_t kKeyEquals = 187;
constexpr uint32_t kKeyComma = 188;
constexpr uint32_t kKeyMinus = 189;
constexpr uint32_t kKeyPeriod = 190;
constexpr uint32_t kKeySlash = 191;
constexpr uint32_t kKeyBackquote = 192;
constexpr uint32_t kKeyOpenBracket = 219;
constexpr uint32_t kKeyBackslash = 220;
constexpr uint32_t kKeyCloseBracket = 221;
constexpr uint32_t kKeyQuote = 222;

}  // namespace plat
