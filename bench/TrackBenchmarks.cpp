// Load, flange and save on generated tracks of 1,000 to 1,000,000 tubes,
// beside the cost of only reading the input file and writing a file of the
// output's size with plain stdio: the floor any track tool stands on.
//
// Every benchmark reports the file bytes it handled per second:
//   load        the input file's bytes
//   flange      the flanged track's bytes (what the flanges turn into)
//   build/save  the output file's bytes
//   chain       input + output bytes (load file, add flanges, save file)
//   baseline    input + output bytes (fread the input, fwrite the output size;
//               baseline_fsync flushes the output to the disk, as a save does)
// so chain and baseline compare directly. Wall-clock time throughout: a save
// waits for the disk.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

#include "TrackBuilder.h"
#include "supports/FlangeGenerator.h"
#include "trackio/TrackIO.h"

namespace {

namespace fs = std::filesystem;

const int32_t kTubeCounts[] = {1'000, 10'000, 100'000, 1'000'000};

// A folder for the benchmark's files, removed at exit.
class ScratchFolder {
 public:
  ScratchFolder() {
    path_ = fs::temp_directory_path() / ("tarnwick-bench-" + std::to_string(::getpid()));
    fs::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  fs::path path_;
};

ScratchFolder& Scratch() {
  static ScratchFolder folder;
  return folder;
}

// Everything the benchmarks of one tube count start from.
struct Track {
  int32_t tubes = 0;
  std::vector<uint8_t> input;     // the generated file
  std::string inputPath;          // the same bytes on disk
  std::string outputPath;
  trackio::TrackDocument loaded;  // the file as loaded
  trackio::TrackDocument flanged; // and with flanges added
  int64_t outputBytes = 0;        // of the flanged track's file
};

// The track of `tubes` tubes. Only the latest one is kept: the largest
// needs a few GiB, and the benchmarks run one tube count after the other.
Track& TrackOf(int32_t tubes) {
  static std::unique_ptr<Track> current;
  if (current && current->tubes == tubes) return *current;
  current.reset();
  auto track = std::make_unique<Track>();
  track->tubes = tubes;
  track->input = trackbuilder::CanonicalFile(trackbuilder::GeneratedDocument(tubes));
  track->inputPath = Scratch().File("input-" + std::to_string(tubes) + ".nltrack");
  track->outputPath = Scratch().File("output-" + std::to_string(tubes) + ".nltrack");
  if (!trackbuilder::WriteFile(track->inputPath, track->input)) {
    throw std::runtime_error("cannot write " + track->inputPath);
  }
  trackio::LoadResult loaded = trackio::LoadTrackFromBytes(track->input);
  if (!loaded) throw std::runtime_error("the generated track does not load: " + loaded.Error().Describe());
  track->loaded = std::move(loaded->document);
  track->flanged = track->loaded;
  supports::AddFlanges(track->flanged);
  track->outputBytes = trackio::SavedFileLength(track->flanged);
  current = std::move(track);
  return *current;
}

void Report(benchmark::State& state, const Track& track, int64_t bytesPerIteration) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytesPerIteration);
  state.counters["input_bytes"] = static_cast<double>(track.input.size());
  state.counters["output_bytes"] = static_cast<double>(track.outputBytes);
}

void Require(bool ok, const char* what) {
  if (!ok) throw std::runtime_error(std::string(what) + " failed");
}

void LoadFromBytes(benchmark::State& state, int32_t tubes) {
  const Track& track = TrackOf(tubes);
  for (auto _ : state) {
    state.PauseTiming();
    // The load takes its bytes over; like LoadTrack, leave room for the zero
    // byte it puts after the file.
    std::vector<uint8_t> bytes;
    bytes.reserve(track.input.size() + 1);
    bytes.assign(track.input.begin(), track.input.end());
    state.ResumeTiming();
    trackio::LoadResult loaded = trackio::LoadTrackFromBytes(std::move(bytes));
    Require(static_cast<bool>(loaded), "LoadTrackFromBytes");
    benchmark::DoNotOptimize(loaded->document);
  }
  Report(state, track, static_cast<int64_t>(track.input.size()));
}

void LoadFromFile(benchmark::State& state, int32_t tubes) {
  const Track& track = TrackOf(tubes);
  for (auto _ : state) {
    trackio::LoadResult loaded = trackio::LoadTrack(track.inputPath);
    Require(static_cast<bool>(loaded), "LoadTrack");
    benchmark::DoNotOptimize(loaded->document);
  }
  Report(state, track, static_cast<int64_t>(track.input.size()));
}

void Flange(benchmark::State& state, int32_t tubes) {
  const Track& track = TrackOf(tubes);
  for (auto _ : state) {
    state.PauseTiming();
    trackio::TrackDocument document = track.loaded;
    state.ResumeTiming();
    supports::AddFlanges(document);
    benchmark::DoNotOptimize(document);
  }
  Report(state, track, track.outputBytes);
}

// A save sets only the framing values of the document, the same ones every
// time, so the benchmarks save the shared flanged track itself.
void BuildFile(benchmark::State& state, int32_t tubes) {
  Track& track = TrackOf(tubes);
  for (auto _ : state) {
    trackio::TrackResult<std::vector<uint8_t>> bytes = trackio::BuildTrackFile(track.flanged);
    if (!bytes) {
      state.SkipWithError(bytes.Error().Describe().c_str());
      break;
    }
    benchmark::DoNotOptimize(bytes->data());
  }
  Report(state, track, track.outputBytes);
}

void SaveFile(benchmark::State& state, int32_t tubes) {
  Track& track = TrackOf(tubes);
  for (auto _ : state) Require(static_cast<bool>(trackio::SaveTrack(track.flanged, track.outputPath)), "SaveTrack");
  Report(state, track, track.outputBytes);
}

void Chain(benchmark::State& state, int32_t tubes) {
  const Track& track = TrackOf(tubes);
  for (auto _ : state) {
    trackio::LoadResult loaded = trackio::LoadTrack(track.inputPath);
    Require(static_cast<bool>(loaded), "LoadTrack");
    supports::AddFlanges(loaded->document);
    Require(static_cast<bool>(trackio::SaveTrack(loaded->document, track.outputPath)), "SaveTrack");
  }
  Report(state, track, static_cast<int64_t>(track.input.size()) + track.outputBytes);
}

// Reads the input file and writes a file of the output's size, in 1 MiB
// blocks with plain buffered stdio, as a file copy does. With `sync`, the
// output is flushed to the disk before it is closed, as a save does.
void PlainIO(benchmark::State& state, int32_t tubes, bool sync) {
  const Track& track = TrackOf(tubes);
  std::vector<char> block(size_t{1} << 20, 'x');
  const std::string outputPath = Scratch().File("baseline.out");
  for (auto _ : state) {
    std::FILE* in = std::fopen(track.inputPath.c_str(), "rb");
    Require(in != nullptr, "fopen");
    size_t read = 0;
    while (const size_t n = std::fread(block.data(), 1, block.size(), in)) read += n;
    std::fclose(in);
    Require(read == track.input.size(), "fread");

    std::FILE* out = std::fopen(outputPath.c_str(), "wb");
    Require(out != nullptr, "fopen");
    for (int64_t left = track.outputBytes; left > 0;) {
      const size_t n = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(block.size())));
      Require(std::fwrite(block.data(), 1, n, out) == n, "fwrite");
      left -= static_cast<int64_t>(n);
    }
    if (sync) Require(std::fflush(out) == 0 && ::fsync(::fileno(out)) == 0, "fsync");
    Require(std::fclose(out) == 0, "fclose");
  }
  Report(state, track, static_cast<int64_t>(track.input.size()) + track.outputBytes);
}

