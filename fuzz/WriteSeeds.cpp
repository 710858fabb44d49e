// Writes the fuzzer's seed corpus into a folder: track_fuzz_seeds FOLDER
#include <cstdio>
#include <filesystem>

#include "SeedCorpus.h"
#include "TrackBuilder.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::error_code code;
  std::filesystem::create_directories(folder, code);
  if (code) {
    std::fprintf(stderr, "cannot create %s: %s\n", folder.c_str(), code.message().c_str());
    return 1;
  }
  const auto seeds = fuzzcheck::SeedCorpus();
  for (const fuzzcheck::Seed& seed : seeds) {
    const std::string path = (folder / (seed.name + ".nltrack")).string();
    if (!trackbuilder::WriteFile(path, seed.bytes)) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
  }
  std::printf("%zu seeds written to %s\n", seeds.size(), folder.c_str());
  return 0;
}
