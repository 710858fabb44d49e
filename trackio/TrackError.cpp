// The words a failed load or save shows the user: what is wrong first, in
// plain words, then the detail the message carries.
//
//   no file name was given
//   no such file / is a folder / is not a regular file / the file is empty
//   not a track file (the name does not end in .nltrack)
//   not a track file (it does not begin with an NLIM chunk)
//   damaged track file: the FUND chunk at byte 903 promises 6 footers, but the file ends first
//   damaged track file: the TUBE chunk at byte 1200 ends inside tube 17
//   the track cannot be saved: a catwalk trailer length is negative
//   unexpected failure: <what the exception said>
//   (file system and size failures: the message alone, which names the cause)
#include "trackio/TrackError.h"

namespace trackio {

std::string TrackError::Describe() const {
  switch (kind) {
    case TrackErrorKind::None:
      return std::string();
    case TrackErrorKind::WrongExtension:
    case TrackErrorKind::NotATrack:
      return "not a track file (" + message + ")";
    case TrackErrorKind::Damaged:
      return "damaged track file: " + message;
    case TrackErrorKind::Inconsistent:
      return "the track cannot be saved: " + message;
    case TrackErrorKind::Unexpected:
      return "unexpected failure: " + message;
    default:
      return message;
  }
}

}  // namespace trackio
