#pragma once
// The paper a job on a CUPS destination comes out on, with its printable area.

#include <cups/cups.h>

#include <QPageLayout>

namespace platform {

// A4 with a margin any printer can print within.
QPageLayout defaultPaper();

// The paper the scheduler prints a job of the destination on, its options
// going with the job: the user's PageSize or media, else the destination's
// default paper, else A4. Its printable area as the destination describes
// that paper. May wait on the printing system.
QPageLayout paperOf(http_t* http, cups_dest_t* dest);

} // namespace platform
