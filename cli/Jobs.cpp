#include "cli/Jobs.h"

#include <algorithm>
#include <iterator>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "trackio/FileAccess.h"
#include "trackio/TrackIO.h"

namespace cli {

namespace {

namespace fs = std::filesystem;

// Where `flange` writes the result for `input` when it chooses the name.
std::string FlangedName(const std::string& input) {
  const size_t extension = std::string_view(trackio::kTrackExtension).size();
  const std::string name = trackio::HasTrackExtension(input) ? input.substr(0, input.size() - extension) : input;
  return name + "-flanged" + trackio::kTrackExtension;
}

bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '/' || c == '\\';
#else
  return c == '/';
#endif
}

// The folder part of `path` as given, its last separator included: "a/b/"
// for "a/b/out.nltrack" and for "a/b/"; empty for a name alone.
std::string FolderPart(const std::string& path) {
  const auto last = std::find_if(path.rbegin(), path.rend(), IsSeparator);
  return std::string(path.begin(), last.base());
}

// Why nothing can be written into the folder `path` names, or nothing.
std::string MissingFolder(const std::string& path) {
  const std::string folder = FolderPart(path);
  if (folder.empty() || trackio::IsFolder(folder)) return {};
  return folder + ": no such folder";
}

// A name that is only the extension: ".nltrack" or "out/".
bool HasNoName(const std::string& target) {
  const std::string name = trackio::ToNarrow(trackio::ToPath(target).filename());
  return name.empty() || (name.size() == std::string_view(trackio::kTrackExtension).size() &&
                          trackio::HasTrackExtension(name));
}

// Something stands at `path` that is not a folder (a file, a device, a link).
bool ExistsAsNonFolder(const std::string& path) {
  std::error_code ignored;
  const fs::path name = trackio::ToPath(path);
  const fs::file_type type = fs::symlink_status(name, ignored).type();
  return type != fs::file_type::not_found && type != fs::file_type::none && !fs::is_directory(name, ignored);
}

// The track file `-o OUTPUT` names.
Job TrackTarget(const std::string& input, const std::string& output) {
  Job job{input, IsStandard(output) ? output : trackio::WithTrackExtension(output), {}};
  if (IsStandard(output)) return job;
  job.refusal = MissingFolder(job.target);
  if (!job.refusal.empty()) return job;
  if (HasNoName(job.target)) {
    job.refusal = job.target + ": the file has no name (only an extension); name the output file";
  } else if (job.target != output && ExistsAsNonFolder(output)) {
    // Never /dev/stdout.nltrack beside /dev/stdout, nor out.nltrack beside a file out.
    job.refusal = output + ": exists, and its name does not end in .nltrack; name the output NAME.nltrack, or - "
                           "for standard output";
  }
  return job;
}

// A file a run names, with the full path it resolves to, worked out once
// however often it is compared.
struct NamedFile {
  std::string name;  // as given, or kStandardStream
  fs::path full;     // empty for a standard stream or a path that cannot be resolved
};

NamedFile Resolved(const std::string& name) {
  NamedFile file{name, {}};
  if (IsStandard(name)) return file;
  std::error_code failure;
  file.full = fs::weakly_canonical(trackio::ToPath(name), failure);
  if (failure) file.full.clear();
  return file;
}

// Whether `a` and `b` name the same file, existing or to be written: one
// path, or two names of one file.
bool SameFile(const NamedFile& a, const NamedFile& b) {
  if (IsStandard(a.name) || IsStandard(b.name)) return false;
  if (!a.full.empty() && a.full == b.full) return true;
  std::error_code failure;
  return fs::equivalent(trackio::ToPath(a.name), trackio::ToPath(b.name), failure);
}

// `flange` with names of its own choosing: beside each input, or in the
// folder -o names. Such a name must not replace a file this run reads or
// writes, not even with --force; one named with -o may.
JobList OwnNames(const CommandLine& command, const std::string& folder) {
  JobList list;
  std::vector<NamedFile> inputs, targets;
  std::transform(command.inputs.begin(), command.inputs.end(), std::back_inserter(inputs), Resolved);
  for (const std::string& input : command.inputs) {
    if (IsStandard(input)) {
      list.usageError = "a track from standard input has no name to write it under in " + folder +
                        "; name the output: -o OUTPUT, or -o - for standard output";
      return list;
    }
    Job job{input, FlangedName(input), {}};
    if (!folder.empty()) {
      job.target = trackio::ToNarrow(trackio::ToPath(folder) / trackio::ToPath(job.target).filename());
    }
    const NamedFile target = Resolved(job.target);
    const auto clashes = [&target](const NamedFile& other) { return SameFile(target, other); };
    if (std::any_of(targets.begin(), targets.end(), clashes) || std::any_of(inputs.begin(), inputs.end(), clashes)) {
      job.refusal = job.target + ": it is an input or an output of this run; not replaced";
    }
    targets.push_back(target);
    list.jobs.push_back(std::move(job));
  }
  return list;
}

JobList PlanFlange(const CommandLine& command) {
  if (!command.output) return OwnNames(command, {});
  const std::string& output = *command.output;
  if (!IsStandard(output) && trackio::IsFolder(output)) return OwnNames(command, output);
  JobList list;
  if (!IsStandard(output) && !output.empty() && IsSeparator(output.back())) {
    list.refusal = output + ": no such folder";
  } else if (command.inputs.size() > 1) {
    list.usageError = "with several inputs, -o must name an existing folder; " + output + " is not one";
  } else {
    list.jobs.push_back(TrackTarget(command.inputs.front(), output));
  }
  return list;
}

JobList PlanRender(const CommandLine& command) {
  const std::string& input = command.inputs.front();
  Job job{input, *command.output, {}};
  if (SameFile(Resolved(job.target), Resolved(input))) {
    job.refusal = job.target + ": it is the track being drawn; not replaced";
  } else if (!IsStandard(job.target)) {
    job.refusal = MissingFolder(job.target);
  }
  return {{job}, {}, {}};
}

}  // namespace

JobList PlanJobs(const CommandLine& command) {
  switch (command.kind) {
    case CommandKind::Flange: return PlanFlange(command);
    case CommandKind::Resave: return {{TrackTarget(command.inputs.front(), *command.output)}, {}, {}};
    case CommandKind::Render: return PlanRender(command);
    case CommandKind::Info: {
      JobList list;
      for (const std::string& input : command.inputs) list.jobs.push_back({input, {}, {}});
      return list;
    }
    case CommandKind::Help:
    case CommandKind::Version:
      break;
  }
  return {};
}

std::string ShownInput(const std::string& input) { return IsStandard(input) ? "standard input" : input; }
std::string ShownTarget(const std::string& target) { return IsStandard(target) ? "standard output" : target; }

}  // namespace cli
