// Runs a fuzz target over files and folders of inputs, without libFuzzer: the regression replay of
// the corpus in the normal build (any compiler). The empty input goes first, as with libFuzzer, so
// a new target without a corpus yet is still run once. Exit status 0 when every input went through
// (a failing check aborts the program).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

bool Run(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", file.c_str());
    return false;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  LLVMFuzzerTestOneInput(nullptr, 0);
  int failures = 0;
  int inputs = 1;
  for (int i = 1; i < argc; ++i) {
    const fs::path arg(argv[i]);
    std::vector<fs::path> files;
    if (fs::is_directory(arg)) {
      for (const auto& entry : fs::directory_iterator(arg)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
      }
      std::sort(files.begin(), files.end());
    } else if (fs::exists(arg)) {
      files.push_back(arg);
    } else {
      std::printf("no corpus at %s yet\n", arg.c_str());
    }
    for (const auto& file : files) {
      if (!Run(file)) ++failures;
      ++inputs;
    }
  }
  std::printf("%d inputs replayed\n", inputs);
  return failures == 0 ? 0 : 1;
}
