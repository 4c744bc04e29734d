#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "bitmap_reader.h"
#include "error_report.h"
#include "test_support.h"
#include "texture_bmp_writer.h"

namespace {

using bmptest::BmpFile;
using bmptest::Bytes;
using bmptest::PackRows;
using bmptest::Put16;
using bmptest::Put32;
using bmptest::RgbBytes;
using quillmere::DecodeBitmapRGB;
using quillmere::ReadBitmapRGB;

constexpr char kUnknown[] = "Unknown DIB file format.";
constexpr char kOom[] = "Out of memory.";
constexpr char kConversion[] = "Image file conversion error.";

class RecordingReporter {
  public:
    RecordingReporter() {
        previous_ = quillmere::SetErrorReporter(
            [this](const std::string& text) { reports.push_back(text); });
    }
    ~RecordingReporter() { quillmere::SetErrorReporter(previous_); }
    std::vector<std::string> reports;

  private:
    quillmere::ErrorReporter previous_;
};

// A palette whose entries are all different and easy to tell apart.
std::vector<std::uint32_t> RampPalette(int count) {
    std::vector<std::uint32_t> palette;
    for (int i = 0; i < count; ++i) {
        palette.push_back(static_cast<std::uint32_t>(i << 16 | (255 - i) << 8 | (i * 7 & 0xFF)));
    }
    return palette;
}

std::vector<std::uint32_t> Lookup(const std::vector<std::uint32_t>& palette,
                                  const std::vector<std::uint32_t>& indices) {
    std::vector<std::uint32_t> colours;
    for (std::uint32_t i : indices) {
        colours.push_back(i < palette.size() ? palette[i] : 0);
    }
    return colours;
}

// Reverses the row order: top-down storage against the reader's bottom-up output.
std::vector<std::uint32_t> FlipRows(const std::vector<std::uint32_t>& v, int width) {
    std::vector<std::uint32_t> out;
    for (std::size_t row = v.size() / width; row-- > 0;) {
        out.insert(out.end(), v.begin() + row * width, v.begin() + (row + 1) * width);
    }
    return out;
}

struct DecodeCase {
    const char* name;
    Bytes file;
    int width;
    int height;
    std::vector<std::uint32_t> expected;  // 0xRRGGBB, bottom row first
};

BmpFile Rgb24(std::uint32_t headerSize) {
    BmpFile f;
    f.headerSize = headerSize;
    f.width = 3;
    f.height = 2;
    f.pixels = PackRows(3, 2, 24, {0x112233, 0x445566, 0x778899, 0xAABBCC, 0xDDEEFF, 0x010203});
    return f;
}

BmpFile Paletted(std::uint32_t headerSize, int bitCount, int width, int height,
                 const std::vector<std::uint32_t>& indices) {
    BmpFile f;
    f.headerSize = headerSize;
    f.width = width;
    f.height = height;
    f.bitCount = static_cast<std::uint16_t>(bitCount);
    f.palette = RampPalette(1 << bitCount);
    f.pixels = PackRows(width, std::abs(height), bitCount, indices);
    return f;
}

std::vector<DecodeCase> DecodeCases() {
    std::vector<DecodeCase> cases;
    const std::vector<std::uint32_t> rgb6 = {0x112233, 0x445566, 0x778899,
                                             0xAABBCC, 0xDDEEFF, 0x010203};
    cases.push_back({"rgb24_info_odd_width", Rgb24(40).Build(), 3, 2, rgb6});
    cases.push_back({"rgb24_core", Rgb24(12).Build(), 3, 2, rgb6});
    {
        BmpFile f = Rgb24(40);
        f.gap = 6;  // pixels found through the offset, not by position
        f.palette = {0x123456};
        f.colorsUsed = 1;
        cases.push_back({"rgb24_offset_and_unused_palette", f.Build(), 3, 2, rgb6});
    }
    {
        BmpFile f = Rgb24(40);
        f.pixels.resize(f.pixels.size() - 3);  // final row without its padding
        cases.push_back({"rgb24_last_row_unpadded", f.Build(), 3, 2, rgb6});
    }
    for (std::uint32_t header : {40u, 12u}) {
        BmpFile f;
        f.headerSize = header;
        f.width = 2;
        f.height = 2;
        f.bitCount = 32;
        f.pixels = PackRows(2, 2, 32, {0xFF112233, 0x00445566, 0x80778899, 0x12AABBCC});
        cases.push_back({header == 40 ? "rgb32_info" : "rgb32_core",
                         f.Build(),
                         2,
                         2,
                         {0x112233, 0x445566, 0x778899, 0xAABBCC}});
    }
    for (std::uint32_t header : {40u, 12u}) {
        BmpFile f;
        f.headerSize = header;
        f.width = 3;
        f.height = 2;
        f.bitCount = 16;
        // 5-5-5 with the top bit ignored; 16 of 31 widens to 132.
        f.pixels = PackRows(3, 2, 16, {0x7C00, 0x03E0, 0x001F, 0x8000, 0x7FFF, 0xC210});
        cases.push_back({header == 40 ? "rgb16_555_info" : "rgb16_555_core",
                         f.Build(),
                         3,
                         2,
                         {0xFF0000, 0x00FF00, 0x0000FF, 0x000000, 0xFFFFFF, 0x848484}});
    }
    for (std::uint32_t header : {40u, 12u}) {
        const std::vector<std::uint32_t> idx = {0, 1, 2, 254, 255, 128, 7, 9, 200, 3};
        BmpFile f = Paletted(header, 8, 5, 2, idx);
        cases.push_back({header == 40 ? "pal8_info_odd_width" : "pal8_core", f.Build(), 5, 2,
                         Lookup(f.palette, idx)});
    }
    {
        const std::vector<std::uint32_t> idx = {0, 2, 7, 1};
        BmpFile f = Paletted(40, 8, 2, 2, idx);
        f.palette.resize(3);
        f.colorsUsed = 3;  // index 7 lies beyond the palette: black
        cases.push_back({"pal8_short_palette", f.Build(), 2, 2, Lookup(f.palette, idx)});
    }
    for (std::uint32_t header : {40u, 12u}) {
        const std::vector<std::uint32_t> idx = {0, 1, 15, 14, 7, 8, 3, 4, 5, 6, 9, 10, 11, 12, 2};
        BmpFile f = Paletted(header, 4, 5, 3, idx);
        cases.push_back({header == 40 ? "pal4_info_odd_width" : "pal4_core", f.Build(), 5, 3,
                         Lookup(f.palette, idx)});
    }
    for (std::uint32_t header : {40u, 12u}) {
        const std::vector<std::uint32_t> idx = {1, 0, 0, 1, 1, 0, 1, 0, 1,
                                                0, 1, 1, 0, 0, 1, 0, 1, 0};
        BmpFile f = Paletted(header, 1, 9, 2, idx);
        f.palette = {0x000080, 0xFFFF00};
        cases.push_back({header == 40 ? "pal1_info_width9" : "pal1_core", f.Build(), 9, 2,
                         Lookup(f.palette, idx)});
    }
    {
        // End of line, absolute run with its pad byte, delta over a whole row, end of bitmap.
        BmpFile f;
        f.width = 4;
        f.height = 4;
        f.bitCount = 8;
        f.compression = 1;
        f.palette = {0x101010, 0x202020, 0x303030, 0x404040};
        f.colorsUsed = 4;
        f.pixels = {3, 1, 1, 2, 0, 0,        // row 0: 1 1 1 2, end of line
                    0, 3, 3, 2, 1, 0, 1, 0,  // row 1: absolute 3 2 1 (padded), run of 0
                    0, 0, 0, 2, 2, 1, 2, 3,  // end of line, delta (2, 1), run of 3
                    0, 1};
        const std::uint32_t k = 0;
        const auto& p = f.palette;
        cases.push_back(
            {"rle8",
             f.Build(),
             4,
             4,
             {p[1], p[1], p[1], p[2], p[3], p[2], p[1], p[0], k, k, k, k, k, k, p[3], p[3]}});
    }
    {
        BmpFile f;
        f.width = 9;
        f.height = 2;
        f.bitCount = 4;
        f.compression = 2;
        f.palette = RampPalette(16);
        f.pixels = {9, 0x12, 0,    0,              // row 0: 1 2 1 2 1 2 1 2 1
                    0, 5,    0x34, 0x56, 0x70, 0,  // row 1: absolute 3 4 5 6 7, padded
                    3, 0x89, 0,    1};             // run 8 9 8, last pixel left black
        const std::vector<std::uint32_t> idx = {1, 2, 1, 2, 1, 2, 1, 2, 1, 3, 4, 5, 6, 7, 8, 9, 8};
        auto expected = Lookup(f.palette, idx);
        expected.push_back(0);
        cases.push_back({"rle4", f.Build(), 9, 2, expected});
    }
    {
        BmpFile f = Rgb24(40);
        f.height = -2;
        cases.push_back({"rgb24_top_down", f.Build(), 3, 2, FlipRows(rgb6, 3)});
    }
    {
        const std::vector<std::uint32_t> idx = {5, 6, 7, 8, 9, 10};
        BmpFile f = Paletted(40, 8, 2, -3, idx);
        cases.push_back({"pal8_top_down", f.Build(), 2, 3, FlipRows(Lookup(f.palette, idx), 2)});
    }
    {
        BmpFile f;
        f.width = 3;
        f.height = -2;
        f.bitCount = 16;
        f.compression = 3;
        f.masks = {0xF800, 0x07E0, 0x001F};
        f.pixels = PackRows(3, 2, 16, {0xF800, 0x07E0, 0x001F, 0x0841, 0xFFFF, 0x0000});
        cases.push_back({"bitfields16_565_top_down",
                         f.Build(),
                         3,
                         2,
                         {0x080808, 0xFFFFFF, 0x000000, 0xFF0000, 0x00FF00, 0x0000FF}});
    }
    {
        BmpFile f;
        f.width = 2;
        f.height = 1;
        f.bitCount = 32;
        f.compression = 3;
        f.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};  // stored red first
        f.pixels = PackRows(2, 1, 32, {0x00332211, 0xEE0000FF});
        cases.push_back({"bitfields32_swapped", f.Build(), 2, 1, {0x112233, 0xFF0000}});
    }
    {
        BmpFile f;
        f.width = 1;
        f.height = 1;
        f.bitCount = 32;
        f.compression = 3;
        f.masks = {0x3FF00000, 0x000FFC00, 0x000003FF};  // 10-10-10
        f.pixels = PackRows(1, 1, 32, {0x3FF00000 | 0x200 << 10});
        cases.push_back({"bitfields32_10bit", f.Build(), 1, 1, {0xFF8000}});
    }
    return cases;
}

