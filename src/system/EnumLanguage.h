// The installer's twenty interface languages. The values are fixed: each is
// the language's position in the language list, and is stored and sent as a
// number, so code that receives an int must expect values outside 0..19.
#pragma once

enum EnumLanguage : int {
  English = 0,
  Japanese = 1,
  Chinese = 2,
  Spanish = 3,
  German = 4,
  French = 5,
  Russian = 6,
  Portuguese = 7,
  Arabic = 8,
  Italiano = 9,
  ChineseTrad = 10,
  Korean = 11,
  Nederlands = 12,
  Indonesian = 13,
  Turkish = 14,
  Hindi = 15,
  Thai = 16,
  Malay = 17,
  Swedish = 18,
  Czech = 19,
};

inline constexpr int kEnumLanguageCount = 20;
