#pragma once
// A job run over its rows, each row's result written as soon as it is
// worked: from the arguments, or from a CSV input read as it comes, so
// memory stays the same however many rows there are.

#include <QStringList>

namespace riga {

class Input;
class Job;
class Output;

// The rows the arguments stand for (Job::argumentRows, already checked).
int runArguments(Job& job, const QStringList& header, const QList<QStringList>& rows, Output& out);
// Every row of the input; its separator (comma, semicolon or tab) is read
// from the header line and used for the output too.
int runCsv(Job& job, Input& input, Output& out);

} // namespace riga
