// The clipboard on the desktop: text as text, a recorded picture as SVG plus PNG, a bitmap as
// an image of the same size.
#include "plat/clipboard.hpp"
#include "plat/metafile.hpp"
#include "platform/src/qt/qt_probe.hpp"
#include "qt_test_frame.hpp"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

namespace {

using namespace qt_test;
namespace probe = plat::qtprobe;

bool Has(const std::vector<std::string>& formats, const std::string& f) {
    return std::find(formats.begin(), formats.end(), f) != formats.end();
}

TEST_F(QtTest, ClipboardTextArrivesAsPlainText) {
    TClipboard cb(nullptr);
    cb.EmptyClipboard();
    cb.SetText("r\tc\n6.0\t0.5\n");
    cb.CloseClipboard();
    EXPECT_EQ(probe::ClipboardText(), "r\tc\n6.0\t0.5\n");
}

TEST_F(QtTest, ClipboardPictureIsOfferedAsSvgAndPng) {
    TMetaFileDC rec;
    rec.SetWindowExt(TSize{1399, 1000});
    rec.MoveTo(0, 0);
    rec.LineTo(1399, 1000);
    std::shared_ptr<const MetaFile> picture(rec.Close());
    {
        TClipboard cb(nullptr);
        cb.EmptyClipboard();
        cb.SetPicture(picture);
    }
    const auto formats = probe::ClipboardFormats();
    EXPECT_TRUE(Has(formats, "image/svg+xml"));
    EXPECT_TRUE(Has(formats, "image/png"));
    const std::string svg = probe::ClipboardBytes("image/svg+xml");
    EXPECT_NE(svg.find("<svg"), std::string::npos);
    EXPECT_NE(svg.find("130"), std::string::npos) << "13000 HIMETRIC is 130 mm wide";
    const std::string png = probe::ClipboardBytes("image/png");
    ASSERT_GE(png.size(), 8u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
}

TEST_F(QtTest, ClipboardBitmapKeepsItsSize) {
    plat::Surface shot(64, 48, RGB(10, 20, 30));
    {
        TClipboard cb(nullptr);
        cb.EmptyClipboard();
        cb.SetBitmap(shot);
    }
    EXPECT_EQ(probe::ClipboardImageSize(), (TSize{64, 48}));
}

} // namespace
