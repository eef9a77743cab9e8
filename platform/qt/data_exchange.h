#pragma once
// Dialog data exchange and validation: moves values between a dialog's members and its
// controls in either direction, checks ranges and lengths, and on the first failure shows
// the message, focuses the control and stops the pass. Also the spin control that steps an
// integer in its buddy edit, and the mapping of dialog units to pixels.
#include <QDialog>
#include <QFont>
#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

class QAbstractButton;
class QLineEdit;
class QToolButton;

namespace caelvane {

// ---- Values as text -------------------------------------------------------------------------

// An integer as typed: blanks (spaces, tabs) around it, an optional sign, decimal digits and
// nothing else; a value outside the 32-bit range is not an integer.
std::optional<int> ParseDialogInt(const QString& text);
// A number as typed: blanks around it, an optional sign, digits with an optional decimal point
// (at least one digit), an optional exponent (e, E, d or D, a sign, digits). Infinity, NaN and
// hexadecimal forms are not numbers; an exponent too large gives an infinite value, which no
// range accepts.
std::optional<double> ParseDialogDouble(const QString& text);
// Decimal, as "%d".
QString FormatDialogInt(int value);
// General format with up to 15 significant digits, as "%.15g" in the C locale (90 -> "90",
// 12.5 -> "12.5").
QString FormatDialogDouble(double value);

// ---- Messages -------------------------------------------------------------------------------

// Shows a validation message. Whoever opens a dialog may hand it one (tests capture the texts
// so); an empty hook shows a modal warning message box titled with the application's name.
using ExchangeMessageHook = std::function<void(QWidget* parent, const QString& text)>;
void ShowExchangeMessage(QWidget* parent, const QString& text,
                         const ExchangeMessageHook& hook = {});

// ---- The exchange pass ----------------------------------------------------------------------

// One pass over a dialog's fields. Loading (saveAndValidate false) writes members into
// controls and never fails; saving reads controls into members and validates.
class CDataExchange {
public:
    // `message` shows a failure (ShowExchangeMessage).
    CDataExchange(QWidget* dialog, bool saveAndValidate, ExchangeMessageHook message = {})
        : m_dialog(dialog), m_saveAndValidate(saveAndValidate), m_message(std::move(message)) {}

    bool SaveAndValidate() const { return m_saveAndValidate; }
    QWidget* Dialog() const { return m_dialog; }

    // The control the following range or length checks refer to.
    void PrepareCtrl(QWidget* control);
    void PrepareEditCtrl(QLineEdit* edit);
    QWidget* LastControl() const { return m_lastControl; }
    QLineEdit* LastEdit() const { return m_lastEdit; }

    // Saving: shows `text`, focuses the last control (selecting the whole text of an edit) and
    // ends the pass. Loading: does nothing, so values out of range are shown as they are.
    void Fail(const QString& text);

private:
    QWidget* m_dialog;
    bool m_saveAndValidate;
    ExchangeMessageHook m_message;
    QWidget* m_lastControl = nullptr;
    QLineEdit* m_lastEdit = nullptr;
};

// Runs `exchange` as one pass; returns false when a check failed (its message has been shown
// through `message`).
bool UpdateData(QWidget* dialog, bool saveAndValidate,
                const std::function<void(CDataExchange&)>& exchange,
                const ExchangeMessageHook& message = {});

// Edits. Failures: "Please enter an integer." / "Please enter a number.".
void DdxText(CDataExchange& dx, QLineEdit* edit, int& value);
void DdxText(CDataExchange& dx, QLineEdit* edit, double& value);
void DdxText(CDataExchange& dx, QLineEdit* edit, QString& value);
// Single-byte text: each byte is one Latin-1 character (characters beyond it read back as '?').
void DdxText(CDataExchange& dx, QLineEdit* edit, std::string& value);
// Check box: 0 unchecked, 1 checked, 2 partly checked. A value outside 0..2 shows (and stays
// in the member) as 0.
void DdxCheck(CDataExchange& dx, QAbstractButton* box, int& value);
// Radio group, buttons in order: the index of the checked one, -1 when none is checked.
// Loading a value that matches no button leaves all of them unchecked.
void DdxRadio(CDataExchange& dx, std::initializer_list<QAbstractButton*> group, int& value);

// Range checks on the value just exchanged, saving only:
// "Please enter an integer between %1 and %2." / "Please enter a number between %1 and %2.".
void DdvMinMaxInt(CDataExchange& dx, int value, int minValue, int maxValue);
void DdvMinMaxDouble(CDataExchange& dx, double value, double minValue, double maxValue);
// Saving: "Please enter no more than %1 characters." for a longer value. Loading: limits what
// can be typed into the last edit to `maxChars` (see LimitText).
void DdvMaxChars(CDataExchange& dx, const QString& value, int maxChars);
void DdvMaxChars(CDataExchange& dx, const std::string& value, int maxChars);

// The edit's own input limit: typing and pasting stop at `maxChars`. A longer text already in
// the edit stays whole (it is refused when saved); it can only be shortened.
void LimitText(QLineEdit* edit, int maxChars);

// A modal dialog with an exchange pass. accept() (OK, Enter on the default button) reads and
// validates every field and closes only when they all pass; reject() closes without exchange.
// The first show loads the members into the controls (InitDialog).
class CExchangeDialog : public QDialog {
public:
    explicit CExchangeDialog(QWidget* parent = nullptr);

