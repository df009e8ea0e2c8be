// Pictures of the whole private screen, one per step of a test, under
// build/tests/desktop-shots/<test>/<step>.png, for people to look at.
#pragma once

#include <string>

namespace desktoptest {

// The path of ImageMagick's import, "" when it is missing.
const std::string& ImportPath();

class Screenshots {
 public:
  // The folder of the running test, emptied of an earlier run's pictures.
  Screenshots();
  // Saves the screen as <folder>/<nn>-<step>.png (numbered in taking order); false when import failed.
  bool Take(const std::string& step);
  const std::string& folder() const { return m_folder; }

 private:
  std::string m_folder;
  int m_count = 0;
};

}  // namespace desktoptest
