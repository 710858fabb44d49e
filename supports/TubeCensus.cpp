#include "supports/TubeCensus.h"

namespace supports {

TubeCensus TakeTubeCensus(const trackio::TrackDocument& document) {
  TubeCensus census;
  for (const trackio::Tube& tube : document.Tubes) {
    ++census.tubesByType[tube.TubeType];
    ++census.tubesByEndTypes[{tube.End1Type, tube.End2Type}];
  }
  return census;
}

}  // namespace supports
