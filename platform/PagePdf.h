#pragma once
// A page picture as a one-page PDF document.
//
// Written here rather than by QPdfWriter for its texts: Qt embeds every font
// as a CID font, which the PostScript step of CUPS (pdftops, then a
// PostScript printer or cups-pdf) turns into glyphs without letters. Texts
// here use the standard PDF fonts instead (Helvetica, Times, Courier, which
// the usual sans-serif, serif and fixed faces match in width), which every
// printing chain keeps as text. Letters those fonts lack are drawn as the
// outlines of the screen's own font.

#include "PagePicture.h"

#include <QByteArray>
#include <QPageLayout>

namespace platform {

// The picture at the top left of the printable area of the paper, one pixel
// to the 96th of an inch.
QByteArray pagePdf(const PagePicture& picture, const QPageLayout& layout, const QString& title);

} // namespace platform
