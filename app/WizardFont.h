// The wizard's font: "ＭＳ Ｐゴシック" at 12 pixels, as the window was designed, with the IPA
// Japanese gothic fonts standing in for it where it is not installed, so every text renders.
#pragma once

#include <QFont>

// Registers the substitutes (once) and returns the font.
QFont WizardFont();
