// verdolin:// URL commands, from the desktop's URL handler or the command line.
#include "core/UrlCommand.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzTarget.h"

VERDOLIN_FUZZ_TARGET(UrlCommand) {
    for (const QString& url : {QString::fromUtf8(input), FuzzInput::rawUtf16(input)}) {
        const UrlCommand command = UrlCommand::parse(url);
        FUZZ_CHECK(command.step >= 0 && command.step <= UrlCommand::kLastSetupStep);
        FUZZ_CHECK(!command.text || command.kind == UrlCommand::Kind::translate);
        FUZZ_CHECK(!command.tab || command.kind == UrlCommand::Kind::settings);
        FUZZ_CHECK(command.kind == UrlCommand::Kind::reopen || url.contains(QLatin1String("://")));
    }
}
