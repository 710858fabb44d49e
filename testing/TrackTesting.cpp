#include "TrackTesting.h"

#include <algorithm>
#include <atomic>
#include <filesystem>

namespace tracktesting {

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder() {
  static std::atomic<int> counter{0};
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string name = info != nullptr ? std::string(info->test_suite_name()) + "." + info->name()
                                           : std::string("scratch");
  path_ = (fs::temp_directory_path() /
           ("tarnwick-" + name + "-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
            "-" + std::to_string(counter++)))
              .string();
  fs::remove_all(path_);
  fs::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

std::vector<std::string> ScratchFolder::Entries() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(path_)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace tracktesting