void Baseline(benchmark::State& state, int32_t tubes) { PlainIO(state, tubes, false); }
void BaselineSynced(benchmark::State& state, int32_t tubes) { PlainIO(state, tubes, true); }

void Register(const char* name, void (*benchmark)(benchmark::State&, int32_t), int32_t tubes) {
  benchmark::RegisterBenchmark((std::string(name) + "/" + std::to_string(tubes)).c_str(), benchmark,
                               tubes)
      ->Unit(benchmark::kMillisecond)
      // A first pass untimed: on a virtual machine the first touch of memory
      // the guest has not used for a while costs far more than later ones.
      ->MinWarmUpTime(0.2)
      ->UseRealTime();
}

// Takes "--rounds=R" out of the arguments: how many times each benchmark runs.
int TakeRounds(int& argc, char** argv) {
  int rounds = 3;
  int kept = 1;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (argument.rfind("--rounds=", 0) == 0) {
      rounds = std::max(1, std::stoi(argument.substr(9)));
    } else {
      argv[kept++] = argv[i];
    }
  }
  argc = kept;
  return rounds;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = TakeRounds(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // One tube count after the other, so that only one track is held at a
  // time; within it, the benchmarks take turns round after round, so that
  // load from the other programs on the machine falls on all of them alike.
  // A report takes the median of the rounds.
  for (int32_t tubes : kTubeCounts) {
    for (int round = 0; round < rounds; ++round) {
      Register("baseline", Baseline, tubes);
      Register("baseline_fsync", BaselineSynced, tubes);
      Register("load_bytes", LoadFromBytes, tubes);
      Register("load_file", LoadFromFile, tubes);
      Register("flange", Flange, tubes);
      Register("build", BuildFile, tubes);
      Register("save_file", SaveFile, tubes);
      Register("chain", Chain, tubes);
    }
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
