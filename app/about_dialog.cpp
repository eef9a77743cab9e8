#include "app/about_dialog.h"

#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QPushButton>

#include "app/window_placement.h"
#include "ephemeris/position_source.h"

namespace {

// Dialog units: a quarter of the average character width across, an eighth of the character
// height down.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font) {
        const QFontMetrics metrics(font);
        const QString sample =
            QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        m_x = metrics.horizontalAdvance(sample) / double(sample.size()) / 4.0;
        m_y = metrics.height() / 8.0;
    }
    int X(int units) const { return qRound(units * m_x); }
    int Y(int units) const { return qRound(units * m_y); }
    QRect Rect(int x, int y, int w, int h) const { return QRect(X(x), Y(y), X(w), Y(h)); }

private:
    double m_x;
    double m_y;
};

struct TextLine {
    int x;
    int y;
    const char* text;
};

// The version line, then the notice, author and contact lines.
constexpr TextLine kLines[] = {
    {40, 10, "Caelvane Version 1.1"},
    {40, 25, "The Graphical Ephemeris"},
    {40, 40, "Heliocentric and geocentric charts"},
    {40, 55, "for financial and natal astrology."},
    {56, 70, "Written by the Caelvane authors."},
    {37, 85, "Help > On Line Help explains every part."},
};

// The licence, and the library the precise positions come from when the build has it.
constexpr TextLine kLicenceLines[] = {
    {20, 102, "Free software: GNU AGPL, version 3 or later."},
    {20, 114, "No warranty. See the LICENSE file for the terms."},
};
constexpr TextLine kPreciseLine = {20, 126, "Precise positions: Swiss Ephemeris (AGPL edition)."};

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Caelvane"));
    const DialogUnits du(font());
    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("icon"));
    const int iconSize = std::max(32, du.Y(20));
    icon->setPixmap(QIcon(QStringLiteral(":/icons/caelvane.svg")).pixmap(iconSize, iconSize));
    icon->setGeometry(du.X(11), du.Y(17), iconSize, iconSize);
    int right = 0;
    auto addLine = [&](const TextLine& line) {
        auto* label = new QLabel(QString::fromLatin1(line.text), this);
        label->setTextFormat(Qt::PlainText);  // no mnemonic or markup processing
        label->adjustSize();
        label->move(du.X(line.x), du.Y(line.y));
        right = std::max(right, label->geometry().right());
    };
    for (const TextLine& line : kLines) addLine(line);
    for (const TextLine& line : kLicenceLines) addLine(line);
    const bool precise = PrecisePositionsAvailable();
    if (precise) addLine(kPreciseLine);
    const int okY = precise ? 142 : 130;
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    ok->setGeometry(du.Rect(71, okY, 32, 14));
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    // A font wider than the one the layout was made for widens the box, never narrows it.
    setFixedSize(std::max(du.X(186), right + du.X(8)), du.Y(okY + 21));
    PlaceOnParentScreen(*this, parentWidget(), size());
}
