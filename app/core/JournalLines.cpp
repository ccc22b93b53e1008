#include "JournalLines.h"

#include <algorithm>

namespace tservice {

bool JournalLineReader::Fill() {
    constexpr qint64 kChunk = 64 * 1024;
    if (left_ <= 0) return false;
    buf_ = in_.read(std::min(left_, kChunk));
    pos_ = 0;
    if (buf_.isEmpty()) left_ = 0;
    left_ -= buf_.size();
    return !buf_.isEmpty();
}

bool JournalLineReader::Next(JournalLine& line) {
    line.text.clear();
    line.overlong = line.terminated = false;
    bool any = false;
    while (pos_ < buf_.size() || Fill()) {
        any = true;
        const qsizetype nl = buf_.indexOf('\n', pos_);
        const qsizetype end = nl < 0 ? buf_.size() : nl;
        const qsizetype take = std::min(end - pos_, kMaxJournalLine - line.text.size());
        line.text.append(buf_.constData() + pos_, take);
        line.overlong = line.overlong || end - pos_ > take;
        pos_ = end;
        if (nl >= 0) {
            ++pos_;
            line.terminated = true;
            break;
        }
    }
    if (any) line.number = ++number_;
    return any;
}

}  // namespace tservice
