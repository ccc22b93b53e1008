#pragma once
// The lines of a journal file one by one with bounded memory: a damaged or
// huge file is read in pieces, and a line longer than kMaxJournalLine comes
// back cut and marked.
#include <QByteArray>
#include <QIODevice>

namespace tservice {

inline constexpr qsizetype kMaxJournalLine = 1024 * 1024;  // bytes

struct JournalLine {
    QByteArray text;          // without its newline, at most kMaxJournalLine bytes
    int number = 0;           // 1-based, counted from firstNumber
    bool overlong = false;    // longer than kMaxJournalLine: text is its start
    bool terminated = false;  // ended by a newline (not by the end of the data)
};

class JournalLineReader {
public:
    // Reads in (which the caller owns and keeps open) from its position, at
    // most maxBytes bytes; the first line is numbered firstNumber.
    JournalLineReader(QIODevice& in, qint64 maxBytes, int firstNumber = 1)
        : in_(in), left_(maxBytes), number_(firstNumber - 1) {}

    // The next line; false at the end of the data or on a read error.
    bool Next(JournalLine& line);

private:
    bool Fill();

    QIODevice& in_;
    qint64 left_;
    int number_;
    QByteArray buf_;
    qsizetype pos_ = 0;
};

}  // namespace tservice
