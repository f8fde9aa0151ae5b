// PNG round trips of surfaces and rendered pictures.
#include "plat/metafile.hpp"
#include "plat/png.hpp"

#include <cstdio>
#include <gtest/gtest.h>
#include <random>

TEST(Png, EncodeDecodeRoundTrip) {
    plat::Surface s(37, 19);
    std::mt19937 rng(11);
    for (auto& p : s.Pixels())
        p = rng() & 0xFFFFFFu;
    const auto bytes = plat::EncodePng(s);
    ASSERT_GT(bytes.size(), 8u);
    plat::Surface back;
    ASSERT_TRUE(plat::DecodePng(bytes, back));
    EXPECT_TRUE(back == s);
    EXPECT_TRUE(plat::EncodePng(plat::Surface()).empty());
    EXPECT_FALSE(plat::DecodePng({1, 2, 3}, back));
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + long(bytes.size() / 2));
    EXPECT_FALSE(plat::DecodePng(cut, back));
}

TEST(Png, RenderPngDrawsThePictureAsThePainterMapsIt) {
    TMetaFileDC mdc;
    mdc.SetWindowExt({1399, 1000});
    mdc.SelectObject(TBrush(RGB(0, 0, 255)));
    mdc.Rectangle(700, 500, 1399, 1000);
    std::unique_ptr<MetaFile> mf(mdc.Close());
    const std::string path = ::testing::TempDir() + "render_png_test.png";
    ASSERT_TRUE(plat::RenderPng(*mf, 140, 100, path));
    plat::Surface s;
    ASSERT_TRUE(plat::ReadPng(path, s));
    EXPECT_TRUE(s == plat::RenderMetaFile(*mf, 140, 100));
    EXPECT_EQ(s.GetPixel(69, 49), RGB(255, 255, 255));
    EXPECT_EQ(s.GetPixel(70, 50), RGB(0, 0, 0));
    EXPECT_EQ(s.GetPixel(100, 80), RGB(0, 0, 255));
    std::remove(path.c_str());
    EXPECT_FALSE(plat::ReadPng(path, s));
}
