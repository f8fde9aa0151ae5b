// Recording: what the display list holds, its dump and SVG, ownership through TMetaFilePict.
#include "plat/metafile.hpp"
#include "plat/png.hpp"

#include <gtest/gtest.h>

namespace {

// A small plot-like picture: frame, a curve, a filled mark, labels.
HMETAFILE SamplePicture() {
    TMetaFileDC dc;
    dc.SetWindowExt({1399, 1000});
    dc.SelectStockObject(NULL_BRUSH);
    dc.SelectObject(TPen(RGB(0, 0, 255)));
    dc.Rectangle(105, 50, 1365, 475);
    dc.MoveTo(105, 400);
    dc.LineTo(300, 200);
    dc.LineTo(700, 120);
    dc.SelectObject(TBrush(RGB(255, 0, 0)));
    dc.Ellipse(690, 110, 710, 130);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextAlign(TA_CENTER | TA_TOP);
    dc.SelectObject(CreateFont(20, 0, 0, 0, 400, 0, 0, 0, 0, 4, 0, 2, FF_ROMAN, nullptr));
    dc.TextOut(735, 503, "radius (cm)");
    dc.SetTextAlign(TA_BOTTOM | TA_CENTER);
    dc.SelectObject(CreateFont(20, 0, 900, 0, 400, 0, 0, 0, 0, 4, 0, 2, FF_ROMAN, nullptr));
    dc.TextOut(40, 262, "signal");
    dc.SetPixel(1000, 300, RGB(0, 128, 0));
    return dc.Close();
}

} // namespace

TEST(MetaFile, DumpListsEveryCallWithTheTextState) {
    TMetaFilePict pict(SamplePicture());
    const std::string want =
        "SetWindowExt 1399 1000\n"
        "SelectBrush null\n"
        "SelectPen w0 s0 #0000ff\n"
        "Rectangle 105 50 1365 475\n"
        "MoveTo 105 400\n"
        "LineTo 300 200\n"
        "LineTo 700 120\n"
        "SelectBrush #ff0000\n"
        "Ellipse 690 110 710 130\n"
        "SetBkMode transparent\n"
        "SetTextAlign center|top\n"
        "SelectFont h20 esc0 w400 roman\n"
        "Text 735 503 \"radius (cm)\" font h20 esc0 w400 roman align center|top colour #000000\n"
        "SetTextAlign center|bottom\n"
        "SelectFont h20 esc900 w400 roman\n"
        "Text 40 262 \"signal\" font h20 esc900 w400 roman align center|bottom colour #000000\n"
        "SetPixel 1000 300 #008000\n";
    EXPECT_EQ(plat::DumpMetaFile(*pict.GetHandle()), want);
    // rounding to 10 units for comparisons that tolerate small shifts
    EXPECT_NE(plat::DumpMetaFile(*pict.GetHandle(), 10).find("LineTo 700 120\nSelectBrush"),
              std::string::npos);
    EXPECT_NE(plat::DumpMetaFile(*pict.GetHandle(), 10).find("Text 740 500"), std::string::npos);
}

TEST(MetaFile, SvgHoldsTheElementsInThePicturesUnits) {
    TMetaFilePict pict(SamplePicture());
    const std::string svg = plat::ToSvg(*pict.GetHandle());
    for (const char* part :
         {"viewBox=\"0 0 1399 1000\"", "width=\"130mm\"", "height=\"90mm\"",
          "<rect x=\"105\" y=\"50\" width=\"1259\" height=\"424\" fill=\"none\" stroke=\"#0000ff\"",
          "<path d=\"M105,400 L300,200 L700,120\"", "<ellipse cx=\"699.5\" cy=\"119.5\"",
          "fill=\"#ff0000\"", ">radius (cm)</text>", "rotate(-90)", "text-anchor=\"middle\"",
          "font-family=\"DejaVu Serif, serif\"", "fill=\"#008000\"", "</svg>"})
        EXPECT_NE(svg.find(part), std::string::npos) << part << "\n" << svg;
}

TEST(MetaFile, SameCallsGiveEqualPicturesAndCloseEndsTheRecording) {
    TMetaFilePict a(SamplePicture()), b(SamplePicture());
    EXPECT_TRUE(*a.GetHandle() == *b.GetHandle());
    TMetaFileDC dc;
    dc.MoveTo(1, 1);
    HMETAFILE h = dc.Close();
    ASSERT_NE(h, nullptr);
    EXPECT_FALSE(dc.LineTo(5, 5));
    EXPECT_EQ(dc.Close(), nullptr);
    EXPECT_EQ(h->Records().size(), 1u);
    EXPECT_FALSE(*h == *a.GetHandle());
    EXPECT_TRUE(DeleteMetaFile(h));
}

TEST(MetaFile, BorrowedPictureIsNotDeleted) {
    HMETAFILE h = SamplePicture();
    {
        TMetaFilePict borrowed(h, NoAutoDelete);
        plat::Surface s(140, 100);
        TSurfaceDC dc(s);
        EXPECT_TRUE(borrowed.PlayOnto(dc));
    }
    EXPECT_EQ(h->WindowExt(), TSize({1399, 1000})); // still alive
    DeleteMetaFile(h);
}

TEST(MetaFile, RecordingSelectReturnsThePreviousObject) {
    TMetaFileDC dc;
    const TPen red(RGB(255, 0, 0));
    EXPECT_EQ(dc.SelectObject(red), GetStockPen(BLACK_PEN));
    EXPECT_EQ(dc.SelectObject(GetStockPen(NULL_PEN)), red);
    EXPECT_EQ(dc.GetPixel(0, 0), CLR_INVALID);
    EXPECT_EQ(dc.GetTextExtent("abc").cy, dc.GetTextExtent("").cy);
}
