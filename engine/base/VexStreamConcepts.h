// What the stream forms of values and arrays need from a stream: checked reads and writes that
// move exactly the bytes asked or raise the stream error with the caller's code, and the
// number of bytes left to read (so a stored count is checked before memory is taken for it).
#pragma once

#include <concepts>
#include <cstdint>

template <class R>
concept TVexCheckedReader = requires(R& r, void* p, int32_t n) {
  r.ReadChecked(p, n, n);
  { r.Remaining() } -> std::convertible_to<int64_t>;
};

template <class W>
concept TVexCheckedWriter = requires(W& w, const void* p, int32_t n) {
  w.WriteChecked(p, n, n);
};
