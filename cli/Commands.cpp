#include "cli/Commands.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <new>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "cli/JsonWriter.h"
#include "cli/ProgressMeter.h"
#include "cli/SupportPicture.h"
#include "cli/TrackInfo.h"
#include "supports/FlangeGenerator.h"
#include "trackio/FileAccess.h"
#include "trackio/TrackIO.h"

namespace cli {

namespace {

namespace fs = std::filesystem;

std::string Plural(int64_t count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

void Fail(Console& console, const std::string& path, const std::string& reason) {
  console.err << "tarnwick-cli: " << path << ": " << reason << "\n";
}

std::ostream* ProgressTerminal(const Console& console) {
  return console.errIsTerminal && !console.quiet ? &console.err : nullptr;
}

// The one place the tool loads a track: the track, or nothing after
// reporting why not.
std::optional<trackio::LoadedTrack> Load(const std::string& path, Console& console, bool listChunks = false) {
  ProgressMeter meter(ProgressTerminal(console), path + ": loading");
  trackio::LoadResult loaded = trackio::LoadTrack(path, {.listChunks = listChunks, .progress = meter.Callback()});
  if (loaded) return std::move(*loaded);
  Fail(console, path, loaded.error().Describe());
  return std::nullopt;
}

trackio::SaveForm SaveFormOf(const CommandLine& command) {
  return command.normalise ? trackio::SaveForm::Normalised : trackio::SaveForm::Exact;
}

trackio::Overwrite Consent(bool force) { return force ? trackio::Overwrite::Replace : trackio::Overwrite::Refuse; }

// Says why `path` was not written. The two refusals that --force lifts
// say so.
void FailToWrite(Console& console, const std::string& path, const trackio::TrackError& error) {
  switch (error.kind) {
    case trackio::TrackErrorKind::Exists:
      console.err << "tarnwick-cli: " << path << " already exists; use --force to replace it\n";
      break;
    case trackio::TrackErrorKind::AppearedWhileSaving:
      Fail(console, path, error.Describe() + " (use --force to replace it)");
      break;
    default: Fail(console, path, error.Describe());
  }
}

// After a file was written: a replaced file's other hard links still hold
// the old content, which its user may not expect.
void WarnOfOtherNames(Console& console, const trackio::SavedFile& saved, const char* content = "track") {
  if (saved.otherNames == 0) return;
  console.err << "tarnwick-cli: warning: " << saved.path << " had " << Plural(saved.otherNames, "other name")
              << (saved.otherNames == 1 ? "; it keeps" : "; they keep") << " the old " << content << "\n";
}

// A file shorter than its root chunk says loads (the final byte is
// forgiven, and a cut may fall on a count), but it was most likely cut short.
void WarnIfCutShort(Console& console, const std::string& path, const trackio::TrackDocument& doc) {
  std::error_code failure;
  const uintmax_t length = fs::file_size(trackio::ToPath(path), failure);
  const int64_t promised = int64_t{doc.NlimSize} + 8;
  if (failure || static_cast<int64_t>(length) >= promised) return;
  console.err << "tarnwick-cli: warning: " << path << " is " << length << " bytes, but its header says " << promised
              << ": it may have been cut short\n";
}

// The one place the tool saves a track. Returns the path written, or
// nothing after reporting why not.
std::optional<std::string> Save(trackio::TrackDocument& doc, const std::string& target, const CommandLine& command,
                                 Console& console) {
  ProgressMeter meter(ProgressTerminal(console), target + ": saving");
  const trackio::SaveResult saved = trackio::SaveTrack(
      doc, target, {.progress = meter.Callback(), .overwrite = Consent(command.force), .form = SaveFormOf(command)});
  if (!saved) {
    FailToWrite(console, target, saved.error());
    return std::nullopt;
  }
  WarnOfOtherNames(console, *saved);
  return saved->path;
}

bool HasNoName(const std::string& path) {
  std::string name = trackio::ToNarrow(trackio::ToPath(path).filename());
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return name.empty() || name == trackio::kTrackExtension;
}

// Whether `target` names a file at all; says why not when it does not.
bool NamesAFile(const std::string& target, Console& console) {
  if (!HasNoName(target)) return true;
  Fail(console, target, "the file has no name (only an extension); name the output file");
  return false;
}

// Whether the track named `named` (written as `target`, ".nltrack"
// appended) may be written, looked at before the work starts; the save
// refuses again at its last step. Says why not when it may not.
bool MayWriteTrack(const std::string& named, const std::string& target, bool force, Console& console) {
  if (!NamesAFile(target, console)) return false;
  const trackio::TrackError refused = trackio::CheckSaveTarget(named, Consent(force));
  if (!refused) return true;
  // A device at the name as given is refused under that name.
  const bool givenName = refused.kind == trackio::TrackErrorKind::NotAFile && named != target &&
                         trackio::CheckReplaceTarget(named, trackio::Overwrite::Replace);
  FailToWrite(console, givenName ? named : target, refused);
  return false;
}

bool MayWritePicture(const std::string& target, bool force, Console& console) {
  if (!NamesAFile(target, console)) return false;
  const trackio::TrackError refused = trackio::CheckReplaceTarget(target, Consent(force));
  if (refused) FailToWrite(console, target, refused);
  return !refused;
}

// True when `target` exists and is one of `files` (under any name).
bool IsOneOf(const std::string& target, const std::vector<std::string>& files) {
  std::error_code ignored;
  const fs::path targetPath = trackio::ToPath(target);
  if (!fs::exists(targetPath, ignored)) return false;
  for (const std::string& file : files) {
    if (fs::equivalent(targetPath, trackio::ToPath(file), ignored)) return true;
  }
  return false;
}

// Says on one line which parts of kinds the tool does not know a save of
// `loaded` to `path` leaves out, if any:
// "note: left out 2 parts this tool does not know: XTRA, 12 bytes; ZZZZ, 8 bytes".
void NoteLeftOutParts(const trackio::LoadedTrack& loaded, const std::string& path, const CommandLine& command,
                      Console& console) {
  const std::vector<trackio::FoundChunk> leftOut = trackio::LeftOutBySave(loaded, SaveFormOf(command));
  if (leftOut.empty()) return;
  constexpr size_t kNamed = 4;
  console.err << "tarnwick-cli: " << path << ": note: " << (command.dryRun ? "would leave out " : "left out ")
              << Plural(static_cast<int64_t>(leftOut.size()), "part") << " this tool does not know: ";
  for (size_t i = 0; i < leftOut.size() && i < kNamed; ++i) {
    console.err << (i > 0 ? "; " : "") << PrintableTag(leftOut[i].tag) << ", " << ChunkLength(leftOut[i]);
  }
  if (leftOut.size() > kNamed) console.err << "; and " << leftOut.size() - kNamed << " more";
  console.err << "\n";
}

// "4 tubes got 10 flanges, 2 flanges already there"
std::string FlangeFigures(const supports::FlangeSummary& summary, bool dryRun) {
  std::string text = Plural(summary.tubesFlanged, "tube") + (dryRun ? " would get " : " got ") +
                     Plural(summary.flangesAdded, "flange");
  if (summary.flangesAlreadyPresent > 0) {
    text += ", " + Plural(summary.flangesAlreadyPresent, "flange") + " already there";
  }
  if (summary.tubesSkippedOutOfRange > 0) {
    text += ", " + Plural(summary.tubesSkippedOutOfRange, "tube") + " skipped beyond range";
  }
  return text;
}

// Where `flange` writes the result for `input`.
std::string FlangeTarget(const std::string& input, const CommandLine& command) {
  if (!command.output) return FlangedPathBeside(input);
  if (trackio::IsFolder(*command.output)) {
    return trackio::ToNarrow(trackio::ToPath(*command.output) /
                             trackio::ToPath(FlangedPathBeside(input)).filename());
  }
  return trackio::WithTrackExtension(*command.output);
}

// Loads `input`, adds its flanges and saves it as `target` (or only reports
// on a dry run). Returns the path written, or nothing after reporting why not.
std::optional<std::string> FlangeOne(const std::string& input, const std::string& target,
                                     const CommandLine& command, Console& console) {
  std::optional<trackio::LoadedTrack> loaded = Load(input, console);
  if (!loaded) return std::nullopt;
  trackio::TrackDocument& doc = loaded->document;
  WarnIfCutShort(console, input, doc);
  supports::FlangeSummary summary;
  try {
    if (command.dryRun) {
      summary = supports::CountFlanges(doc);
    } else {
      ProgressMeter meter(ProgressTerminal(console), input + ": adding flanges");
      summary = supports::AddFlanges(doc, meter.Callback());
    }
  } catch (const std::bad_alloc&) {
    summary.error = {trackio::TrackErrorKind::TooLarge, "not enough memory for the flanges", {}, -1};
  }
  if (summary.error) {
    Fail(console, input, summary.error.Describe());
    return std::nullopt;
  }
  if (command.dryRun) {
    if (!console.quiet) console.out << "Would write " << target << ": " << FlangeFigures(summary, true) << "\n";
    NoteLeftOutParts(*loaded, target, command, console);
    return target;
  }
  const std::optional<std::string> path = Save(doc, target, command, console);
  if (path && !console.quiet) console.out << "Wrote " << *path << ": " << FlangeFigures(summary, false) << "\n";
  if (path) NoteLeftOutParts(*loaded, *path, command, console);
  return path;
}

}  // namespace

std::string FlangedPathBeside(const std::string& input) {
  const size_t extension = std::string_view(trackio::kTrackExtension).size();
  const std::string name = trackio::HasTrackExtension(input) ? input.substr(0, input.size() - extension) : input;
  return name + "-flanged" + trackio::kTrackExtension;
}

int RunFlange(const CommandLine& command, Console& console) {
  const std::vector<std::string>& inputs = command.inputs;
  // A name of the tool's own choosing must not replace a file this run reads
  // or has just written, not even with --force; one named with -o may.
  const bool ownNames = !command.output || trackio::IsFolder(*command.output);
  std::vector<std::string> written;
  size_t failed = 0;
  for (const std::string& input : inputs) {
    const std::string target = FlangeTarget(input, command);
    std::optional<std::string> path;
    if (ownNames && (IsOneOf(target, inputs) || IsOneOf(target, written))) {
      Fail(console, target, "it is an input or an output of this run; not replaced");
    } else if (MayWriteTrack(ownNames ? target : *command.output, target, command.force, console)) {
      path = FlangeOne(input, target, command, console);
    }
    if (path) {
      written.push_back(*path);
    } else {
      ++failed;
    }
  }
  if (inputs.size() > 1 && !console.quiet) {
    console.out << inputs.size() << " files: " << written.size() << (command.dryRun ? " would be written, " : " written, ")
                << failed << " failed\n";
  }
  return failed == 0 ? kExitSuccess : kExitFileFailed;
}

int RunResave(const CommandLine& command, Console& console) {
  const std::string& input = command.inputs.front();
  const std::string target = trackio::WithTrackExtension(*command.output);
  if (!MayWriteTrack(*command.output, target, command.force, console)) return kExitFileFailed;
  std::optional<trackio::LoadedTrack> loaded = Load(input, console);
  if (!loaded) return kExitFileFailed;
  WarnIfCutShort(console, input, loaded->document);
  const std::optional<std::string> path = Save(loaded->document, target, command, console);
  if (!path) return kExitFileFailed;
  if (!console.quiet) console.out << "Wrote " << *path << "\n";
  NoteLeftOutParts(*loaded, *path, command, console);
  return kExitSuccess;
}

int RunInfo(const CommandLine& command, Console& console) {
  int status = kExitSuccess;
  std::optional<JsonWriter> json;
  if (command.json) json.emplace(console.out);
  const bool several = command.inputs.size() > 1;
  if (json && several) json->BeginArray();
  bool first = true;
  for (const std::string& input : command.inputs) {
    const std::optional<trackio::LoadedTrack> loaded = Load(input, console, command.chunks);
    if (!loaded) {
      status = kExitFileFailed;
      continue;
    }
    WarnIfCutShort(console, input, loaded->document);
    const TrackInfo info = DescribeTrack(input, *loaded, command.chunks);
    if (json) {
      WriteInfoJson(info, *json);
    } else {
      if (!first) console.out << "\n";
      WriteInfoText(info, console.out);
    }
    first = false;
  }
  if (json && several) json->EndArray();
  return status;
}

int RunRender(const CommandLine& command, Console& console) {
  const std::string& input = command.inputs.front();
  const std::string& target = *command.output;
  if (IsOneOf(target, {input})) {
    Fail(console, target, "it is the track being drawn; not replaced");
    return kExitFileFailed;
  }
  if (!MayWritePicture(target, command.force, console)) return kExitFileFailed;
  const std::optional<trackio::LoadedTrack> loaded = Load(input, console);
  if (!loaded) return kExitFileFailed;

  const trackio::TrackResult<SupportPicture> picture = SupportPicture::Plan(
      loaded->document, command.view, command.flanges, trackio::ToNarrow(trackio::ToPath(input).filename()));
  if (!picture) {
    Fail(console, input, picture.error().Describe());
    return kExitFileFailed;
  }
  const trackio::TrackResult<trackio::SavedFile> written = trackio::ReplaceFileStreaming(
      target, Consent(command.force), [&picture](trackio::ByteSink& sink) { picture->Write(sink); });
  if (!written) {
    FailToWrite(console, target, written.error());
    return kExitFileFailed;
  }
  WarnOfOtherNames(console, *written, "picture");
  const PictureFigures& figures = picture->Figures();
  if (!console.quiet) {
    console.out << "Wrote " << target << ": " << Plural(figures.footers, "footer") << ", "
                << Plural(figures.tubes, "tube");
    if (command.flanges) console.out << ", " << Plural(figures.flanges, "flange") << " to add";
    console.out << " (" << ViewName(command.view) << " view)\n";
  }
  return kExitSuccess;
}

}  // namespace cli
