// Runs the fuzz target over saved inputs without libFuzzer, so every build
// can replay the seed corpus and any reproducer. Each argument is a file or
// a directory whose files run in name order. A mismatch aborts inside the
// target, as under libFuzzer; an unreadable input or an empty run fails.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

bool replay(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "veldran-fuzz-replay: cannot read %s\n", file.c_str());
    return false;
  }
  const std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(in), {}};
  LLVMFuzzerTestOneInput(data.data(), data.size());
  return true;
}

std::vector<fs::path> inputs(const fs::path& argument) {
  if (!fs::is_directory(argument)) return {argument};
  std::vector<fs::path> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(argument)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s FILE_OR_DIRECTORY...\n", argv[0]);
    return 2;
  }
  std::size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    for (const fs::path& file : inputs(argv[i])) {
      if (!replay(file)) return 1;
      ++replayed;
    }
  }
  std::printf("veldran-fuzz-replay: %zu inputs replayed without a mismatch\n", replayed);
  return replayed == 0 ? 1 : 0;
}