TEST(BitmapReader, DecodesEveryFormToBottomUpPackedRgb) {
    testsupport::TempDir dir;
    for (const DecodeCase& c : DecodeCases()) {
        SCOPED_TRACE(c.name);
        RecordingReporter reporter;
        const std::string path = dir / (std::string(c.name) + ".bmp");
        testsupport::WriteFile(path, c.file);
        const auto image = ReadBitmapRGB(path.c_str());
        ASSERT_NE(image, nullptr);
        EXPECT_TRUE(reporter.reports.empty());
        EXPECT_EQ(image->width, c.width);
        EXPECT_EQ(image->height, c.height);
        EXPECT_EQ(image->pixels, RgbBytes(c.expected));
    }
}

struct BadCase {
    const char* name;
    Bytes file;
    const char* report;
};

Bytes Patched32(Bytes file, std::size_t at, std::uint32_t value) {
    Put32(file, at, value);
    return file;
}

Bytes Cut(Bytes file, std::size_t size) {
    file.resize(size);
    return file;
}

Bytes Rle(std::uint16_t bitCount, std::int32_t width, std::int32_t height, Bytes data) {
    BmpFile f;
    f.width = width;
    f.height = height;
    f.bitCount = bitCount;
    f.compression = bitCount == 8 ? 1 : 2;
    f.palette = RampPalette(1 << bitCount);
    f.pixels = std::move(data);
    return f.Build();
}

