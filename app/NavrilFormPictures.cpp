// TNAVRILForm: the pictures. The left panel shows the built-in picture unless image.jpg beside
// the program decodes; logo.jpg, when it decodes, sits at the first page's bottom right corner
// with a 4-pixel margin. A picture that does not decode is left out like a missing one.
#include <QPixmap>

#include "AppStrings.h"
#include "BuiltInPicture.h"
#include "FileSystem.h"
#include "JpegImage.h"
#include "NavrilForm.h"
#include "NavrilFormWidgets.h"

namespace {

constexpr int kLogoMargin = 4;

QImage LoadPictureBeside(const std::string& folder, const char* name) {
    std::string path = folder + name;
    return FileExists(path) ? LoadJpegImage(path) : QImage();
}

}  // namespace

void TNAVRILForm::LoadPictures() {
    TFormWidgets& w = *w_;
    QImage picture = LoadPictureBeside(programFolder_, AppStrings::ImageFileName);
    if (picture.isNull()) picture = DrawBuiltInPicture(w.frame.Image->size());
    w.frame.Image->setPixmap(QPixmap::fromImage(picture));

    QImage logo = LoadPictureBeside(programFolder_, AppStrings::LogoFileName);
    if (logo.isNull()) return;
    QSize page = w.frame.PageControl->size();
    w.top.LogoImage->setPixmap(QPixmap::fromImage(logo));
    w.top.LogoImage->setGeometry(page.width() - logo.width() - kLogoMargin,
                                 page.height() - logo.height() - kLogoMargin, logo.width(),
                                 logo.height());
}
