// Reads back what VELDRAN::log wrote, without the time stamps.
#pragma once

#include <string>
#include <vector>

#include "diagnostics/log"

namespace veldran_test {

// Length of "VELDRAN [" + the 24-character ctime text + "]: ".
constexpr std::size_t kLinePrefixLength = 9 + 24 + 3;

// Starts a fresh log: the module set-up has run (so its four lines never
// show up) and logstream is empty. messages() returns what was logged since.
class LogCapture {
 public:
  LogCapture() {
    VELDRAN::setup();
    VELDRAN::logstream.str("");
    VELDRAN::logstream.clear();
  }

  // One message per logged line, in order.
  std::vector<std::string> messages() const {
    std::vector<std::string> result;
    const std::string text = VELDRAN::logstream.str();
    std::size_t begin = 0;
    while (begin < text.size()) {
      std::size_t end = text.find('\n', begin);
      if (end == std::string::npos) end = text.size();
      const std::string line = text.substr(begin, end - begin);
      result.push_back(line.size() >= kLinePrefixLength ? line.substr(kLinePrefixLength) : line);
      begin = end + 1;
    }
    return result;
  }
};

}  // namespace veldran_test
