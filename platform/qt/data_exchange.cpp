#include "platform/qt/data_exchange.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QToolButton>
#include <algorithm>
#include <charconv>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <utility>
#include <vector>

#include "platform/range_messages.h"

namespace caelvane {

namespace {

// Ends an exchange pass; thrown by CDataExchange::Fail after the message, caught by UpdateData.
struct ExchangeFailure {};

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t';
}
bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

void DefaultMessageBox(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(), text,
                    QMessageBox::Ok, parent);
    box.exec();
}

// Sets an edit's text whole, even past an input limit already on it.
void SetEditText(QLineEdit* edit, const QString& text) {
    if (edit->maxLength() < text.size()) {
        edit->setMaxLength(static_cast<int>(text.size()));
    }
    edit->setText(text);
}

const char kLimitProperty[] = "caelvaneTextLimit";
const char kLimitHookedProperty[] = "caelvaneTextLimitHooked";

std::int64_t MulDiv(std::int64_t a, std::int64_t b, std::int64_t c) {
    const std::int64_t product = a * b;
    return product >= 0 ? (product + c / 2) / c : -((-product + c / 2) / c);
}

}  // namespace

// ---- Values as text -------------------------------------------------------------------------

std::optional<int> ParseDialogInt(const QString& text) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    const qsizetype firstDigit = i;
    std::int64_t magnitude = 0;
    constexpr std::int64_t kBeyondAnyInt = std::int64_t{1} << 32;
    while (i < n && IsDigit(text[i])) {
        magnitude = std::min(magnitude * 10 + (text[i].unicode() - u'0'), kBeyondAnyInt);
        ++i;
    }
    if (i == firstDigit) return std::nullopt;
    while (i < n && IsBlank(text[i])) ++i;
    if (i != n) return std::nullopt;
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::optional<double> ParseDialogDouble(const QString& text) {
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && IsBlank(text[i])) ++i;
    // The number in the C locale's spelling, for strtod_l.
    std::string number;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        number += static_cast<char>(text[i++].unicode());
    int mantissaDigits = 0;
    while (i < n && IsDigit(text[i])) {
        number += static_cast<char>(text[i++].unicode());
        ++mantissaDigits;
    }
    if (i < n && text[i] == u'.') {
        number += '.';
        ++i;
        while (i < n && IsDigit(text[i])) {
            number += static_cast<char>(text[i++].unicode());
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0) return std::nullopt;
    if (i < n && (text[i] == u'e' || text[i] == u'E' || text[i] == u'd' || text[i] == u'D')) {
        std::string exponent = "e";
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'+' || text[j] == u'-')) {
            exponent += static_cast<char>(text[j++].unicode());
        }
        const qsizetype firstExponentDigit = j;
        while (j < n && IsDigit(text[j])) exponent += static_cast<char>(text[j++].unicode());
        // An exponent letter without digits ends the number before it; what follows is then
        // not blank, so the text is refused below.
        if (j > firstExponentDigit) {
            number += exponent;
            i = j;
        }
    }
    while (i < n && IsBlank(text[i])) ++i;
    if (i != n) return std::nullopt;
    // Overflow gives +-HUGE_VAL and underflow 0 or a denormal, as strtod does.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return strtod_l(number.c_str(), nullptr, cLocale);
}

QString FormatDialogInt(int value) {
    return QString::fromStdString(FormatCheckInt(value));
}

QString FormatDialogDouble(double value) {
    return QString::fromStdString(FormatCheckDouble(value));
}

// ---- Messages -------------------------------------------------------------------------------

void ShowExchangeMessage(QWidget* parent, const QString& text, const ExchangeMessageHook& hook) {
    if (hook) {
        hook(parent, text);
    } else {
        DefaultMessageBox(parent, text);
    }
}

// ---- The exchange pass ----------------------------------------------------------------------

void CDataExchange::PrepareCtrl(QWidget* control) {
    m_lastControl = control;
    m_lastEdit = nullptr;
}

void CDataExchange::PrepareEditCtrl(QLineEdit* edit) {
    m_lastControl = edit;
    m_lastEdit = edit;
}

void CDataExchange::Fail(const QString& text) {
    if (!m_saveAndValidate) return;
    ShowExchangeMessage(m_dialog, text, m_message);
    if (m_lastControl != nullptr) {
        m_lastControl->setFocus(Qt::OtherFocusReason);
        if (m_lastEdit != nullptr) m_lastEdit->selectAll();
    }
    throw ExchangeFailure{};
}

