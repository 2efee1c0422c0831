#pragma once

#include <QString>
#include <QUrl>

namespace SupportLinks {

// The support web page.
inline QUrl url() {
    static const QUrl page = [] {
        const QUrl link(QStringLiteral("https://verdolin.korvane.com/support"), QUrl::StrictMode);
        Q_ASSERT(link.isValid());
        return link;
    }();
    return page;
}

} // namespace SupportLinks
