// The outcome of a load or a save: a value, or the TrackError that says why
// there is none.
#pragma once

#include <cassert>
#include <optional>
#include <utility>

#include "trackio/TrackError.h"

namespace trackio {

// Not to be dropped unread: a dropped result is a failure nobody hears of.
template <typename Value>
class [[nodiscard]] TrackResult {
 public:
  TrackResult(Value value) : value_(std::move(value)) {}  // NOLINT: implicit by design
  TrackResult(TrackError error) : error_(std::move(error)) { assert(error_); }  // NOLINT

  explicit operator bool() const { return value_.has_value(); }
  const TrackError& Error() const { return error_; }

  Value& operator*() & { return *value_; }
  const Value& operator*() const& { return *value_; }
  Value&& operator*() && { return std::move(*value_); }
  Value* operator->() { return &*value_; }
  const Value* operator->() const { return &*value_; }

 private:
  std::optional<Value> value_;
  TrackError error_;
};

}  // namespace trackio
