// How a payload is written: in slices of one hundredth of its size until fewer bytes
// are left, then one slice of the rest, with the percentage reported after each.
// A payload of fewer than 100 bytes still moves at least one byte per slice, so the
// copy always ends; a payload of 0 bytes takes no write and reports 100 once.
#ifndef COPY_SLICE_PLAN_H
#define COPY_SLICE_PLAN_H

#include <cstdint>

// Bytes of a full slice: total / 100, at least 1.
std::uint32_t SliceSize(std::uint32_t total);

// Bytes of the write that follows once written bytes are done: a full slice, or the
// rest when less is left; 0 when nothing is left.
std::uint32_t NextSliceLength(std::uint32_t total, std::uint32_t written);

// Whole percentage of total that written bytes make, computed in 64 bits so that
// large payloads do not overflow; 100 for a payload of 0 bytes.
std::uint32_t PercentWritten(std::uint32_t written, std::uint32_t total);

// Number of writes the whole payload takes: 100 to 199, fewer than 100 only for a
// payload of fewer than 100 bytes (one per byte), 0 for an empty one.
std::uint32_t WriteCount(std::uint32_t total);

#endif
