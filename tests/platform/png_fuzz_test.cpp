// Seeded mutations of PNG files through ReadPng: after each mutation the chunks' checksums are
// made right again where the chunk layout still holds, so the damage reaches the header, palette
// and compressed rows and not only the checksum test. No input crashes or overruns, and what is
// read is a whole picture of the size its header gave.
#include "plat/png.hpp"
#include "support/fuzz_inputs.h"
#include "support/temp_folder.h"

#include <array>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace {

std::uint32_t Crc32(const std::string& bytes, std::size_t from, std::size_t count) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = from; i < from + count; ++i)
        c = table[(c ^ static_cast<unsigned char>(bytes[i])) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::uint32_t BigEndian(const std::string& b, std::size_t at) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
        v = (v << 8) | static_cast<unsigned char>(b[at + i]);
    return v;
}

// Rewrites the checksum of every chunk whose length still fits the file.
void FixChecksums(std::string& b) {
    for (std::size_t at = 8; at + 12 <= b.size();) {
        const std::uint64_t length = BigEndian(b, at);
        if (at + 12 + length > b.size())
            return;
        const std::uint32_t crc = Crc32(b, at + 4, std::size_t(length) + 4);
        for (std::size_t i = 0; i < 4; ++i)
            b[at + 8 + length + i] = static_cast<char>(crc >> (24 - 8 * i));
        at += 12 + length;
    }
}

TEST(PngFuzz, ReadPngTakesWholePicturesOrNothing) {
    const unsigned seed = FuzzSeed(20261219u);
    std::mt19937 rng(seed);
    plat::Surface picture(23, 9);
    for (auto& p : picture.Pixels())
        p = rng() & 0xFFFFFFu;
    const auto encoded = plat::EncodePng(picture);
    const std::string png(encoded.begin(), encoded.end());
    FuzzFolder dir;
    const std::string path = dir.file("picture.png");
    const int inputs = FuzzInputCount(5000);
    for (int i = 0; i < inputs; ++i) {
        std::string text = MutateText(png, rng);
        FixChecksums(text);
        WriteTextFile(path, text);
        plat::Surface read;
        if (plat::ReadPng(path, read)) {
            ASSERT_GT(read.Width(), 0) << "seed " << seed << " input " << i;
            ASSERT_GT(read.Height(), 0) << "seed " << seed << " input " << i;
            ASSERT_EQ(read.Pixels().size(), std::size_t(read.Width()) * read.Height());
        }
    }
}

} // namespace
