// Texts on rasters are set glyph by glyph from the font's advances: the pixels are those a
// laid-out text of the same font leaves, at every size, weight and fractional position, for
// texts the font lacks a character of, and under a scale.
#include <gtest/gtest.h>

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QStaticText>
#include <cmath>
#include <string>

#include "render/qt_page_writer.h"
#include "render/qt_painter_device.h"
#include "render/qt_text_metrics.h"

namespace {

constexpr double kDpi = 96.0;

struct TextCase {
    int x, y;  // page units (0.001 inch), y up
    int height;
    int bold;
    std::string text;  // UTF-8
};

// The font the device selects for a request, made the way it makes it.
QFont ChartFontLike(int height, int bold) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(bold == 1 ? QFont::Bold : QFont::Normal);
    font.setKerning(false);
    const double em =
        std::abs(height) * kDpi / 1000.0 * EmPerCellHeight(QStringLiteral("Arial"), bold == 1);
    font.setPointSizeF(em * 72.0 / kDpi);
    return font;
}

QImage White(double scale) {
    QImage image(static_cast<int>(600 * scale), static_cast<int>(80 * scale), QImage::Format_RGB32);
    image.setDotsPerMeterX(static_cast<int>(std::lround(kDpi / 0.0254)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(kDpi / 0.0254)));
    image.fill(Qt::white);
    return image;
}

class RasterTextTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureGuiApplication(); }
};

TEST_F(RasterTextTest, GlyphsLandWhereTheLayoutPutsThem) {
    const TextCase cases[] = {
        {100, -200, 110, 1, "102"},
        {103, -205, 110, 0, "-6.8"},
        {1207, -301, 160, 1, "HotSpot1"},
        {2011, -402, 160, 0, "0123456789"},
        {500, -150, 420, 1, "Caelvane-THE Graphical Ephemeris"},
        {333, -333, 200, 1, "TUESDAY  2451562.208 JED"},
        {20, -100, 150, 0, "fi fl ffi AV To Wa"},
        {71, -260, 130, 0, "\xc3\x84rger \xc3\xa9t\xc3\xa9"},  // Latin-1 beyond ASCII
        {90, -190, 160, 0, "\xe2\x98\x89 \xe2\x99\x83 Sun"},   // signs the font lacks
    };
    for (const double scale : {1.0, 1.5}) {
        for (const TextCase& c : cases) {
            QImage drawn = White(scale);
            {
                QPainter painter(&drawn);
                painter.scale(scale, scale);
                CQtPainterDevice device(painter, kDpi, kDpi);
                device.Begin();
                device.SetPenColor(RGB(0, 0, 255));
                device.SelectFont("Arial", c.height, c.bold);
                device.TextUtf8(c.x, c.y, c.text);
                device.TextUtf8(c.x, c.y - 300, c.text);  // the kept run again, elsewhere
                device.End();
            }
            QImage laidOut = White(scale);
            {
                QPainter painter(&laidOut);
                painter.scale(scale, scale);
                painter.setRenderHint(QPainter::Antialiasing);
                painter.setRenderHint(QPainter::TextAntialiasing);
                painter.setPen(QColor(0, 0, 255));
                const QFont font = ChartFontLike(c.height, c.bold);
                painter.setFont(font);
                QStaticText text(QString::fromUtf8(c.text.c_str()));
                text.setTextFormat(Qt::PlainText);
                text.prepare(painter.transform(), font);
                for (const int y : {c.y, c.y - 300})
                    painter.drawStaticText(QPointF(c.x * kDpi / 1000.0, -y * kDpi / 1000.0), text);
            }
            EXPECT_EQ(drawn, laidOut) << c.text << " at scale " << scale;
        }
    }
}

}  // namespace
