// What the tests of the crash reports share: a scratch directory per test
// for the cases that run in re-executed children (threadsafe death tests),
// and the messages of a log file.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

namespace veldran_test {

// `<temp>/<prefix>-<pid>/<test name>` with a "logs" directory in it; the
// parent names the root, and a re-executed child finds it in `variable`.
inline std::filesystem::path processdir(const char* variable, const std::string& prefix) {
  namespace fs = std::filesystem;
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  if (std::getenv(variable) == nullptr) {
    const fs::path root = fs::temp_directory_path() / (prefix + "-" + std::to_string(getpid()));
    setenv(variable, root.c_str(), 1);
  }
  const fs::path dir = fs::path(std::getenv(variable)) /
                       testing::UnitTest::GetInstance()->current_test_info()->name();
  fs::create_directories(dir / "logs");
  return dir;
}

// The message of each line of the file at `path`: a line out of the log's
// layout comes back whole, marked "MALFORMED", and a last line without its
// line feed marked "UNFINISHED".
inline std::vector<std::string> filemessages(const std::filesystem::path& path) {
  static const std::regex line(
      R"(VELDRAN \[(Mon|Tue|Wed|Thu|Fri|Sat|Sun) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) )"
      R"([ 0-9]\d \d\d:\d\d:\d\d \d{4}\]: (.*))");
  std::ifstream file(path);
  const std::string text{std::istreambuf_iterator<char>(file), {}};
  std::vector<std::string> messages;
  std::smatch match;
  for (std::size_t begin = 0; begin < text.size();) {
    const std::size_t end = text.find('\n', begin);
    if (end == std::string::npos) {
      messages.push_back("UNFINISHED " + text.substr(begin));
      break;
    }
    const std::string physical = text.substr(begin, end - begin);
    messages.push_back(std::regex_match(physical, match, line) ? match[3].str()
                                                               : "MALFORMED " + physical);
    begin = end + 1;
  }
  return messages;
}

}  // namespace veldran_test