Bytes Bitfields(std::uint16_t bitCount, std::vector<std::uint32_t> masks) {
    BmpFile f;
    f.width = 2;
    f.height = 2;
    f.bitCount = bitCount;
    f.compression = 3;
    f.masks = std::move(masks);
    f.pixels = Bytes(bitCount == 16 ? 8 : 16, 0x5A);
    return f.Build();
}

Bytes Info(std::int32_t width, std::int32_t height, std::uint16_t bitCount,
           std::uint32_t compression = 0) {
    BmpFile f;
    f.width = width;
    f.height = height;
    f.bitCount = bitCount;
    f.compression = compression;
    f.pixels = Bytes(64, 0);
    return f.Build();
}

// File offsets: 10 pixel offset, 14 header size, 18 width, 22 height, 46 colours used.
std::vector<BadCase> BadCases() {
    const Bytes valid = Rgb24(40).Build();
    const Bytes pal8 = Paletted(40, 8, 2, 2, {1, 2, 3, 4}).Build();
    Bytes notBm = valid;
    notBm[1] = 'N';
    return {
        {"empty", {}, kUnknown},
        {"one_byte", {'B'}, kUnknown},
        {"not_bm", notBm, kUnknown},
        {"bm_only", {'B', 'M'}, kConversion},
        {"bm_garbage_short", {'B', 'M', 1, 2, 3, 4, 5}, kConversion},
        {"header_size_0", Patched32(valid, 14, 0), kUnknown},
        {"header_size_64", Patched32(valid, 14, 64), kUnknown},
        {"header_size_108", Rgb24(108).Build(), kUnknown},
        {"header_size_124", Rgb24(124).Build(), kUnknown},
        {"header_size_huge", Patched32(valid, 14, 0xFFFFFFF0), kUnknown},
        {"info_header_truncated", Cut(valid, 30), kConversion},
        {"core_header_truncated", Cut(Rgb24(12).Build(), 20), kConversion},
        {"width_0", Info(0, 2, 24), kConversion},
        {"width_negative", Info(-4, 2, 24), kConversion},
        {"height_0", Info(4, 0, 24), kConversion},
        {"core_width_0", Patched32(Rgb24(12).Build(), 18, 0x00020000), kConversion},
        {"bits_0", Info(2, 2, 0), kConversion},
        {"bits_2", Info(2, 2, 2), kConversion},
        {"bits_3", Info(2, 2, 3), kConversion},
        {"bits_64", Info(2, 2, 64), kConversion},
        {"rle8_at_24_bits", Info(2, 2, 24, 1), kConversion},
        {"rle4_at_8_bits", Info(2, 2, 8, 2), kConversion},
        {"bitfields_at_24_bits", Info(2, 2, 24, 3), kConversion},
        {"compression_jpeg", Info(2, 2, 24, 4), kConversion},
        {"compression_unknown", Info(2, 2, 24, 0xFFFFFFFF), kConversion},
        {"huge_dimensions", Info(20000, 20000, 24), kOom},
        {"max_dimensions", Info(0x7FFFFFFF, 0x7FFFFFFF, 1), kOom},
        {"min_height", Info(1000, INT32_MIN, 8), kOom},
        {"huge_top_down", Info(10000, -10000, 32), kOom},
        {"palette_count_huge", Patched32(pal8, 46, 0x40000000), kConversion},
        {"palette_on_24_bits_past_end", Patched32(valid, 46, 1000), kConversion},
        {"core_palette_truncated", Cut(Paletted(12, 8, 2, 2, {1, 2, 3, 4}).Build(), 100),
         kConversion},
        {"offset_beyond_end", Patched32(valid, 10, 5000), kConversion},
        {"offset_at_end", Patched32(valid, 10, valid.size()), kConversion},
        {"offset_inside_headers", Patched32(valid, 10, 0), kConversion},
        {"pixels_truncated", Cut(valid, valid.size() - 4), kConversion},
        {"pixels_missing_for_height", Patched32(valid, 22, 3), kConversion},
        {"rle8_run_overruns_row", Rle(8, 4, 1, {5, 1, 0, 1}), kConversion},
        {"rle8_runs_add_past_row", Rle(8, 4, 1, {3, 1, 2, 1, 0, 1}), kConversion},
        {"rle8_absolute_overruns_row", Rle(8, 2, 1, {0, 3, 1, 1, 1, 0, 0, 1}), kConversion},
        {"rle8_delta_past_width", Rle(8, 4, 2, {0, 2, 5, 0, 0, 1}), kConversion},
        {"rle8_delta_past_height", Rle(8, 4, 2, {0, 2, 0, 3, 0, 1}), kConversion},
        {"rle8_rows_past_image", Rle(8, 2, 1, {0, 0, 0, 0, 0, 1}), kConversion},
        {"rle8_run_after_last_row", Rle(8, 2, 1, {2, 1, 0, 0, 1, 1, 0, 1}), kConversion},
        {"rle8_truncated_absolute", Rle(8, 8, 1, {0, 6, 1, 2}), kConversion},
        {"rle8_truncated_delta", Rle(8, 8, 2, {0, 2, 1}), kConversion},
        {"rle8_ends_before_rows", Rle(8, 2, 2, {2, 1, 0, 0}), kConversion},
        {"rle8_top_down", Rle(8, 2, -1, {2, 1, 0, 1}), kConversion},
        {"rle4_run_overruns_row", Rle(4, 3, 1, {4, 0x12, 0, 1}), kConversion},
        {"rle4_truncated_absolute", Rle(4, 8, 1, {0, 7, 0x12}), kConversion},
        {"bitfields_masks_missing", Cut(Info(2, 2, 16, 3), 14 + 40 + 8), kConversion},
        {"bitfields_overlapping", Bitfields(32, {0xFF0000, 0x01FF00, 0xFF}), kConversion},
        {"bitfields_not_contiguous", Bitfields(16, {0xF00F, 0x0F00, 0x00F0}), kConversion},
        {"bitfields_16_mask_too_wide", Bitfields(16, {0x1F0000, 0x7E0, 0x1F}), kConversion},
        {"bitfields_all_zero", Bitfields(32, {0, 0, 0}), kConversion},
    };
}

