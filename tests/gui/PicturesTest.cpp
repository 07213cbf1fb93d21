// The pictures: the JPEG loader on good, missing and damaged files, and the window's logo and
// panel picture taken from the program folder.
#include <QLabel>
#include <cstdlib>

#include "FormFixture.h"
#include "JpegImage.h"
#include "JpegWriter.h"

namespace {

bool Near(QRgb pixel, int r, int g, int b) {
    return std::abs(qRed(pixel) - r) < 8 && std::abs(qGreen(pixel) - g) < 8 &&
           std::abs(qBlue(pixel) - b) < 8;
}

TEST(JpegImage, DecodesColourAndGrayPictures) {
    TempDir dir;
    ASSERT_TRUE(WriteJpeg(dir.Path("red.jpg"), 30, 20, 200, 30, 40));
    QImage red = LoadJpegImage(dir.Path("red.jpg"));
    ASSERT_EQ(red.size(), QSize(30, 20));
    EXPECT_TRUE(Near(red.pixel(15, 10), 200, 30, 40));

    ASSERT_TRUE(WriteJpeg(dir.Path("gray.jpg"), 9, 7, 128, 0, 0, true));
    QImage gray = LoadJpegImage(dir.Path("gray.jpg"));
    ASSERT_EQ(gray.size(), QSize(9, 7));
    EXPECT_TRUE(Near(gray.pixel(4, 3), 128, 128, 128));
}

TEST(JpegImage, MissingOrDamagedFilesGiveNoPicture) {
    TempDir dir;
    ASSERT_TRUE(WriteJpeg(dir.Path("good.jpg"), 64, 64, 10, 200, 10));
    const std::string good = TempDir::Read(dir.Path("good.jpg"));
    std::string badMarker = good;
    badMarker[3] = '\x00';  // the marker after SOI is no marker at all
    std::string scrambled = good;
    for (size_t i = scrambled.size() / 2; i < scrambled.size() - 2; ++i) scrambled[i] = '\xFF';
    // A header announcing 60000 x 60000 pixels is refused before any memory is taken.
    std::string huge = good;
    size_t sof = huge.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    huge[sof + 5] = '\xEA', huge[sof + 6] = '\x60', huge[sof + 7] = '\xEA', huge[sof + 8] = '\x60';

    EXPECT_TRUE(LoadJpegImage(dir.Path("missing.jpg")).isNull());
    for (const auto& [name, content] : {std::pair<const char*, std::string>{"empty.jpg", ""},
                                        {"text.jpg", "not a picture at all"},
                                        {"header.jpg", good.substr(0, 20)},
                                        {"cut.jpg", good.substr(0, good.size() / 2)},
                                        {"marker.jpg", badMarker},
                                        {"scrambled.jpg", scrambled},
                                        {"huge.jpg", huge}}) {
        EXPECT_TRUE(LoadJpegImage(dir.Write(name, content)).isNull()) << name;
    }
}

using TPictures = TFormTest;

TEST_F(TPictures, LogoSitsAtTheFirstPageBottomRightAndImageReplacesThePanelPicture) {
    auto* logo = Find<QLabel>("LogoImage");
    auto* image = Find<QLabel>("Image");
    EXPECT_TRUE(logo->pixmap().isNull());
    ASSERT_FALSE(image->pixmap().isNull());
    EXPECT_EQ(image->pixmap().size(), image->size());  // the built-in picture
    EXPECT_TRUE(image->hasScaledContents());

    ASSERT_TRUE(WriteJpeg(dir.Path("logo.jpg"), 60, 30, 0, 0, 255));
    ASSERT_TRUE(WriteJpeg(dir.Path("image.jpg"), 50, 120, 255, 255, 0));
    Open();
    logo = Find<QLabel>("LogoImage");
    EXPECT_EQ(logo->geometry(), QRect(405 - 60 - 4, 252 - 30 - 4, 60, 30));
    EXPECT_EQ(logo->parentWidget()->objectName(), "TopSheet");
    EXPECT_TRUE(Near(logo->pixmap().toImage().pixel(30, 15), 0, 0, 255));
    image = Find<QLabel>("Image");
    EXPECT_EQ(image->pixmap().size(), QSize(50, 120));
}

TEST_F(TPictures, DamagedPicturesAreLeftOut) {
    dir.Write("logo.jpg", "\xFF\xD8\xFF\xE0 damaged");
    dir.Write("image.jpg", "");
    Open();
    EXPECT_TRUE(Find<QLabel>("LogoImage")->pixmap().isNull());
    EXPECT_EQ(Find<QLabel>("Image")->pixmap().size(), QSize(97, 241));
}

}  // namespace
