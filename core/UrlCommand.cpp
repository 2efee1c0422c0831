#include "core/UrlCommand.h"

#include <QUrl>
#include <QUrlQuery>

#include <algorithm>

namespace {

std::optional<QString> firstItem(const QUrlQuery& query, const QString& name) {
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == name)
            return value;
    }
    return std::nullopt;
}

} // namespace

UrlCommand UrlCommand::parse(const QString& url) {
    UrlCommand command;
    const qsizetype authority = url.indexOf(QStringLiteral("://"));
    if (authority < 0)
        return command;
    qsizetype end = authority + 3;
    while (end < url.size() && !QStringView(u"/?#").contains(url.at(end)))
        ++end;
    const QString host =
        QUrl::fromPercentEncoding(url.mid(authority + 3, end - authority - 3).toUtf8());
    const QUrlQuery query{QUrl(url)};
    if (host == u"translate") {
        command.kind = Kind::translate;
        command.text = firstItem(query, QStringLiteral("text"));
    } else if (host == u"hide") {
        command.kind = Kind::hide;
    } else if (host == u"setup") {
        command.kind = Kind::setup;
        bool ok = false;
        const qlonglong step =
            firstItem(query, QStringLiteral("step")).value_or(QString()).toLongLong(&ok);
        command.step = ok ? static_cast<int>(std::clamp<qlonglong>(step, 0, kLastSetupStep)) : 0;
    } else if (host == u"settings") {
        command.kind = Kind::settings;
        command.tab = firstItem(query, QStringLiteral("tab"));
    }
    return command;
}
