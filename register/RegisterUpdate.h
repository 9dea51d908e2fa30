#pragma once
// Replaces the register beside the program with one rebuilt from a newer
// archive of municipalities, the way the build makes it. QtCore and SQLite
// only.

#include "Sources.h"

namespace registro {

struct UpdateResult {
    std::size_t records = 0;
    QDate dataDate; // the newest day the new register's data know of
};

// Rebuilds the register at `target` from `files`. Every file is read and
// checked before anything is written; an archive that lacks places the
// present register holds (a file cut short) or reaches less far back in
// time than it is refused. The new register is written beside the old one
// and takes its name only once complete and on the disk, so on any failure
// the old one stays byte for byte as it was. Files that updates killed while
// writing left beside it go first.
// Throws sources::SourceError for a fault in a file, platform::Error for a
// fault in writing.
UpdateResult updateRegister(const QString& target, const sources::SourceFiles& files);

} // namespace registro
