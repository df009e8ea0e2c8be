// The analytics transport as the program sees it: an object with fourteen
// operation slots, created and released through C entry points that are
// exported by name from the executable. This installer uses slots 1, 11 and 12;
// the others belong to reporting this installer does not do and answer
// kNotSupported.
#pragma once

#include <string>

class IWebLog {
 public:
  static constexpr int kNotSupported = -2;

  // Slot 1: this machine's user identity and the user-check service's record
  // for it. 0 on success, -1 when no identity could be obtained.
  virtual int QueryUserInfo(std::string& userGuid, std::string& userRecord) = 0;
  virtual int Slot2() { return kNotSupported; }
  virtual int Slot3() { return kNotSupported; }
  virtual int Slot4() { return kNotSupported; }
  virtual int Slot5() { return kNotSupported; }
  virtual int Slot6() { return kNotSupported; }
  virtual int Slot7() { return kNotSupported; }
  virtual int Slot8() { return kNotSupported; }
  virtual int Slot9() { return kNotSupported; }
  virtual int Slot10() { return kNotSupported; }
  // Slot 11: one funnel event (a JSON object text). 0 when the service
  // answered 200; else the transfer error, or the HTTP status minus 200.
  virtual int SoftDataReport(const std::string& jsonStr) = 0;
  // Slot 12: one GA4 hit (a query tail starting with "&tid="). 0 for 204, -1
  // for any other status, 253 when the request failed, 254 for empty input.
  virtual int GA4DataReport(const std::string& queryTail) = 0;
  virtual int Slot13() { return kNotSupported; }
  virtual int Slot14() { return kNotSupported; }

 protected:
  // Objects from CreateExportObj go back through DestroyExportObj.
  ~IWebLog() = default;
};

extern "C" {
// A new transport configured from the process-wide WebLogConfig; null when it
// cannot be made.
IWebLog* CreateExportObj();
void DestroyExportObj(IWebLog* obj);
// Stores the four numbers, makes a process-wide transport and obtains its
// identity on a background thread. Returns 0 at once.
int NSISLog(int a, int b, int c, int d);
}
