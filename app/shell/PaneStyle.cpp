#include "app/shell/PaneStyle.h"

#include "core/PaneLayout.h"

namespace {

// Line breaks and runs of spaces kept as they are, in the pane's own colour.
QString paragraph(const QString& text, const QString& style) {
    return QStringLiteral("<div style=\"white-space:pre-wrap;%1\">%2</div>")
        .arg(style, text.toHtmlEscaped());
}

} // namespace

QString PaneStyle::attributed(const QString& text, const QList<DictEntry>& entries,
                              const QColor& secondary) {
    if (text.isEmpty() && entries.isEmpty())
        return {}; // so that the placeholder shows
    QString html = paragraph(text, QString());
    const QString heading =
        QStringLiteral("font-size:%1px;font-weight:600;color:%2;margin-top:12px")
            .arg(headingSize)
            .arg(secondary.name(QColor::HexArgb));
    const QString body = QStringLiteral("font-size:%1px;margin-top:3px").arg(bodySize);
    for (const DictEntry& entry : entries)
        html += paragraph(entry.name, heading) + paragraph(entry.text, body);
    return html;
}

double PaneStyle::preservedOffset(double old, double contentHeight, double viewportHeight) {
    return PaneLayout::preservedOffset(old, contentHeight, viewportHeight);
}
