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

// "Errore n° <number> <description>": how the program shows a failure it
// cannot say better.
inline QString errorText(const Error& error)
{
    return QStringLiteral("Errore n° ") + QString::number(error.number) + u' ' + error.description;
}

} // namespace platform
