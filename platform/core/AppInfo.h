#pragma once
#include <QString>

namespace platform {

// Application metadata: title, version and the executable's directory
// (without a trailing separator).
struct AppInfo {
    QString title;
    int major = 0;
    int minor = 0;
    int revision = 0;
    QString executableDir;

    // "1.2.0": the three numbers in plain decimal.
    QString versionText() const;
};

// Title and version from the build, the directory of the running executable.
AppInfo systemAppInfo();

} // namespace platform
