#include "main/core/JpegWriter.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

namespace vm {

namespace {

// The library's own error handler ends the process; this one jumps back into
// EncodeJpegRgb with the message.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo) {
  auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->jump, 1);
}

// Only plain C objects live in this frame, so the jump skips no destructor.
bool Encode(const uint8_t *rgb, int width, int height, size_t stride, unsigned char **out,
            unsigned long *size, char *message) {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnError;
  if (setjmp(err.jump)) {
    std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.message);
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, out, size);
  cinfo.image_width = JDIMENSION(width);
  cinfo.image_height = JDIMENSION(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(rgb + size_t(cinfo.next_scanline) * stride);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

}  // namespace

JpegResult EncodeJpegRgb(const uint8_t *rgb, int width, int height, size_t stride) {
  JpegResult r;
  if (!rgb || width <= 0 || height <= 0 || stride < size_t(width) * 3) {
    r.error = "no image to encode";
    return r;
  }
  unsigned char *out = nullptr;
  unsigned long size = 0;
  char message[JMSG_LENGTH_MAX] = {};
  if (Encode(rgb, width, height, stride, &out, &size, message))
    r.bytes.assign(reinterpret_cast<const char *>(out), size);
  else
    r.error = message[0] ? message : "JPEG encoding failed";
  std::free(out);
  return r;
}

}  // namespace vm