bool UpdateData(QWidget* dialog, bool saveAndValidate,
                const std::function<void(CDataExchange&)>& exchange,
                const ExchangeMessageHook& message) {
    CDataExchange dx(dialog, saveAndValidate, message);
    try {
        exchange(dx);
    } catch (const ExchangeFailure&) {
        return false;
    }
    return true;
}

void DdxText(CDataExchange& dx, QLineEdit* edit, int& value) {
    dx.PrepareEditCtrl(edit);
    if (!dx.SaveAndValidate()) {
        SetEditText(edit, FormatDialogInt(value));
        return;
    }
    const std::optional<int> parsed = ParseDialogInt(edit->text());
    if (!parsed) {
        dx.Fail(QStringLiteral("Please enter an integer."));
        return;
    }
    value = *parsed;
}

void DdxText(CDataExchange& dx, QLineEdit* edit, double& value) {
    dx.PrepareEditCtrl(edit);
    if (!dx.SaveAndValidate()) {
        SetEditText(edit, FormatDialogDouble(value));
        return;
    }
    const std::optional<double> parsed = ParseDialogDouble(edit->text());
    if (!parsed) {
        dx.Fail(QStringLiteral("Please enter a number."));
        return;
    }
    value = *parsed;
}

void DdxText(CDataExchange& dx, QLineEdit* edit, QString& value) {
    dx.PrepareEditCtrl(edit);
    if (dx.SaveAndValidate()) {
        value = edit->text();
    } else {
        SetEditText(edit, value);
    }
}

void DdxText(CDataExchange& dx, QLineEdit* edit, std::string& value) {
    QString text = QString::fromLatin1(value.data(), static_cast<qsizetype>(value.size()));
    DdxText(dx, edit, text);
    if (dx.SaveAndValidate()) value = text.toLatin1().toStdString();
}

void DdxCheck(CDataExchange& dx, QAbstractButton* box, int& value) {
    dx.PrepareCtrl(box);
    auto* checkBox = qobject_cast<QCheckBox*>(box);
    if (dx.SaveAndValidate()) {
        if (checkBox != nullptr) {
            const Qt::CheckState state = checkBox->checkState();
            value = state == Qt::Checked ? 1 : state == Qt::PartiallyChecked ? 2 : 0;
        } else {
            value = box->isChecked() ? 1 : 0;
        }
        return;
    }
    if (value < 0 || value > 2) value = 0;
    if (checkBox != nullptr) {
        if (value != 2) checkBox->setTristate(false);
        checkBox->setCheckState(value == 2   ? Qt::PartiallyChecked
                                : value == 1 ? Qt::Checked
                                             : Qt::Unchecked);
    } else {
        box->setChecked(value != 0);
    }
}

void DdxRadio(CDataExchange& dx, std::initializer_list<QAbstractButton*> group, int& value) {
    if (group.size() == 0) return;
    dx.PrepareCtrl(*group.begin());
    if (dx.SaveAndValidate()) {
        value = -1;
        int index = 0;
        for (QAbstractButton* button : group) {
            if (button->isChecked() && value == -1) value = index;
            ++index;
        }
        return;
    }
    // Exclusive groups refuse to uncheck their checked button: lift exclusivity while the
    // states are set, so that a value matching no button leaves them all unchecked.
    std::vector<QButtonGroup*> groups;
    std::vector<std::pair<QAbstractButton*, bool>> autoExclusive;
    for (QAbstractButton* button : group) {
        QButtonGroup* buttonGroup = button->group();
        if (buttonGroup != nullptr && buttonGroup->exclusive() &&
            std::find(groups.begin(), groups.end(), buttonGroup) == groups.end()) {
            groups.push_back(buttonGroup);
            buttonGroup->setExclusive(false);
        }
        autoExclusive.emplace_back(button, button->autoExclusive());
        button->setAutoExclusive(false);
    }
    int index = 0;
    for (QAbstractButton* button : group) button->setChecked(index++ == value);
    for (auto& [button, wasAutoExclusive] : autoExclusive)
        button->setAutoExclusive(wasAutoExclusive);
    for (QButtonGroup* buttonGroup : groups) buttonGroup->setExclusive(true);
}

void DdvMinMaxInt(CDataExchange& dx, int value, int minValue, int maxValue) {
    if (!dx.SaveAndValidate() || (value >= minValue && value <= maxValue)) return;
    dx.Fail(QString::fromStdString(IntRangeMessage(minValue, maxValue)));
}

