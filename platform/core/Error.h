#pragma once
#include <QString>
#include <stdexcept>

namespace platform {

// A failing call: a number and a description the caller can show as is.
struct Error : std::runtime_error {
    Error(int number, const QString& description)
        : std::runtime_error(description.toStdString()), number(number), description(description)
    {}
    int number;
    QString description;
};

} // namespace platform
