#pragma once
// JPEG encoding of a screen image with the encoder's default settings
// (jpeg_set_defaults, quality left as it is). No Qt: the caller hands over
// 8-bit RGB rows.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vm {

struct JpegResult {
  std::string bytes;  // the complete JPEG file
  std::string error;  // empty when encoded
  bool ok() const { return error.empty(); }
};

// `rgb` points at `height` rows of `width` RGB triples, `stride` bytes apart.
JpegResult EncodeJpegRgb(const uint8_t *rgb, int width, int height, size_t stride);

}  // namespace vm
