#pragma once

#include <cstddef>
#include <cstdint>

namespace nvk::files {

// The FITS sample conversions: a FITS file stores big-endian signed 16-bit integers that give
// the sample back when BZERO (32768) is added. `words` hold the file's bytes in memory order.

// sample -> big-endian (sample - 32768): 0 becomes bytes 80 00, 32768 becomes 00 00.
void encodeFitsSamples(const std::uint16_t* samples, std::size_t count, std::uint16_t* words);
// big-endian stored value + offset (modulo 65536) -> sample.
void decodeFitsSamples(const std::uint16_t* words, std::size_t count, std::uint16_t offset,
                       std::uint16_t* samples);

}  // namespace nvk::files
