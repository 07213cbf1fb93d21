// Text conversions at the widget boundary.
#include "WidgetText.h"

#include <QFile>

#include "Cp932.h"

std::string Sjis(const QString& text) { return Utf8ToSjis(text.toStdString()); }

QString FromSjis(const std::string& sjis) { return QString::fromStdString(SjisToUtf8(sjis)); }

std::string NativePath(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString FromNativePath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}
