// What a second start hands the running instance over its socket, as the running instance
// reads it: bytes arriving in pieces, then the arguments they carry.
// Input: the bytes a peer sends; split at NULs, also arguments for the encoder.
#include "core/InstanceMessage.h"
#include "core/LaunchArguments.h"
#include "core/UrlCommand.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzTarget.h"

namespace {

using Verdict = InstanceMessage::Reading::Verdict;

// The reader's view at every point a piece may end.
void readInPieces(const QByteArray& sent) {
    InstanceMessage::Reading last;
    const qsizetype step = std::max<qsizetype>(1, sent.size() / 64);
    for (qsizetype received = 0; received <= sent.size(); received += step) {
        last = InstanceMessage::read(sent.first(received), false);
        FUZZ_CHECK(last.verdict != Verdict::invalid);
        if (last.verdict != Verdict::waiting)
            break;
    }
    const InstanceMessage::Reading ended = InstanceMessage::read(sent, true);
    FUZZ_CHECK(ended.verdict != Verdict::waiting);
    if (ended.verdict != Verdict::complete)
        return;
    const LaunchArguments launch = LaunchArguments::parse(ended.arguments);
    for (const LaunchRequest& request : launch.requests) {
        if (request.kind == LaunchRequest::Kind::url)
            UrlCommand::parse(request.value);
    }
}

} // namespace

VERDOLIN_FUZZ_TARGET(InstanceMessage) {
    const QByteArray sent = input.toByteArray();
    readInPieces(sent.left(InstanceMessage::kMaxBytes + 1));

    // A message the encoder wrote is taken whole, and never before its last byte.
    const QStringList arguments = QString::fromUtf8(sent).split(QChar(u'\0'));
    const QByteArray message = InstanceMessage::encode(arguments);
    if (message.size() > InstanceMessage::kMaxBytes)
        return;
    for (qsizetype end = message.indexOf(']'); end >= 0 && end + 1 < message.size();
         end = message.indexOf(']', end + 1))
        FUZZ_CHECK(InstanceMessage::read(message.first(end + 1), false).verdict
                   == Verdict::waiting);
    const InstanceMessage::Reading whole = InstanceMessage::read(message, false);
    FUZZ_CHECK(whole.verdict == Verdict::complete);
    FUZZ_CHECK(whole.arguments == arguments);
}
