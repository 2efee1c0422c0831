#include "core/LaunchArguments.h"

LaunchArguments LaunchArguments::parse(const QStringList& arguments) {
    LaunchArguments parsed;
    const auto refuse = [&parsed](const QString& why) {
        parsed.requests.clear();
        parsed.error = why;
        return parsed;
    };
    const QString textPrefix = translateTextFlag + QLatin1Char('=');
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == loginFlag) {
            parsed.login = true;
        } else if (argument == translateTextFlag) {
            if (i + 1 >= arguments.size())
                return refuse(QStringLiteral("%1 needs the text to translate").arg(argument));
            parsed.requests.append({LaunchRequest::Kind::translateText, arguments.at(++i)});
        } else if (argument.startsWith(textPrefix)) {
            parsed.requests.append(
                {LaunchRequest::Kind::translateText, argument.mid(textPrefix.size())});
        } else if (argument == translateClipboardFlag) {
            parsed.requests.append({LaunchRequest::Kind::translateClipboard, {}});
        } else if (argument == openTranslatorFlag) {
            parsed.requests.append({LaunchRequest::Kind::openTranslator, {}});
        } else if (argument.startsWith(QLatin1String("verdolin:"), Qt::CaseInsensitive)) {
            parsed.requests.append({LaunchRequest::Kind::url, argument});
        } else {
            return refuse(QStringLiteral("unknown argument: %1").arg(argument));
        }
    }
    return parsed;
}
