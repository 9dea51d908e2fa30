#pragma once
// Standard output and standard error as the command line writes them. Every
// write to standard output is checked: a full disk, a closed output or an
// I/O error is said once on standard error and ends the run with BadUsage,
// naming how far the results got. A reader that has gone (a broken pipe)
// ends the program quietly, as SIGPIPE does.

#include "CommandLine.h"
#include "Csv.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>
#include <QStringEncoder>
#include <optional>
#include <vector>

namespace riga {

// "tarvolin: <message>" on standard error.
void printError(const QString& message);
// The message, then `details` as they are (the usage), then where to read
// how the program is used: BadUsage.
int badUsage(const QString& message, const QString& details = {});
// What a failed system call met, in Italian where it is one a user meets
// ("disco pieno"), else as the system says it.
QString systemErrorText(int error);

class Output {
public:
    static constexpr qsizetype kChunk = 64 * 1024;
    Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Whether the program has a standard output to write to at all. A
    // standard input or error the caller closed is held on /dev/null, so
    // that no file the run opens takes its number (and the messages).
    static bool standardStreamsReady();

    // Results written as the input was, to open where it came from: its
    // byte-order mark, its first line "sep=;", its line end, and UTF-16 for
    // UTF-16 (so a spreadsheet reads the accents as it wrote them). Before
    // the first row.
    void setForm(const platform::CsvForm& form, char separator);
    QByteArray& buffer() { return buffer_; }
    // What ends a row: "\n" unless the form says otherwise.
    const QByteArray& lineEnd() const { return lineEnd_; }
    // Ends a row of results (`inputLine`: where its input began, 0 when it
    // came from the arguments); written out once the chunk is full or a
    // second has passed since the last write.
    void rowDone(qsizetype inputLine = 0);
    // Writes out what is buffered; false once writing has failed, after
    // which nothing more is written.
    bool flush();
    bool failed() const { return error_ != 0; }
    // Writes out the rest and returns `status`; when writing failed, says so
    // and returns BadUsage.
    int finish(int status);

private:
    struct RowEnd {
        qsizetype end; // in buffer_
        qsizetype inputLine;
    };
    void dropPartialRow(qsizetype bytes);
    QString failure() const;

    QByteArray buffer_;
    qsizetype rowStart_ = 0; // in buffer_, of the row being made
    QByteArray lineEnd_ = "\n";
    std::optional<QStringEncoder> utf16_; // the rows are made in UTF-8, and written so
    std::vector<RowEnd> rows_; // the rows that end in buffer_
    bool rowsCounted_ = false;
    qsizetype rowsOut_ = 0; // written whole, the header among them
    qsizetype lastLineOut_ = 0; // the input line of the last of them
    int error_ = 0;
    QElapsedTimer sinceWrite_;
};

} // namespace riga
