// The message-box types of the installer (values are fixed).
#pragma once

enum EnumMsgType {
  MSG_REPLACE = 0,
  MSG_FINISH = 1,
  MSG_CANCEL = 2,
  MSG_APPEXIST = 3,
  MSG_PATHERROR = 4,
  MSG_DOWN = 5,
  MSG_INSTALLTIMEOUT = 6,
  MSG_MD5FAIL = 7,
  MSG_URLFAIL = 8,
  MSG_INTERNETFAIL = 9,
  MSG_INTERNETTIMEOUT = 10,
  MSG_NOENOUGHSPACE = 11,
  MSG_CLICKSHORTCUT = 12,
  MSG_NOTSUPPORTSYSTEM = 13,
  MSG_AGREE = 14,
};
