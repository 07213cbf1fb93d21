// Conversion of the system's file dialog filters into Qt's name filters.
#include "DialogFilter.h"

namespace {

QString ConvertPatterns(const QString& windowsPatterns) {
    QStringList patterns;
    for (const QString& part : windowsPatterns.split(u';', Qt::SkipEmptyParts)) {
        QString pattern = part.trimmed();
        if (pattern == QStringLiteral("*.*")) pattern = QStringLiteral("*");
        if (!pattern.isEmpty()) patterns << pattern;
    }
    if (patterns.isEmpty()) patterns << QStringLiteral("*");
    return patterns.join(u' ');
}

}  // namespace

QStringList ConvertDialogFilter(const QString& filter) {
    QStringList result;
    if (filter.isEmpty()) return result;
    const QStringList parts = filter.split(u'|');
    for (int i = 0; i < parts.size(); i += 2) {
        QString patterns = i + 1 < parts.size() ? parts[i + 1] : QString();
        result << parts[i] + QStringLiteral(" (") + ConvertPatterns(patterns) + u')';
    }
    return result;
}
