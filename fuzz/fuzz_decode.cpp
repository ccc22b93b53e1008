// Random frames and exchange notes through the recorder and the traffic
// decoder, as the window's traffic panel and --trace get them: every text
// comes out as valid UTF-8 and every exchange has a summary.
#include <fuzzer/FuzzedDataProvider.h>

#include <QString>

#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "LineDecode.h"
#include "Trace.h"

namespace {

using namespace tservice;

bool ValidUtf8(const std::string& s) { return QString::fromUtf8(s).toUtf8().toStdString() == s; }

void Check(const FrameText& t) {
    FUZZ_CHECK(ValidUtf8(t.summary) && ValidUtf8(t.content));
    for (const std::string& d : t.details) FUZZ_CHECK(ValidUtf8(d));
}

// Times and pauses come from the link's own clock, not from the line: a
// steady clock in ms, pauses of at most a minute.
constexpr std::int64_t kMaxClockMs = std::int64_t{1} << 40;

ExchangeNote Note(FuzzedDataProvider& in) {
    ExchangeNote n;
    n.kind = static_cast<ExchangeNote::Kind>(in.ConsumeIntegralInRange(0, 3));
    n.timeMs = in.ConsumeIntegralInRange<std::int64_t>(0, kMaxClockMs);
    n.deviceIndex = in.ConsumeIntegralInRange(-2, 33);
    n.cmd = in.ConsumeIntegral<std::uint8_t>();
    n.tryNo = in.ConsumeIntegralInRange(-1, 20);
    n.stage = in.ConsumeIntegralInRange(-1, 3);
    n.code = in.ConsumeIntegralInRange(-2, 300);
    n.pauseMs = in.ConsumeIntegralInRange(0, 60000);
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    LineDecoder decoder;
    int exchanges = 0;
    ExchangeRecorder recorder([&](const ExchangeRecord& r) {
        const FrameText t = decoder.Exchange(r);
        FUZZ_CHECK(!t.summary.empty());
        Check(t);
        ++exchanges;
    });
    while (in.remaining_bytes() > 0) {
        switch (in.ConsumeIntegralInRange(0, 3)) {
        case 0: {  // a frame on the line
            const std::string bytes = in.ConsumeRandomLengthString(64);
            LineFrame f;
            f.timeMs = in.ConsumeIntegralInRange<std::int64_t>(0, kMaxClockMs);
            f.waitedMs = in.ConsumeIntegralInRange<std::int64_t>(0, 100000);
            f.dir = in.ConsumeBool() ? FrameDir::Out : FrameDir::In;
            f.bytes = reinterpret_cast<const std::uint8_t*>(bytes.data());
            f.count = static_cast<int>(bytes.size());
            f.asked = in.ConsumeIntegralInRange(0, 80);
            f.outcome = static_cast<FrameOutcome>(in.ConsumeIntegralInRange(0, 3));
            recorder.OnFrame(f);
            break;
        }
        case 1: recorder.OnNote(Note(in)); break;
        default: {  // a request and its answer decoded directly
            const std::string req = in.ConsumeRandomLengthString(48);
            const std::string ans = in.ConsumeRandomLengthString(64);
            const auto* r = reinterpret_cast<const std::uint8_t*>(req.data());
            Check(decoder.Request(r, static_cast<int>(req.size())));
            Check(decoder.Answer(r, static_cast<int>(req.size()), reinterpret_cast<const std::uint8_t*>(ans.data()),
                                 static_cast<int>(ans.size()), in.ConsumeIntegralInRange<std::int64_t>(0, 5000)));
        }
        }
    }
    FUZZ_CHECK(exchanges >= 0);
    return 0;
}
