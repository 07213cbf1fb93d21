// The picture of the wizard's left panel shown when no image.jpg lies beside the program: a
// deep blue gradient with an access point and its radio waves, drawn at run time.
#pragma once

#include <QImage>
#include <QSize>

QImage DrawBuiltInPicture(const QSize& size);