TEST(BitmapReader, RejectsBadFilesWithOneReport) {
    testsupport::TempDir dir;
    for (const BadCase& c : BadCases()) {
        SCOPED_TRACE(c.name);
        RecordingReporter reporter;
        const std::string path = dir / (std::string(c.name) + ".bmp");
        testsupport::WriteFile(path, c.file);
        EXPECT_EQ(ReadBitmapRGB(path.c_str()), nullptr);
        EXPECT_EQ(reporter.reports, std::vector<std::string>{c.report});
    }
}

TEST(BitmapReader, ReportsFilesItCannotOpenByName) {
    testsupport::TempDir dir;
    for (const std::string& path : {dir / "missing.bmp", dir.path()}) {
        RecordingReporter reporter;
        EXPECT_EQ(ReadBitmapRGB(path.c_str()), nullptr);
        EXPECT_EQ(reporter.reports,
                  std::vector<std::string>{"Failed to open DIB file " + path + ".\n"});
    }
}

// Mutated valid files must decode or fail with one known report, never crash or read outside
// the buffer (the sanitizer build makes the latter visible: buffers are exactly file-sized).
TEST(BitmapReader, SurvivesMutatedFiles) {
    std::vector<Bytes> seeds;
    for (const DecodeCase& c : DecodeCases()) {
        seeds.push_back(c.file);
    }
    const std::set<std::string> known = {kUnknown, kOom, kConversion};
    const std::uint32_t interesting[] = {0,          1,          2,          3,      4,      12, 40,
                                         0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFF, 0x8000, 256};
    const std::size_t fields[] = {2, 10, 14, 18, 22, 26, 28, 30, 34, 46, 54, 58};
    std::mt19937 random(20240611);
    int decoded = 0;
    int failed = 0;
    for (int round = 0; round < 4000; ++round) {
        Bytes file = seeds[random() % seeds.size()];
        const int mutations = 1 + random() % 4;
        for (int m = 0; m < mutations && !file.empty(); ++m) {
            switch (random() % 4) {
                case 0:
                    file[random() % file.size()] = static_cast<std::uint8_t>(random());
                    break;
                case 1: {
                    const std::size_t at = fields[random() % std::size(fields)];
                    if (at + 4 <= file.size()) {
                        Put32(file, at, interesting[random() % std::size(interesting)]);
                    }
                    break;
                }
                case 2:
                    file.resize(random() % (file.size() + 1));
                    break;
                case 3:
                    if (file.size() > 30) {
                        Put16(file, 28, static_cast<std::uint16_t>(random() % 40));
                    }
                    break;
            }
        }
        auto exact = std::make_unique<std::uint8_t[]>(file.size());
        std::copy(file.begin(), file.end(), exact.get());
        RecordingReporter reporter;
        const auto image = DecodeBitmapRGB({exact.get(), file.size()});
        if (image) {
            ++decoded;
            ASSERT_TRUE(reporter.reports.empty());
            ASSERT_GT(image->width, 0);
            ASSERT_GT(image->height, 0);
            ASSERT_EQ(image->pixels.size(), std::size_t(image->width) * image->height * 3);
        } else {
            ++failed;
            ASSERT_EQ(reporter.reports.size(), 1u) << "round " << round;
            ASSERT_TRUE(known.contains(reporter.reports[0])) << reporter.reports[0];
        }
    }
    // Both outcomes must actually occur, or the mutations test nothing.
    EXPECT_GT(decoded, 100);
    EXPECT_GT(failed, 100);
}

}  // namespace
