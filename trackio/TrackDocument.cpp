#include "trackio/TrackDocument.h"

namespace trackio {

void ResetTrackDocument(TrackDocument& document) { document = TrackDocument{}; }

}  // namespace trackio
