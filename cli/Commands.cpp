#include "cli/Commands.h"

#include <filesystem>
#include <new>
#include <string_view>
#include <system_error>

#include "cli/TrackInfo.h"
#include "supports/FlangeGenerator.h"
#include "trackio/TrackIO.h"

namespace cli {

namespace {

constexpr const char* kLoadError = "Error Loading Track File!";
constexpr const char* kFlangeError = "Error Adding Flanges!";
constexpr const char* kSaveError = "Error Saving Track File!";

// Loads `path`, or returns nothing after reporting why not.
std::optional<trackio::LoadedTrack> Load(const std::string& path, std::ostream& err, bool listChunks = false) {
  trackio::LoadResult loaded = trackio::LoadTrack(path, {.listChunks = listChunks});
  if (loaded) return std::move(*loaded);
  err << kLoadError << " " << path << ": " << loaded.error().Describe() << "\n";
  return std::nullopt;
}

// Saves and returns the path written, or nothing after reporting why not.
std::optional<std::string> Save(trackio::TrackDocument& doc, const std::string& path, std::ostream& err) {
  trackio::SaveResult saved = trackio::SaveTrack(doc, path);
  if (saved) return *saved;
  err << kSaveError << " " << trackio::WithTrackExtension(path) << ": " << saved.error().Describe() << "\n";
  return std::nullopt;
}

// True when `target` exists and is one of `files` (under any name).
bool IsOneOf(const std::string& target, const std::vector<std::string>& files) {
  std::error_code ignored;
  if (!std::filesystem::exists(target, ignored)) return false;
  for (const std::string& file : files) {
    if (std::filesystem::equivalent(target, file, ignored)) return true;
  }
  return false;
}

std::string Plural(int64_t count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

// Loads `input`, adds its flanges and saves it as `target`; returns the path
// written, or nothing after reporting why not.
std::optional<std::string> FlangeOne(const std::string& input, const std::string& target, std::ostream& out,
                                     std::ostream& err) {
  std::optional<trackio::LoadedTrack> loaded = Load(input, err);
  if (!loaded) return std::nullopt;
  trackio::TrackDocument& doc = loaded->document;
  supports::FlangeSummary summary;
  try {
    summary = supports::AddFlanges(doc);
  } catch (const std::bad_alloc&) {
    summary.error = "not enough memory for the flanges";
  }
  if (!summary.error.empty()) {
    err << kFlangeError << " " << input << ": " << summary.error << "\n";
    return std::nullopt;
  }
  const std::optional<std::string> path = Save(doc, target, err);
  if (path) {
    out << "Wrote " << *path << ": " << Plural(summary.tubesFlanged, "tube") << " got "
        << Plural(summary.flangesAdded, "flange") << ", " << Plural(summary.tubesSkippedOutOfRange, "tube")
        << " skipped beyond range\n";
  }
  return path;
}

}  // namespace

std::string FlangedPathBeside(const std::string& input) {
  const size_t extension = std::string_view(trackio::kTrackExtension).size();
  const std::string name = trackio::HasTrackExtension(input) ? input.substr(0, input.size() - extension) : input;
  return name + "-flanged" + trackio::kTrackExtension;
}

int RunFlange(const std::vector<std::string>& inputs, const std::optional<std::string>& output,
              std::ostream& out, std::ostream& err) {
  int status = kExitSuccess;
  std::vector<std::string> written;
  for (const std::string& input : inputs) {
    const std::string target = output ? *output : FlangedPathBeside(input);
    // A name of our own choosing must not replace a file this run reads or
    // has just written; one named with -o may.
    if (!output && (IsOneOf(target, inputs) || IsOneOf(target, written))) {
      err << kSaveError << " " << target << ": it is an input or an output of this run; not replaced\n";
      status = kExitFileFailed;
      continue;
    }
    if (const std::optional<std::string> path = FlangeOne(input, target, out, err)) {
      written.push_back(*path);
    } else {
      status = kExitFileFailed;
    }
  }
  return status;
}

int RunResave(const std::string& input, const std::string& output, std::ostream& out, std::ostream& err) {
  std::optional<trackio::LoadedTrack> loaded = Load(input, err);
  if (!loaded) return kExitFileFailed;
  const std::optional<std::string> path = Save(loaded->document, output, err);
  if (!path) return kExitFileFailed;
  out << "Wrote " << *path << "\n";
  return kExitSuccess;
}

int RunInfo(const std::string& input, bool json, std::ostream& out, std::ostream& err) {
  const std::optional<trackio::LoadedTrack> loaded = Load(input, err, true);
  if (!loaded) return kExitFileFailed;
  const TrackInfo info = DescribeTrack(input, loaded->document, loaded->chunks);
  if (json) {
    WriteInfoJson(info, out);
  } else {
    WriteInfoText(info, out);
  }
  return kExitSuccess;
}

}  // namespace cli
