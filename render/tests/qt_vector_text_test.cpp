// Text on vector devices stays text, and a layout reused from an earlier call lands where and
// in the font that the call asks for.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgGenerator>
#include <functional>
#include <vector>

#include "render/qt_page_writer.h"
#include "render/qt_painter_device.h"

namespace {

struct SvgText {
    double x, y, size;
    int weight;
    QString text;
};

// The texts of an SVG drawing made through the device at 1000 dpi (one unit, one user unit).
std::vector<SvgText> DrawnTexts(const std::function<void(CQtPainterDevice&)>& draw) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QSvgGenerator generator;
        generator.setOutputDevice(&buffer);
        generator.setResolution(1000);
        generator.setSize(QSize(8500, 11000));
        QPainter painter(&generator);
        CQtPainterDevice device(painter, 1000, 1000);
        device.Begin();
        draw(device);
        device.End();
    }
    static const QRegularExpression element(
        R"re(<text [^>]*x="([-0-9.]+)" y="([-0-9.]+)"[^>]*font-size="([0-9.]+)" )re"
        R"re(font-weight="([0-9]+)"[^>]*>([^<]*)</text>)re");
    std::vector<SvgText> texts;
    auto match = element.globalMatch(QString::fromUtf8(buffer.data()));
    while (match.hasNext()) {
        const QRegularExpressionMatch m = match.next();
        texts.push_back({m.captured(1).toDouble(), m.captured(2).toDouble(),
                         m.captured(3).toDouble(), m.captured(4).toInt(), m.captured(5)});
    }
    return texts;
}

class VectorTextTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureGuiApplication(); }
};

TEST_F(VectorTextTest, ReusedLayoutsFollowTheirPositionAndFont) {
    const std::vector<SvgText> texts = DrawnTexts([](CQtPainterDevice& d) {
        d.SelectFont("Arial", 160, 0);
        d.Text(1000, -1000, "Job 12");
        d.Text(3000, -2000, "Job 12");  // the same text again, elsewhere
        d.SelectFont("Arial", 420, 1);
        d.Text(1000, -3000, "Job 12");  // and in another font
        d.SelectFont("Arial", 160, 0);
        d.Text(1000, -4000, "Job 13");
    });
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0].text, QStringLiteral("Job 12"));
    EXPECT_EQ(texts[3].text, QStringLiteral("Job 13"));
    // The baseline hangs about four fifths of the 160-unit cell below the given top.
    EXPECT_GT(texts[0].y - 1000, 0.75 * 160);
    EXPECT_LT(texts[0].y - 1000, 0.86 * 160);
    EXPECT_DOUBLE_EQ(texts[1].x - texts[0].x, 2000);
    EXPECT_DOUBLE_EQ(texts[1].y - texts[0].y, 1000);
    EXPECT_DOUBLE_EQ(texts[1].size, texts[0].size);
    EXPECT_GT(texts[2].size, 2 * texts[0].size);  // not the small font's layout
    EXPECT_GT(texts[2].weight, texts[0].weight);
    EXPECT_GT(texts[2].y - 3000, 0.75 * 420);
    EXPECT_DOUBLE_EQ(texts[3].size, texts[0].size);
}

}  // namespace