    // saveAndValidate true: controls to members with checks; false: members to controls.
    bool UpdateData(bool saveAndValidate = true);
    void accept() override;
    // How this dialog shows its validation messages (empty: a message box).
    void SetMessageHook(ExchangeMessageHook hook) { m_messageHook = std::move(hook); }

protected:
    virtual void DoDataExchange(CDataExchange& dx) = 0;
    // Runs once, before the dialog first shows: loads the controls. Overrides call the base
    // first, then set up their controls.
    virtual void InitDialog();
    void showEvent(QShowEvent* event) override;

private:
    bool m_initialized = false;
    ExchangeMessageHook m_messageHook;
};

// ---- Spin control ---------------------------------------------------------------------------

// Up/down arrows that step an integer in a buddy edit: the buddy's text, when it is an
// integer, is the position (clamped into the range), otherwise the last position stands;
// each step writes the new position into the buddy in decimal without separators. The Up and
// Down keys in the buddy step too. With wrapping, a step past one end lands on the other.
class CSpinButtonCtrl : public QWidget {
public:
    explicit CSpinButtonCtrl(QWidget* parent = nullptr);

    void SetBuddy(QLineEdit* buddy);
    QLineEdit* GetBuddy() const { return m_buddy; }
    // Ranges are given low end first; a reversed pair is taken in order.
    void SetRange(int lower, int upper);
    int Lower() const { return m_lower; }
    int Upper() const { return m_upper; }
    void SetPos(int pos);
    int GetPos() const { return m_pos; }
    void SetWrap(bool wrap) { m_wrap = wrap; }
    // One step up (+1) or down (-1), as a click on an arrow.
    void Step(int delta);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLineEdit* m_buddy = nullptr;
    QToolButton* m_up;
    QToolButton* m_down;
    int m_lower = 0;
    int m_upper = 100;
    int m_pos = 0;
    bool m_wrap = true;
};

// ---- Dialog units ---------------------------------------------------------------------------

// Dialog units from a dialog's font: 4 horizontal units per average character width (the
// width of the 52 letters A-Z a-z over 52, rounded), 8 vertical units per character height.
class CDialogUnits {
public:
    explicit CDialogUnits(const QFont& font);
    int BaseX() const { return m_baseX; }
    int BaseY() const { return m_baseY; }
    int MapX(int units) const;  // rounded to the nearest pixel
    int MapY(int units) const;
    // Position and size mapped each on its own, as a dialog template's controls are.
    QRect MapRect(int x, int y, int cx, int cy) const;

private:
    int m_baseX;
    int m_baseY;
};

// Places `control` at a rectangle given in dialog units.
void PlaceControl(QWidget* control, const CDialogUnits& units, int x, int y, int cx, int cy);

}  // namespace caelvane
