#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include <jpeglib.h>

#include "main/core/HelpTexts.h"
#include "main/core/JpegWriter.h"

using namespace vm;

TEST(About, CompanyByExactBadge) {
  AboutIdentity id{"TWK", "5208", 77, "1.00", "1.25", "0.0.4.0"};
  EXPECT_EQ(AboutText(id),
            "Company: Tarnwick\r\nModel Number: 5208\r\nSerial Number: 77\r\n"
            "Firmware Version: 1.00\r\nFPGA Version: 1.25\r\nSoftware Version: 0.0.4.0");
  EXPECT_EQ(AboutCompanyName("VM"), "Velmora");
  // Demonstration mode without an instrument: nothing but the version.
  EXPECT_EQ(AboutText({"", "", 0, "", "", "0.0.4.0"}),
            "Company: Unknown\r\nModel Number: \r\nSerial Number: 0\r\nFirmware Version: "
            "\r\nFPGA Version: \r\nSoftware Version: 0.0.4.0");
  for (const char *other : {"vm", "VM ", "twk", ""}) EXPECT_EQ(AboutCompanyName(other), "Unknown");
}

TEST(About, WebSiteOnlyForTheTwoBadges) {
  EXPECT_EQ(WebSiteFor("VM", "m", "p"), "m");
  EXPECT_EQ(WebSiteFor("TWK", "m", "p"), "p");
  EXPECT_FALSE(WebSiteFor("vm", "m", "p"));
}

TEST(Jpeg, EncodesRowsThatDecodeToTheSameSize) {
  // Odd sizes and a padded stride, as a screen grab gives them.
  const int w = 37, h = 11;
  const size_t stride = w * 3 + 5;
  std::vector<uint8_t> rgb(stride * h, 0);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) rgb[y * stride + x * 3] = uint8_t(x * 6);
  const JpegResult r = EncodeJpegRgb(rgb.data(), w, h, stride);
  ASSERT_TRUE(r.ok()) << r.error;

  jpeg_decompress_struct d;
  jpeg_error_mgr err;
  d.err = jpeg_std_error(&err);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, reinterpret_cast<const unsigned char *>(r.bytes.data()), r.bytes.size());
  ASSERT_EQ(jpeg_read_header(&d, TRUE), JPEG_HEADER_OK);
  jpeg_start_decompress(&d);
  EXPECT_EQ(int(d.output_width), w);
  EXPECT_EQ(int(d.output_height), h);
  EXPECT_EQ(d.output_components, 3);
  std::vector<uint8_t> row(w * 3);
  JSAMPROW p = row.data();
  jpeg_read_scanlines(&d, &p, 1);
  EXPECT_NEAR(row[(w - 1) * 3], (w - 1) * 6, 12);  // the red ramp survives
  jpeg_abort_decompress(&d);
  jpeg_destroy_decompress(&d);
}

TEST(Jpeg, RefusesWhatItCannotEncode) {
  const uint8_t px[3] = {0, 0, 0};
  EXPECT_FALSE(EncodeJpegRgb(px, 0, 1, 3).ok());
  EXPECT_FALSE(EncodeJpegRgb(nullptr, 1, 1, 3).ok());
  // Larger than the format allows: the library's error comes back, the
  // process goes on.
  const JpegResult big = EncodeJpegRgb(px, 70000, 1, 0 + 70000 * 3);
  EXPECT_FALSE(big.ok());
}
