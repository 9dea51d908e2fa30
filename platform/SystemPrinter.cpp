#include "SystemServices.h"

namespace platform {

void SystemPrinter::printImage(const QImage&, double)
{
    throw Error(1, QStringLiteral("Printing is not available"));
}

} // namespace platform
