// The installer's log, in Inno Setup's style: one time-stamped line per step,
// flushed at once so that a killed or hanging installer leaves what it did.
#pragma once

#include <fstream>
#include <string>
#include <string_view>

namespace sample {

class SetupLog {
 public:
  // Creates the file (and its folder), replacing an old one. Without a call
  // to Open, lines go nowhere. False with a reason when it cannot be created.
  bool Open(const std::string& path, std::string& error);
  // Control characters in the text are escaped.
  void Line(std::string_view text);

 private:
  std::ofstream m_file;
};

}  // namespace sample
