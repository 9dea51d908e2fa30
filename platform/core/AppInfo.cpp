#include "AppInfo.h"

#include "AppVersion.h"

#include <QCoreApplication>

namespace platform {

QString AppInfo::versionText() const
{
    return QString::number(major) + u'.' + QString::number(minor) + u'.' + QString::number(revision);
}

AppInfo systemAppInfo()
{
    AppInfo info;
    info.title = QString::fromUtf8(version::title);
    info.major = version::major;
    info.minor = version::minor;
    info.revision = version::revision;
    // Reads /proc/self/exe on Linux: the real file, symlinks resolved.
    info.executableDir = QCoreApplication::applicationDirPath();
    return info;
}

} // namespace platform
