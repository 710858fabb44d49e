#include "trackio/TrackDocument.h"

#include "trackio/TrackError.h"

namespace trackio {

void ResetTrackDocument(TrackDocument& document) { document = TrackDocument{}; }

std::string TrackError::Describe() const {
  std::string text = message;
  if (!chunk.empty()) text += " in the " + chunk + " chunk";
  if (offset >= 0) text += " at byte " + std::to_string(offset);
  return text;
}

}  // namespace trackio
