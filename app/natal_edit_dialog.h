#pragma once
// The horoscope's entries: name, local date and time (or time unknown), the place found in the
// atlas or typed (latitude, longitude), the time zone (an IANA name or a fixed offset such as
// +05:30) and the house system. A line under the entries tells the instant the entries give,
// or what is wrong with them. A local time that a daylight-saving change made ambiguous or
// skipped is not guessed: OK asks for the earlier or the later reading.
#include <QDialog>
#include <vector>

#include "natal/atlas.h"
#include "natal/horoscope.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QListWidget;

class CNatalEditDialog : public QDialog {
    Q_OBJECT
public:
    CNatalEditDialog(const natal::Horoscope& horoscope, QWidget* parent = nullptr);

    // The entries as accepted (the reading chosen included).
    const natal::Horoscope& Result() const { return m_result; }

    // The entries as they stand, and what is wrong with them ("" when nothing is).
    natal::Horoscope Entries(QString& problem) const;
    // The line under the entries.
    QString StatusText() const;

    // Asks which reading of an ambiguous or skipped local time to take, in a message box
    // named "localTimeChoice" over `parent`: Earlier, Later, or None when cancelled.
    static natal::LocalTimeChoice AskChoice(QWidget* parent,
                                            const natal::ZoneResolution& resolution);

    void accept() override;

private:
    void SearchAtlas();
    void TakePlace(int row);
    void UpdateStatus();

    natal::Horoscope m_original;
    std::vector<natal::AtlasPlace> m_found;
    natal::Horoscope m_result;
    QLineEdit* m_name;
    QLineEdit* m_date;
    QLineEdit* m_time;
    QCheckBox* m_timeUnknown;
    QLineEdit* m_search;
    QListWidget* m_places;
    QLineEdit* m_placeName;
    QDoubleSpinBox* m_latitude;
    QDoubleSpinBox* m_longitude;
    QComboBox* m_zone;
    QComboBox* m_houses;
    QLabel* m_status;
};
