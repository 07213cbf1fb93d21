// The wizard's font and its Japanese fallbacks.
#include "WizardFont.h"

#include <QStringList>

namespace {

const QString kDesignFont = QStringLiteral("ＭＳ Ｐゴシック");
const QStringList kSubstitutes = {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")};

}  // namespace

QFont WizardFont() {
    static const bool registered = [] {
        QFont::insertSubstitutions(kDesignFont, kSubstitutes);
        return true;
    }();
    (void)registered;
    QFont font(kDesignFont);
    font.setFamilies(QStringList{kDesignFont} + kSubstitutes);
    font.setPixelSize(12);
    return font;
}
