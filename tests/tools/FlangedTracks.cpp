// Writes built tracks and their flanged forms into a folder, so that the
// files written by builds for different systems and compilers can be
// compared byte for byte: the flange positions must not depend on either.
//
//   flanged_tracks FOLDER   writes NAME.nltrack and NAME-flanged.nltrack
#include <cstdio>
#include <string>
#include <vector>

#include "TrackBuilder.h"
#include "supports/FlangeGenerator.h"
#include "trackio/TrackIO.h"

namespace {

struct BuiltTrack {
  std::string name;
  trackio::TrackDocument document;
};

bool WriteBothForms(const std::string& folder, const BuiltTrack& track) {
  const std::string plainPath = folder + "/" + track.name + ".nltrack";
  const std::vector<uint8_t> bytes = trackbuilder::CanonicalFile(track.document);
  if (!trackbuilder::WriteFile(plainPath, bytes)) {
    std::fprintf(stderr, "cannot write %s\n", plainPath.c_str());
    return false;
  }
  // Through the file, as a user's track goes.
  trackio::LoadResult loaded = trackio::LoadTrack(plainPath);
  if (!loaded) {
    std::fprintf(stderr, "%s: %s\n", plainPath.c_str(), loaded.Error().Describe().c_str());
    return false;
  }
  const supports::FlangeSummary summary = supports::AddFlanges(loaded->document);
  const std::string flangedPath = folder + "/" + track.name + "-flanged.nltrack";
  trackio::TrackError error = summary.error;
  if (!error) error = trackio::SaveTrack(loaded->document, flangedPath).Error();
  if (error) {
    std::fprintf(stderr, "%s: %s\n", flangedPath.c_str(), error.Describe().c_str());
    return false;
  }
  std::printf("%s: %lld flanges on %lld tubes\n", flangedPath.c_str(),
              static_cast<long long>(summary.flangesAdded),
              static_cast<long long>(summary.tubesFlanged));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: flanged_tracks FOLDER\n");
    return 2;
  }
  const std::vector<BuiltTrack> tracks{
      {"sample", trackbuilder::SampleDocument()},
      {"generated", trackbuilder::GeneratedDocument(1000)},
  };
  for (const BuiltTrack& track : tracks) {
    if (!WriteBothForms(argv[1], track)) return 1;
  }
  return 0;
}
