#pragma once
// UTF-16 text ("Unicode text" as spreadsheets save it) handed on as UTF-8,
// a chunk at a time, for the CSV reader, which reads UTF-8 bytes. Internal
// to Csv.cpp.

#include "Csv.h"

namespace platform {

class Utf16Source final : public CsvSource {
public:
    // `start`: the bytes after the byte-order mark already read; `more`, when
    // there is one, gives the rest (else `start` is all, and must outlive
    // this).
    Utf16Source(bool bigEndian, QByteArrayView start, CsvSource* more);
    // A unit that is no character (a surrogate alone, a last odd byte) comes
    // out as the byte 0xFF, which no UTF-8 text holds: the reader finds the
    // field at fault. `most` is at least 4.
    qsizetype read(char* into, qsizetype most) override;

private:
    char16_t unit(qsizetype at) const;
    bool needsMore() const;
    bool refill();

    bool bigEndian_;
    CsvSource* more_;
    bool ended_;
    bool failed_ = false;
    QByteArray held_; // bytes read from `more_`
    QByteArrayView rest_; // those not yet handed on
};

} // namespace platform
