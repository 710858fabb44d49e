// tarnwick-savebench TUBES [RUNS]: what streaming a save costs or saves.
// Saves one flanged generated track again and again, in turns:
//   SaveTrack          the save driver as it stands
//   whole file         the whole file built in memory, then written in one
//                      piece, sent on to the disk only by the flush at the end
//   streamed           ReplaceFileStreaming fed 1 MiB pieces by a producer that
//                      makes bytes at the rate the chunk writers build them
//   write only         ReplaceFileStreaming fed pieces that cost nothing: the
//                      floor of writing, flushing and renaming
// the last two once with the bytes sent on to the disk as they are written
// and once only at the end, and prints the median wall-clock time of each.
// The producer's rate is measured first, from building the same track in
// memory.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "TrackBuilder.h"
#include "supports/FlangeGenerator.h"
#include "trackio/FileAccessDetail.h"
#include "trackio/TrackIO.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr size_t kPieceSize = size_t{1} << 20;

double Seconds(Clock::duration duration) { return std::chrono::duration<double>(duration).count(); }

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double TimeOf(const std::function<void()>& work) {
  const Clock::time_point start = Clock::now();
  work();
  return Seconds(Clock::now() - start);
}

// Hands `bytes` over in 1 MiB pieces, each only once the time the chunk
// writers would take to build it has passed (spent busy, as they would be).
void ProduceAtRate(trackio::ByteSink& sink, const std::vector<uint8_t>& bytes, double bytesPerSecond) {
  std::vector<uint8_t> piece(kPieceSize);
  const Clock::time_point start = Clock::now();
  for (size_t at = 0; at < bytes.size(); at += kPieceSize) {
    const size_t size = std::min(kPieceSize, bytes.size() - at);
    std::memcpy(piece.data(), bytes.data() + at, size);
    const auto due = start + std::chrono::duration_cast<Clock::duration>(
                                 std::chrono::duration<double>((at + size) / bytesPerSecond));
    while (Clock::now() < due) {
    }
    sink.Write(piece.data(), size);
  }
}

void Require(const trackio::TrackError& error, const char* what) {
  if (error) {
    std::fprintf(stderr, "%s failed: %s\n", what, error.Describe().c_str());
    std::exit(1);
  }
}

// The bytes a save of `document` writes.
std::vector<uint8_t> Built(trackio::TrackDocument& document) {
  trackio::TrackResult<std::vector<uint8_t>> built = trackio::BuildTrackFile(document);
  Require(built.Error(), "BuildTrackFile");
  return std::move(*built);
}

int32_t Count(const char* text, const char* what) {
  int32_t value = 0;
  const auto [end, failure] = std::from_chars(text, text + std::strlen(text), value);
  if (failure != std::errc() || *end != '\0' || value < 1) {
    std::fprintf(stderr, "tarnwick-savebench: the %s must be a whole number from 1 up, not %s\n", what, text);
    std::exit(2);
  }
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: tarnwick-savebench TUBES [RUNS]\n");
    return 2;
  }
  const int32_t tubes = Count(argv[1], "tube count");
  const int32_t runs = argc == 3 ? Count(argv[2], "run count") : 9;

  trackio::TrackDocument document = trackbuilder::GeneratedDocument(tubes);
  if (const supports::FlangeSummary summary = supports::AddFlanges(document); summary.error) {
    std::fprintf(stderr, "adding flanges failed: %s\n", summary.error.Describe().c_str());
    return 1;
  }
  std::vector<double> buildTimes;
  std::vector<uint8_t> bytes;
  for (int i = 0; i < 3; ++i) buildTimes.push_back(TimeOf([&] { bytes = Built(document); }));
  const double buildRate = static_cast<double>(bytes.size()) / Median(buildTimes);

  const fs::path folder = fs::temp_directory_path() / ("tarnwick-savebench-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  const std::string path = (folder / "track.nltrack").string();

  struct Variant {
    const char* name;
    std::function<void()> save;
    std::vector<double> times = {};
  };
  auto streamed = [&](double rate, trackio::Writeback writeback) {
    return [&, rate, writeback] {
      Require(trackio::ReplaceFileStreaming(
                  path, trackio::Overwrite::Replace,
                  [&](trackio::ByteSink& sink) { ProduceAtRate(sink, bytes, rate); }, writeback)
                  .Error(),
              "ReplaceFileStreaming");
    };
  };
  constexpr double kFree = 1e30;
  using trackio::Writeback;
  std::vector<Variant> variants{
      {"SaveTrack", [&] {
         const trackio::SaveResult saved = trackio::SaveTrack(document, path);
         Require(saved ? trackio::TrackError{} : saved.Error(), "SaveTrack");
       }},
      {"whole file", [&] {
         const std::vector<uint8_t> whole = Built(document);
         Require(trackio::ReplaceFileStreaming(
                     path, trackio::Overwrite::Replace,
                     [&](trackio::ByteSink& sink) { sink.Write(whole.data(), whole.size()); }, Writeback::AtTheEnd)
                     .Error(),
                 "ReplaceFileStreaming");
       }},
      {"streamed", streamed(buildRate, Writeback::AsWritten)},
      {"streamed, at end", streamed(buildRate, Writeback::AtTheEnd)},
      {"write only", streamed(kFree, Writeback::AsWritten)},
      {"write only, at end", streamed(kFree, Writeback::AtTheEnd)},
  };
  for (Variant& variant : variants) variant.save();  // warm-up
  for (int run = 0; run < runs; ++run) {
    for (size_t i = 0; i < variants.size(); ++i) {
      Variant& variant = variants[(i + static_cast<size_t>(run)) % variants.size()];
      variant.times.push_back(TimeOf(variant.save));
    }
  }
  fs::remove_all(folder);

  std::printf("%d tubes, %zu bytes out; chunk writers build %.0f MB/s (%.1f ms); medians of %d runs\n", tubes,
              bytes.size(), buildRate / 1e6, Median(buildTimes) * 1e3, runs);
  const double wholeFile = Median(variants[1].times);
  for (const Variant& variant : variants) {
    const double median = Median(variant.times);
    std::printf("  %-18s %8.1f ms  %5.2f x whole file\n", variant.name, median * 1e3, median / wholeFile);
  }
  return 0;
}
