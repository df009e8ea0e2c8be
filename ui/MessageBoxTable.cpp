#include "ui/MessageBoxTable.h"

namespace ui {
namespace {

constexpr const char* kHelp = "skin\\message_help.png";
constexpr const char* kExclamation = "skin\\message_exclamation.png";

constexpr MessageBoxEntry kBoxes[] = {
    /* MSG_REPLACE */ {kHelp, "ReplaceDesText", "ReplaceQueText", "ReplaceText", "CancelText", true},
    /* MSG_FINISH */ {nullptr, "", "", "", "", true},
    /* MSG_CANCEL */ {kHelp, "CancelDesText", "CancelQueText", "YesText", "NoText", true},
    /* MSG_APPEXIST */ {kHelp, "AppExistDesText", "AppExistQueText", "OkButtonText", "NoText", false},
    /* MSG_PATHERROR */ {kExclamation, "PathErrorDesText", "", "OkButtonText", "", false},
    /* MSG_DOWN */ {nullptr, "", "", "", "", false},
    /* MSG_INSTALLTIMEOUT */
    {kExclamation, "InstallRunTimeOutDesText", "InstallRunTimeOutQueText", "ConfirmText", "CancelText", false},
    /* MSG_MD5FAIL */ {kExclamation, "MD5FailDesText", "MD5FailQueText", "ConfirmText", "CancelText", false},
    /* MSG_URLFAIL */ {kExclamation, "UrlFailDexText", "UrlFailQueText", "ConfirmText", "CancelText", false},
    /* MSG_INTERNETFAIL */
    {kExclamation, "InternetFailDesText", "InternetFailQueText", "ConfirmText", "CancelText", false},
    /* MSG_INTERNETTIMEOUT */
    {kExclamation, "InternetTimeoutDesText", "InternetTimeoutQueText", "ConfirmText", "CancelText", false},
    /* MSG_NOENOUGHSPACE */ {kExclamation, "NoEnoughSpaceDesText", "", "OkButtonText", "", false},
    /* MSG_CLICKSHORTCUT */ {kExclamation, "ClickShortcutToLaunchText", "", "ConfirmText", "", false},
    /* MSG_NOTSUPPORTSYSTEM */ {kExclamation, "NotSupportSystemDesText", "", "OkButtonText", "", false},
    /* MSG_AGREE */ {kExclamation, "AgreeDesText", "", "AgreeInstallText", "NotAgreeText", true},
};

}  // namespace

const MessageBoxEntry* FindMessageBox(int type) {
  if (type < 0 || type >= static_cast<int>(sizeof kBoxes / sizeof kBoxes[0]) || type == MSG_DOWN) return nullptr;
  return &kBoxes[type];
}

const char* MessageBoxSkin(int type) { return type == MSG_DOWN ? "MessageBox_down.xml" : "MessageBox.xml"; }

}  // namespace ui
