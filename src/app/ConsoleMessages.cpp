#include "ConsoleMessages.h"

const char* ConsoleMessageText(EnumMsgType type) {
  switch (type) {
    case MSG_REPLACE: return "The product is already installed on this computer.";
    case MSG_CANCEL: return "Are you sure to cancel installation?";
    case MSG_APPEXIST: return "The product is running. Close it, then install again.";
    case MSG_PATHERROR: return "The install folder cannot be created. Choose another folder.";
    case MSG_INSTALLTIMEOUT: return "The installer did not finish in time.";
    case MSG_MD5FAIL: return "The downloaded package failed its verification. Please download it again.";
    case MSG_URLFAIL: return "The package could not be downloaded from its address.";
    case MSG_INTERNETFAIL: return "No Internet connection. Check the network, then try again.";
    case MSG_INTERNETTIMEOUT: return "The download stopped making progress. Check the network, then try again.";
    case MSG_NOENOUGHSPACE: return "There is not enough disk space for the installation.";
    case MSG_CLICKSHORTCUT: return "Please start the product from its shortcut.";
    case MSG_NOTSUPPORTSYSTEM: return "This system is not supported.";
    case MSG_AGREE: return "To protect your interests and rights, please read and agree to the license agreement";
    case MSG_FINISH:
    case MSG_DOWN: break;
  }
  return "";
}
