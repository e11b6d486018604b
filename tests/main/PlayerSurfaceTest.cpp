// The players' surface widget: a picture handed over on another thread is
// painted where the engine placed it, black around it, and the surface
// reports its size to any thread.
#include "tests/main/ProgramWindows.h"
#include "widgets/TPlayerSurfaceWidget.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <thread>
#include <vector>

namespace {

using vidrelo::TSurfacePicture;

// A picture of one colour, owning its pixels.
std::shared_ptr<const TSurfacePicture> Plain(int width, int height, QRgb colour, vidrelo::TFitRect target)
{
    auto pixels = std::make_shared<std::vector<QRgb>>(static_cast<size_t>(width) * height, colour);
    auto picture = std::make_shared<TSurfacePicture>();
    picture->Width = width;
    picture->Height = height;
    picture->Stride = width * 4;
    picture->Data = reinterpret_cast<const uint8_t*>(pixels->data());
    picture->Target = target;
    picture->Keep = pixels;
    return picture;
}

TEST(PlayerSurfaceTest, APictureFromAnotherThreadIsPaintedInItsPlace)
{
    maintest::EnsureApplication();
    TPlayerSurfaceWidget surface;
    surface.resize(200, 100);
    surface.show();
    int w = 0, h = 0;
    surface.SurfaceSize(w, h);
    EXPECT_EQ(std::make_pair(w, h), std::make_pair(200, 100));

    std::thread player([&] { surface.Present(Plain(16, 9, qRgb(200, 30, 40), {20, 10, 160, 80})); });
    player.join();
    QCoreApplication::processEvents();
    QImage shown = surface.grab().toImage();
    EXPECT_EQ(shown.pixelColor(100, 50), QColor(200, 30, 40));
    EXPECT_EQ(shown.pixelColor(21, 11), QColor(200, 30, 40));
    EXPECT_EQ(shown.pixelColor(10, 50), QColor(Qt::black));   // the bars
    EXPECT_EQ(shown.pixelColor(100, 95), QColor(Qt::black));

    surface.Clear();
    QCoreApplication::processEvents();
    EXPECT_EQ(surface.grab().toImage().pixelColor(100, 50), QColor(Qt::black));
}

}  // namespace
