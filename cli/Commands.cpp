#include "cli/Commands.h"

#include <new>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "cli/ProgressMeter.h"
#include "cli/Streams.h"
#include "cli/SupportPicture.h"
#include "cli/TrackInfo.h"
#include "supports/FlangeGenerator.h"
#include "trackio/FileAccess.h"
#include "trackio/TrackIO.h"
#include "trackio/Wording.h"

namespace cli {

using trackio::Count;
using trackio::Plural;

namespace {


void Fail(Console& console, const std::string& name, const std::string& reason) {
  console.err << "tarnwick-cli: " << name << ": " << reason << "\n";
}

std::ostream* ProgressTerminal(const Console& console) {
  return console.errIsTerminal && !console.quiet ? &console.err : nullptr;
}

trackio::TrackError ErrorOf(const trackio::TrackFormatError& failure) {
  return {failure.Kind(), failure.what(), {}, failure.Offset()};
}

trackio::TrackError OutOfMemory(const char* what) {
  return trackio::ErrorOf(trackio::TrackErrorKind::TooLarge, std::string("not enough memory ") + what);
}

// A file shorter than its root chunk says loads (the final byte is
// forgiven, and a cut may fall on a count), but it was most likely cut short.
void WarnIfCutShort(Console& console, const std::string& shown, const trackio::LoadedTrack& loaded) {
  const int64_t promised = int64_t{loaded.document.NlimSize} + 8;
  const int64_t length = loaded.fileLength;
  if (length >= promised) return;
  console.err << "tarnwick-cli: warning: " << shown << " is " << Plural(length, "byte") << ", but its header says "
              << Count(promised) << ": it may have been cut short\n";
}

// The track in the file or on standard input `input` names.
trackio::LoadResult LoadFrom(const std::string& input, std::istream& in, const trackio::LoadOptions& options) {
  if (!IsStandard(input)) return trackio::LoadTrack(input, options);
  trackio::TrackResult<std::vector<uint8_t>> bytes = ReadAll(in, trackio::kMaxTrackFileLength);
  if (!bytes) return bytes.Error();
  return trackio::LoadTrackFromBytes(std::move(*bytes), options);
}

// The one place the tool loads a track: the track, or nothing after
// reporting why not (and, when `failed` is given, what info shows of it).
std::optional<trackio::LoadedTrack> Load(const std::string& input, Console& console, bool listChunks = false,
                                         FailedTrack* failed = nullptr) {
  const std::string shown = ShownInput(input);
  ProgressMeter meter(ProgressTerminal(console), shown + ": loading");
  std::vector<trackio::FoundChunk> chunksBeforeFault;
  const trackio::LoadOptions options{
      .listChunks = listChunks, .progress = meter.Callback(), .chunksBeforeFault = &chunksBeforeFault};
  trackio::LoadResult loaded = LoadFrom(input, console.in, options);
  if (!loaded) {
    Fail(console, shown, loaded.Error().Describe());
    if (failed != nullptr) *failed = {input, loaded.Error().Describe(), listChunks, std::move(chunksBeforeFault)};
    return std::nullopt;
  }
  WarnIfCutShort(console, shown, *loaded);
  return std::move(*loaded);
}

trackio::SaveForm SaveFormOf(const CommandLine& command) {
  return command.normalise ? trackio::SaveForm::Normalised : trackio::SaveForm::Exact;
}

trackio::Overwrite Consent(bool force) { return force ? trackio::Overwrite::Replace : trackio::Overwrite::Refuse; }

// Says why `target` was not written. The two refusals that --force lifts
// say so.
void FailToWrite(Console& console, const std::string& target, const trackio::TrackError& error) {
  const std::string shown = ShownTarget(target);
  switch (error.kind) {
    case trackio::TrackErrorKind::Exists:
      console.err << "tarnwick-cli: " << shown << " already exists; use --force to replace it\n";
      break;
    case trackio::TrackErrorKind::AppearedWhileSaving:
      Fail(console, shown, error.Describe() + " (use --force to replace it)");
      break;
    default: Fail(console, shown, error.Describe());
  }
}

// After a file was written: a replaced file's other hard links still hold
// the old content, which its user may not expect.
void WarnOfOtherNames(Console& console, const trackio::SavedFile& saved, const char* content) {
  if (saved.otherNames == 0) return;
  console.err << "tarnwick-cli: warning: " << saved.path << " had " << Plural(saved.otherNames, "other name")
              << (saved.otherNames == 1 ? "; it keeps" : "; they keep") << " the old " << content << "\n";
}

// Whether `target` may be written, looked at before the work starts; the
// save refuses again at its last step. Says why not when it may not.
bool MayWrite(const std::string& target, bool isTrack, bool force, Console& console) {
  if (IsStandard(target)) return true;
  const trackio::TrackError refused = isTrack ? trackio::CheckSaveTarget(target, Consent(force))
                                              : trackio::CheckReplaceTarget(target, Consent(force));
  if (refused) FailToWrite(console, target, refused);
  return !refused;
}

// Sends what `produce` makes to standard output; says why not when it fails.
template <typename Produce>
bool WriteToStandardOutput(Console& console, Produce produce) {
  try {
    if (console.outCarriesBytes) console.outCarriesBytes();
    console.outTaken = true;
    StreamSink sink(console.out);
    produce(sink);
    return true;
  } catch (const trackio::TrackFormatError& failure) {
    FailToWrite(console, kStandardStream, ErrorOf(failure));
  } catch (const std::bad_alloc&) {
    FailToWrite(console, kStandardStream, OutOfMemory("to write the output"));
  }
  return false;
}

// Every check a save of `doc` makes before it writes (a dry run makes only
// these); prepares `doc` for writing.
bool CouldSave(trackio::TrackDocument& doc, const std::string& target, const CommandLine& command, Console& console) {
  try {
    const trackio::TrackResult<int64_t> prepared = trackio::PrepareForSaving(doc, SaveFormOf(command));
    if (prepared) return true;
    FailToWrite(console, target, prepared.Error());
  } catch (const std::bad_alloc&) {
    FailToWrite(console, target, OutOfMemory("to save the track"));
  }
  return false;
}

// The one place the tool saves a track, to a file or standard output.
// Returns the name written, or nothing after reporting why not.
std::optional<std::string> Save(trackio::TrackDocument& doc, const std::string& target, const CommandLine& command,
                                Console& console) {
  ProgressMeter meter(ProgressTerminal(console), ShownTarget(target) + ": saving");
  if (IsStandard(target)) {
    if (!CouldSave(doc, target, command, console)) return std::nullopt;
    const bool written = WriteToStandardOutput(
        console, [&](trackio::ByteSink& sink) { trackio::WriteTrackFile(doc, sink, meter.Callback()); });
    return written ? std::optional<std::string>(ShownTarget(target)) : std::nullopt;
  }
  const trackio::SaveResult saved = trackio::SaveTrack(
      doc, target, {.progress = meter.Callback(), .overwrite = Consent(command.force), .form = SaveFormOf(command)});
  if (!saved) {
    FailToWrite(console, target, saved.Error());
    return std::nullopt;
  }
  WarnOfOtherNames(console, *saved, "track");
  return saved->path;
}

// Says on one line which parts of kinds the tool does not know a save of
// `loaded` to `shown` leaves out, if any:
// "note: left out 2 parts this tool does not know: XTRA, 12 bytes; ZZZZ, 8 bytes".
void NoteLeftOutParts(const trackio::LoadedTrack& loaded, const std::string& shown, const CommandLine& command,
                      Console& console) {
  const std::vector<trackio::FoundChunk> leftOut = trackio::LeftOutBySave(loaded, SaveFormOf(command));
  if (leftOut.empty()) return;
  console.err << "tarnwick-cli: " << shown << ": note: " << (command.dryRun ? "would leave out " : "left out ")
              << trackio::UnknownPartsText(leftOut) << "\n";
}

// "4 tubes got 10 flanges, 2 flanges already there"
std::string FlangeFigures(const supports::FlangeSummary& summary, bool dryRun) {
  std::string text = Plural(summary.tubesFlanged, "tube") + (dryRun ? " would get " : " got ") +
                     Plural(summary.flangesAdded, "flange");
  if (summary.flangesAlreadyPresent > 0) {
    text += ", " + Plural(summary.flangesAlreadyPresent, "flange") + " already there";
  }
  if (summary.tubesSkippedOutOfRange > 0) {
    text += ", " + Plural(summary.tubesSkippedOutOfRange, "tube") + " too long or damaged to flange";
  }
  return text;
}

// The job's track, loaded once its target (a track, or render's picture) is
// known to be writable; nothing, after saying why, when the job cannot go on.
std::optional<trackio::LoadedTrack> StartJob(const Job& job, const CommandLine& command, Console& console) {
  if (!job.refusal.empty()) {
    console.err << "tarnwick-cli: " << job.refusal << "\n";
    return std::nullopt;
  }
  const bool isTrack = command.kind != CommandKind::Render;
  if (!MayWrite(job.target, isTrack, command.force, console)) return std::nullopt;
  return Load(job.input, console);
}

// Loads the job's input, adds its flanges and saves it; a dry run goes as
// far as a save goes before it writes. Says why not when it fails.
bool FlangeOne(const Job& job, const CommandLine& command, Console& console) {
  std::optional<trackio::LoadedTrack> loaded = StartJob(job, command, console);
  if (!loaded) return false;
  trackio::TrackDocument& doc = loaded->document;
  supports::FlangeSummary summary;
  try {
    ProgressMeter meter(ProgressTerminal(console), ShownInput(job.input) + ": adding flanges");
    summary = supports::AddFlanges(doc, meter.Callback());
  } catch (const std::bad_alloc&) {
    summary.error = OutOfMemory("for the flanges");
  }
  if (summary.error) {
    Fail(console, ShownInput(job.input), summary.error.Describe());
    return false;
  }
  const std::string shownTarget = ShownTarget(job.target);
  if (command.dryRun) {
    if (!CouldSave(doc, job.target, command, console)) return false;
    if (!console.quiet) console.out << "Would write " << shownTarget << ": " << FlangeFigures(summary, true) << "\n";
    NoteLeftOutParts(*loaded, shownTarget, command, console);
    return true;
  }
  const std::optional<std::string> written = Save(doc, job.target, command, console);
  if (!written) return false;
  if (!console.quiet) console.Report() << "Wrote " << *written << ": " << FlangeFigures(summary, false) << "\n";
  NoteLeftOutParts(*loaded, *written, command, console);
  return true;
}

// Writes `picture` to `target`, a file or standard output; says why not
// when it fails.
bool DrawPicture(const SupportPicture& picture, const std::string& target, bool force, Console& console) {
  ProgressMeter meter(ProgressTerminal(console), ShownTarget(target) + ": drawing");
  const auto draw = [&](trackio::ByteSink& sink) { picture.Write(sink, meter.Callback()); };
  if (IsStandard(target)) return WriteToStandardOutput(console, draw);
  const trackio::TrackResult<trackio::SavedFile> written = trackio::ReplaceFileStreaming(target, Consent(force), draw);
  if (!written) {
    FailToWrite(console, target, written.Error());
    return false;
  }
  WarnOfOtherNames(console, *written, "picture");
  return true;
}

}  // namespace

int RunFlange(const CommandLine& command, const std::vector<Job>& jobs, Console& console) {
  int64_t done = 0;
  for (const Job& job : jobs) done += FlangeOne(job, command, console) ? 1 : 0;
  const auto failed = static_cast<int64_t>(jobs.size()) - done;
  if (jobs.size() > 1 && !console.quiet) {
    console.out << Plural(static_cast<int64_t>(jobs.size()), "file") << ": " << Count(done)
                << (command.dryRun ? " would be written, " : " written, ") << Count(failed) << " failed\n";
  }
  return failed == 0 ? kExitSuccess : kExitFileFailed;
}

int RunResave(const CommandLine& command, const Job& job, Console& console) {
  std::optional<trackio::LoadedTrack> loaded = StartJob(job, command, console);
  if (!loaded) return kExitFileFailed;
  const std::optional<std::string> written = Save(loaded->document, job.target, command, console);
  if (!written) return kExitFileFailed;
  if (!console.quiet) console.Report() << "Wrote " << *written << "\n";
  NoteLeftOutParts(*loaded, *written, command, console);
  return kExitSuccess;
}

int RunInfo(const CommandLine& command, const std::vector<Job>& jobs, Console& console) {
  int status = kExitSuccess;
  nlohmann::ordered_json entries = nlohmann::ordered_json::array();
  bool first = true;
  for (const Job& job : jobs) {
    FailedTrack failed;
    const std::optional<trackio::LoadedTrack> loaded = Load(job.input, console, command.chunks, &failed);
    if (!loaded) {
      status = kExitFileFailed;
      if (command.json) {
        entries.push_back(FailureJson(failed));
      } else if (failed.chunksListed) {
        if (!first) console.out << "\n";
        WriteFailureText(failed, console.out);
        first = false;
      }
      continue;
    }
    const TrackInfo info = DescribeTrack(job.input, *loaded, command.chunks);
    if (command.json) {
      entries.push_back(InfoJson(info));
    } else {
      if (!first) console.out << "\n";
      WriteInfoText(info, console.out);
      first = false;
    }
  }
  if (command.json) {
    const nlohmann::ordered_json& shown = jobs.size() > 1 ? entries : entries.front();
    console.out << shown.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
  }
  return status;
}

int RunRender(const CommandLine& command, const Job& job, Console& console) {
  const std::optional<trackio::LoadedTrack> loaded = StartJob(job, command, console);
  if (!loaded) return kExitFileFailed;

  const std::string title =
      IsStandard(job.input) ? ShownInput(job.input) : trackio::ToNarrow(trackio::ToPath(job.input).filename());
  const trackio::TrackResult<SupportPicture> picture =
      SupportPicture::Plan(loaded->document, command.view, command.flanges, title);
  if (!picture) {
    Fail(console, ShownInput(job.input), picture.Error().Describe());
    return kExitFileFailed;
  }
  const std::string shownTarget = ShownTarget(job.target);
  if (!DrawPicture(*picture, job.target, command.force, console)) return kExitFileFailed;
  const PictureFigures& figures = picture->Figures();
  if (!console.quiet) {
    std::ostream& report = console.Report();
    report << "Wrote " << shownTarget << ": " << Plural(figures.footers, "footer") << ", "
           << Plural(figures.tubes, "tube");
    if (figures.present > 0) report << ", " << Plural(figures.present, "flange") << " already there";
    if (command.flanges) report << ", " << Plural(figures.flanges, "flange") << " to add";
    if (figures.NotDrawnTubes() > 0) report << ", " << Plural(figures.NotDrawnTubes(), "tube") << " not drawn";
    report << " (" << ViewName(command.view) << " view)\n";
  }
  return kExitSuccess;
}

}  // namespace cli
