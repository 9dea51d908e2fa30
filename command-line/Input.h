#pragma once
// A CSV file or standard input, read a chunk at a time as it comes: a pipe
// gives what it has, and before the program waits on it the results so far
// go out, so rows come out while a slow pipe still feeds them.

#include "Csv.h"

#include <QString>

namespace riga {

class Output;

class Input : public platform::CsvSource {
public:
    explicit Input(Output& out) : out_(out) {}
    ~Input() override;
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;

    // Opens `file` ("-": standard input); false with the reason, also when
    // it is the file standard output writes to.
    bool open(const QString& file, QString& reason);
    // "lo standard input" or the file as given, for messages.
    QString name() const;
    // Why the last read failed.
    QString failure() const;
    qsizetype read(char* into, qsizetype most) override;

private:
    bool readsOutput(QString& reason) const;

    Output& out_;
    QString file_;
    int fd_ = -1;
    int error_ = 0;
};

} // namespace riga
