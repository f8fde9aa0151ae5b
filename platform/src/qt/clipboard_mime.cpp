// Clipboard formats.
#include "qt/clipboard_mime.hpp"

#include "plat/metafile.hpp"
#include "plat/png.hpp"

#include <QtCore/QByteArray>
#include <QtCore/QMimeData>
#include <QtGui/QClipboard>
#include <QtGui/QGuiApplication>
#include <QtGui/QImage>

namespace plat::qt {
namespace {

QImage ImageOf(const plat::Surface& s) {
    QImage view(reinterpret_cast<const uchar*>(s.Pixels().data()), s.Width(), s.Height(),
                s.Width() * 4, QImage::Format_RGB32);
    return view.copy(); // the clipboard outlives the surface
}

} // namespace

TSize PicturePixels(TSize himetric) {
    // 0.01 mm units; 4 px/mm gives 520 x 360 for the usual 130 x 90 mm picture.
    return TSize{std::max(1, himetric.cx / 25), std::max(1, himetric.cy / 25)};
}

QMimeData* ToMime(const plat::ClipData& data) {
    auto* mime = new QMimeData;
    if (data.text)
        mime->setText(QString::fromStdString(*data.text));
    if (data.picture) {
        plat::SvgOptions options;
        options.widthMm = data.pictureExtent.cx / 100.0;
        options.heightMm = data.pictureExtent.cy / 100.0;
        const std::string svg = plat::ToSvg(*data.picture, options);
        mime->setData(QStringLiteral("image/svg+xml"),
                      QByteArray(svg.data(), qsizetype(svg.size())));
        const TSize px = PicturePixels(data.pictureExtent);
        const std::vector<std::uint8_t> png =
            plat::EncodePng(plat::RenderMetaFile(*data.picture, px.cx, px.cy));
        mime->setData(QStringLiteral("image/png"),
                      QByteArray(reinterpret_cast<const char*>(png.data()), qsizetype(png.size())));
    }
    if (data.bitmap && !data.bitmap->Empty())
        mime->setImageData(ImageOf(*data.bitmap));
    return mime;
}

void SetClipboard(const plat::ClipData& data) {
    if (QClipboard* cb = QGuiApplication::clipboard())
        cb->setMimeData(ToMime(data));
}

} // namespace plat::qt
