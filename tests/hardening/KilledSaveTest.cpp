// A save killed part way (the process is killed with SIGKILL while it saves
// two large tracks over and over, one through the save driver, the other
// streamed in pieces as a chunk writer hands them over): afterwards the target holds either the old
// bytes or the new bytes, never a mix. A killed process cannot remove its
// temporary file, so a hidden ".NAME.tmp-XXXXXX" beside the target may be
// left over; that is the only litter allowed, and the next save is not
// disturbed by it. A save interrupted by SIGINT, SIGTERM or SIGHUP removes
// its temporary file and ends by that signal.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "TrackTesting.h"
#include "cli/Cli.h"
#include "trackio/FileAccessDetail.h"
#include "trackio/Interruption.h"

namespace fs = std::filesystem;
using trackio::TrackDocument;

namespace {

// ".TARGET.tmp-" and six letters or digits.
bool IsLeftoverTemporary(const std::string& name, const std::string& target) {
  const std::string prefix = "." + target + ".tmp-";
  return name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0 &&
         std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                     [](unsigned char c) { return std::isalnum(c) != 0; });
}

// Saves `first` with the save driver and streams `secondBytes` in 64 KiB
// pieces, in turn, forever; killed by the parent. A save that fails ends
// the child by itself, which the parent notices.
constexpr size_t kPieceSize = 64 * 1024;

[[noreturn]] void SaveForever(const std::string& path, TrackDocument first, const std::vector<uint8_t>& secondBytes) {
  for (;;) {
    if (!trackio::SaveTrack(first, path)) ::_exit(1);
    const auto streamed =
        trackio::ReplaceFileStreaming(path, trackio::Overwrite::Replace, [&secondBytes](trackio::ByteSink& sink) {
          for (size_t at = 0; at < secondBytes.size(); at += kPieceSize) {
            sink.Write(secondBytes.data() + at, std::min(kPieceSize, secondBytes.size() - at));
          }
        });
    if (!streamed) ::_exit(1);
  }
}

}  // namespace

TEST(KilledSave, TheTargetHoldsTheOldOrTheNewBytesNeverAMix) {
  tracktesting::ScratchFolder folder;
  const std::string name = "track.nltrack";
  const std::string target = folder.File(name);
  // Two large tracks of different lengths and content.
  TrackDocument first = trackbuilder::GeneratedDocument(20000);
  TrackDocument second = trackbuilder::GeneratedDocument(24000);
  const std::vector<uint8_t> firstBytes = tracktesting::Saved(first);
  const std::vector<uint8_t> secondBytes = tracktesting::Saved(second);
  ASSERT_TRUE(trackbuilder::WriteFile(target, firstBytes));

  constexpr int kRounds = 16;
  for (int round = 0; round < kRounds; ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) SaveForever(target, first, secondBytes);
    // Different moments of the save cycle in each round.
    std::this_thread::sleep_for(std::chrono::milliseconds(20 + 13 * round));
    ASSERT_EQ(::kill(child, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    const std::vector<uint8_t> now = trackbuilder::ReadFile(target);
    EXPECT_TRUE(now == firstBytes || now == secondBytes)
        << "round " << round << ": the target holds " << now.size() << " bytes of neither save";
    for (const std::string& entry : folder.Entries()) {
      if (entry == name) continue;
      EXPECT_TRUE(IsLeftoverTemporary(entry, name)) << "unexpected file " << entry;
      fs::remove(folder.File(entry));
    }
  }

  // A leftover temporary file does not disturb the next save.
  ASSERT_TRUE(trackbuilder::WriteFile(folder.File(".track.nltrack.tmp-ABC123"), {1, 2, 3}));
  TrackDocument again = trackbuilder::SampleDocument();
  ASSERT_TRUE(trackio::SaveTrack(again, target));
  EXPECT_EQ(trackbuilder::ReadFile(target), tracktesting::Saved(again));
}

TEST(KilledSave, AnInterruptedSaveRemovesItsTemporaryFileAndEndsByTheSignal) {
  // The command line, in a child, stops at a moment of the save the test
  // chooses (through the seam) and tells the parent, which sends the signal.
  struct Case {
    int signal;
    trackio::SaveStep step;
  };
  const Case cases[] = {
      {SIGINT, trackio::SaveStep::Created}, {SIGTERM, trackio::SaveStep::Created},
      {SIGHUP, trackio::SaveStep::Created}, {SIGINT, trackio::SaveStep::Written},
      {SIGTERM, trackio::SaveStep::Written}, {SIGHUP, trackio::SaveStep::Written},
  };
  const std::vector<uint8_t> old{'o', 'l', 'd'};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(strsignal(c.signal)) + (c.step == trackio::SaveStep::Created ? ", file created" : ", file written"));
    tracktesting::ScratchFolder folder;
    const std::string input = folder.File("in.nltrack"), target = folder.File("out.nltrack");
    ASSERT_TRUE(trackbuilder::WriteFile(input, trackbuilder::CanonicalFile(trackbuilder::SampleDocument())));
    ASSERT_TRUE(trackbuilder::WriteFile(target, old));
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(ready[0]);
      ::alarm(20);  // should the signal not end it
      // As started from a terminal, whatever this test program was started with.
      for (const int signal : {SIGINT, SIGTERM, SIGHUP}) ::signal(signal, SIG_DFL);
      trackio::InstallInterruptCleanup();
      trackio::SetSaveStepHook([&](trackio::SaveStep step, const std::string& temporary, const std::string&) {
        if (step != c.step || ::access(temporary.c_str(), F_OK) != 0) return;
        (void)!::write(ready[1], "!", 1);
        for (;;) ::pause();
      });
      std::ostringstream out, err;
      ::_exit(cli::RunCli({"resave", input, "-o", target, "--force"}, out, err));
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1) << "the save did not reach its step";
    ::close(ready[0]);
    ASSERT_EQ(folder.Entries().size(), 3u) << "the temporary file is there while the save waits";
    ASSERT_EQ(::kill(child, c.signal), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal)
        << (WIFSIGNALED(status) ? strsignal(WTERMSIG(status)) : "exit status " + std::to_string(WEXITSTATUS(status)));
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"in.nltrack", "out.nltrack"}));
    EXPECT_EQ(trackbuilder::ReadFile(target), old);
  }
}