void DdvMinMaxDouble(CDataExchange& dx, double value, double minValue, double maxValue) {
    if (!dx.SaveAndValidate() || (value >= minValue && value <= maxValue)) return;
    dx.Fail(QString::fromStdString(DoubleRangeMessage(minValue, maxValue)));
}

void DdvMaxChars(CDataExchange& dx, const QString& value, int maxChars) {
    if (dx.SaveAndValidate() && value.size() > maxChars) {
        dx.Fail(QString::fromStdString(MaxCharsMessage(maxChars)));
        return;
    }
    if (dx.LastEdit() != nullptr) LimitText(dx.LastEdit(), maxChars);
}

void DdvMaxChars(CDataExchange& dx, const std::string& value, int maxChars) {
    DdvMaxChars(dx, QString::fromLatin1(value.data(), static_cast<qsizetype>(value.size())),
                maxChars);
}

void LimitText(QLineEdit* edit, int maxChars) {
    edit->setProperty(kLimitProperty, maxChars);
    edit->setMaxLength(std::max(maxChars, static_cast<int>(edit->text().size())));
    if (edit->property(kLimitHookedProperty).toBool()) return;
    edit->setProperty(kLimitHookedProperty, true);
    // The limit follows a longer text down as it is shortened, never up.
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
        const int limit = edit->property(kLimitProperty).toInt();
        edit->setMaxLength(std::max(limit, static_cast<int>(text.size())));
    });
}

CExchangeDialog::CExchangeDialog(QWidget* parent) : QDialog(parent) {}

bool CExchangeDialog::UpdateData(bool saveAndValidate) {
    return caelvane::UpdateData(
        this, saveAndValidate, [this](CDataExchange& dx) { DoDataExchange(dx); }, m_messageHook);
}

void CExchangeDialog::accept() {
    if (!UpdateData(true)) return;
    QDialog::accept();
}

void CExchangeDialog::InitDialog() {
    UpdateData(false);
}

void CExchangeDialog::showEvent(QShowEvent* event) {
    if (!m_initialized) {
        m_initialized = true;
        InitDialog();
    }
    QDialog::showEvent(event);
}

// ---- Spin control ---------------------------------------------------------------------------

CSpinButtonCtrl::CSpinButtonCtrl(QWidget* parent)
    : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this)) {
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton* button : {m_up, m_down}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
    }
    setFocusPolicy(Qt::NoFocus);
    connect(m_up, &QToolButton::clicked, this, [this] { Step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { Step(-1); });
}

void CSpinButtonCtrl::SetBuddy(QLineEdit* buddy) {
    if (m_buddy != nullptr) m_buddy->removeEventFilter(this);
    m_buddy = buddy;
    if (m_buddy != nullptr) m_buddy->installEventFilter(this);
}

void CSpinButtonCtrl::SetRange(int lower, int upper) {
    m_lower = std::min(lower, upper);
    m_upper = std::max(lower, upper);
}

void CSpinButtonCtrl::SetPos(int pos) {
    m_pos = std::clamp(pos, m_lower, m_upper);
    if (m_buddy != nullptr) m_buddy->setText(FormatDialogInt(m_pos));
}

void CSpinButtonCtrl::Step(int delta) {
    int pos = m_pos;
    if (m_buddy != nullptr) {
        if (const std::optional<int> typed = ParseDialogInt(m_buddy->text())) pos = *typed;
    }
    pos = std::clamp(pos, m_lower, m_upper);
    const std::int64_t next = std::int64_t{pos} + delta;
    if (next > m_upper) {
        pos = m_wrap ? m_lower : m_upper;
    } else if (next < m_lower) {
        pos = m_wrap ? m_upper : m_lower;
    } else {
        pos = static_cast<int>(next);
    }
    SetPos(pos);
}

bool CSpinButtonCtrl::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_buddy && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CSpinButtonCtrl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
}

// ---- Dialog units ---------------------------------------------------------------------------

CDialogUnits::CDialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = (letters / 26 + 1) / 2;
    m_baseY = metrics.height();
}

int CDialogUnits::MapX(int units) const {
    return static_cast<int>(MulDiv(units, m_baseX, 4));
}
int CDialogUnits::MapY(int units) const {
    return static_cast<int>(MulDiv(units, m_baseY, 8));
}

QRect CDialogUnits::MapRect(int x, int y, int cx, int cy) const {
    return QRect(MapX(x), MapY(y), MapX(cx), MapY(cy));
}

void PlaceControl(QWidget* control, const CDialogUnits& units, int x, int y, int cx, int cy) {
    control->setGeometry(units.MapRect(x, y, cx, cy));
}

}  // namespace caelvane
