// What each message-box type shows: its icon and the keys of its texts in the
// language file's "message_page".
#pragma once

#include "EnumMsgType.h"

namespace ui {

struct MessageBoxEntry {
  const char* icon;      // nullptr: the skin's own
  const char* describe;  // keys; "" sets the text empty
  const char* question;
  const char* yes;
  const char* no;
  bool noShown;          // the second button stays visible
};

// The entry of a type; nullptr for the download box (its skin holds all its
// content) and for values outside the list.
const MessageBoxEntry* FindMessageBox(int type);
// "MessageBox_down.xml" for the download box, "MessageBox.xml" for the others.
const char* MessageBoxSkin(int type);

}  // namespace ui
